#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <string>

namespace hvxfer::app {
namespace {

TEST(SingleInstance, OneHolderPerNameUntilReleased) {
  const std::string name = "hvxfer-test?" + std::to_string(GetCurrentProcessId());
  SingleInstance first, second, other;
  EXPECT_TRUE(first.TryBecomeSingleInstance(name));
  EXPECT_FALSE(second.TryBecomeSingleInstance(name));
  EXPECT_TRUE(other.TryBecomeSingleInstance(name + "-other"));
  first.Release();
  second.Release();
  SingleInstance third;
  EXPECT_TRUE(third.TryBecomeSingleInstance(name));
}

TEST(SingleInstance, DefaultNameHasNoBackslash) {
  const std::string name = DefaultInstanceName();
  EXPECT_EQ(name.find('\\'), std::string::npos);
  EXPECT_NE(name.find("?hvxfer_app_tests.exe"), std::string::npos) << name;
}

TEST(ActivateOtherInstance, NothingToBringForwardWhenNoProgramMatches) {
  EXPECT_TRUE(ActivateOtherInstance("C:\\nowhere\\no-such-program.exe"));
}

}  // namespace
}  // namespace hvxfer::app
