#include "archive/shared.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vmqdSDK {
namespace {

// Counts its own destruction in a counter it is given.
struct Counted {
  explicit Counted(int* destroyed) : destroyed(destroyed) {}
  virtual ~Counted() { ++*destroyed; }
  int* destroyed;
};
struct DerivedCounted : Counted {
  DerivedCounted(int* destroyed, int* derivedDestroyed) : Counted(destroyed), derivedDestroyed(derivedDestroyed) {}
  ~DerivedCounted() override { ++*derivedDestroyed; }
  int* derivedDestroyed;
};

// A holder that reports Destroy calls and its own deletion.
struct CountingHolder : CSharedHolder {
  CountingHolder(int* destroyCalls, int* deleted) : destroyCalls(destroyCalls), deleted(deleted) {}
  void Destroy() override {
    ++*destroyCalls;
    delete static_cast<Counted*>(target);
  }
  ~CountingHolder() override { ++*deleted; }
  int* destroyCalls;
  int* deleted;
};

template <class E>
std::string RaisedText(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(SharedPtr, DestroysExactlyOnceAtTheLastRelease) {
  int destroyed = 0;
  {
    CSharedPtr<Counted> a(new Counted(&destroyed));
    CSharedPtr<Counted> b = a;
    CSharedPtr<Counted> c;
    c = b;
    EXPECT_EQ(a.GetRefCount(), 3u);
    a.Release();
    EXPECT_TRUE(a.IsNull());
    b.Release();
    b.Release();  // releasing an empty handle does nothing
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(c.GetRefCount(), 1u);
    c = c;  // self-assignment keeps the target
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(SharedPtr, MovesAndUpcastsShareOneHolder) {
  int destroyed = 0, derivedDestroyed = 0;
  {
    CSharedPtr<DerivedCounted> derived(new DerivedCounted(&destroyed, &derivedDestroyed));
    CSharedPtr<Counted> base = derived;  // as streams travel as CSharedPtr<CStream>
    EXPECT_EQ(derived.GetRefCount(), 2u);
    CSharedPtr<Counted> moved = std::move(base);
    EXPECT_TRUE(base.IsNull());
    EXPECT_EQ(moved.GetRefCount(), 2u);
    derived.Release();
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(derivedDestroyed, 1);  // destroyed through its own type
}

TEST(SharedPtr, OwnerFlagAndHolders) {
  int destroyed = 0, destroyCalls = 0, holdersDeleted = 0;
  Counted onStack(&destroyed);
  {
    // Not owned: the last release deletes the holder (checked by the leak sanitizer) but not the target.
    CSharedPtr<Counted> a;
    a.Reset(&onStack, false);
    CSharedPtr<Counted> b = a;
    EXPECT_EQ(a.GetRefCount(), 2u);
  }
  EXPECT_EQ(destroyed, 0);
  {
    // A count of 0: stored, neither owned nor counted.
    CSharedPtr<Counted> a;
    a.Reset(&onStack, true, 0);
    EXPECT_EQ(a.Get(), &onStack);
    EXPECT_EQ(a.GetHolder(), nullptr);
    EXPECT_EQ(a.GetRefCount(), 0u);
  }
  EXPECT_EQ(destroyed, 0);
  {
    // A given holder destroys the target once and is deleted with the last handle.
    CSharedPtr<Counted> a;
    a.Reset(new Counted(&destroyed), true, 1, new CountingHolder(&destroyCalls, &holdersDeleted));
    CSharedPtr<Counted> b = a;
    a.Release();
    EXPECT_EQ(destroyCalls, 0);
  }
  EXPECT_EQ(destroyCalls, 1);
  EXPECT_EQ(holdersDeleted, 1);
  EXPECT_EQ(destroyed, 1);
}

TEST(SharedPtr, HolderWithoutOwnershipIsASyntaxError) {
  int destroyed = 0, destroyCalls = 0, holdersDeleted = 0;
  Counted onStack(&destroyed);
  CSharedPtr<Counted> p(new Counted(&destroyed));
  const std::string text = RaisedText<Common::CSyntaxException>(
      [&] { p.Reset(&onStack, false, 1, new CountingHolder(&destroyCalls, &holdersDeleted)); });
  EXPECT_TRUE(EndsWith(text, "\nerror:CSyntaxException\r\nOnly when owner, ref_object can specified")) << text;
  EXPECT_EQ(destroyed, 1);  // the earlier target was released first
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(holdersDeleted, 1);  // the refused holder does not leak
  EXPECT_EQ(destroyCalls, 0);
}

TEST(SharedPtr, CheckedAccess) {
  CSharedPtr<int> empty;
  const std::string text = RaisedText<Common::CNullPointerException>([&] { *empty = 1; });
  EXPECT_TRUE(EndsWith(text, "\nerror:CNullPointerException\r\nnull")) << text;
  CSharedPtr<int> one = MakeShared<int>(5);
  EXPECT_EQ(*one, 5);
}

TEST(SharedArray, CheckedElementAccess) {
  CByteArray ten = CByteArray::Allocate(10);
  CByteArray shortened = CByteArray::Allocate(10);
  shortened.SetCount(3);
  const CByteArray empty;
  const std::string kIndex = "\nerror:CIndexOutOfBoundsException\r\nout of Index";
  const std::string kNull = "\nerror:CNullPointerException\r\nnull";
  struct Case {
    const char* name;
    const CByteArray& array;
    std::uint32_t index;
    std::string raised;  // tail of the report, empty when the element is reachable
  } cases[] = {
      {"first", ten, 0, ""},
      {"last", ten, 9, ""},
      {"one past", ten, 10, kIndex},
      {"far past", ten, 0xFFFFFFFFu, kIndex},
      {"shortened last", shortened, 2, ""},
      {"shortened past, storage still there", shortened, 3, kIndex},
      {"empty", empty, 0, kNull},
  };
  for (const Case& c : cases) {
    std::string text;
    try {
      const std::uint8_t* at = c.array.At(c.index);
      EXPECT_EQ(at, c.array.Data() + c.index) << c.name;
    } catch (const Common::CException& e) {
      text = e.what();
    }
    EXPECT_TRUE(c.raised.empty() ? text.empty() : EndsWith(text, c.raised)) << c.name << ": " << text;
  }
  EXPECT_EQ(ten.GetCount(), 10u);
  EXPECT_EQ(shortened.GetCount(), 3u);
  EXPECT_EQ(empty.GetCount(), 0u);
  EXPECT_EQ(ten[9], 0);  // Allocate zero-fills
}

struct Tracked {
  static int destroyed;
  ~Tracked() { ++destroyed; }
};
int Tracked::destroyed = 0;

TEST(SharedArray, DestroysEveryElementOnceAtTheLastRelease) {
  Tracked::destroyed = 0;
  {
    CSharedArray<Tracked> a;
    a.Reset(new Tracked[3], 3);
    CSharedArray<Tracked> b = a;
    a.Reset();
    EXPECT_EQ(Tracked::destroyed, 0);
    EXPECT_EQ(b.GetCount(), 3u);
  }
  EXPECT_EQ(Tracked::destroyed, 3);
}

}  // namespace
}  // namespace vmqdSDK
