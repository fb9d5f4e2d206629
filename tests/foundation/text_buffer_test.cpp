#include "foundation/text_buffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>

namespace vmqdSDK {
namespace {

TEST(TextBufferTest, KeepsEveryByteAcrossGrowth) {
  CTextBuffer text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string piece = std::to_string(i * 7919);
    text.Append(piece);
    text.Append(':');
    char* room = text.Room(3);
    ASSERT_NE(room, nullptr);
    room[0] = 'a';
    room[1] = 'b';
    text.Commit(2);  // of the room asked for, only what is counted belongs to the text
    expected += piece + ":ab";
  }
  EXPECT_EQ(text.View(), expected);
  EXPECT_GE(text.Capacity(), text.Size());
  EXPECT_FALSE(text.Failed());

  text.Truncate(10);
  text.Truncate(20);  // longer than the text: nothing changes
  text.Append("xyz", 3);
  EXPECT_EQ(text.View(), expected.substr(0, 10) + "xyz");

  CTextBuffer moved(std::move(text));
  EXPECT_EQ(moved.View(), expected.substr(0, 10) + "xyz");
  EXPECT_EQ(text.Size(), 0u);
  EXPECT_EQ(text.Data(), nullptr);
}

TEST(TextBufferTest, ReserveMakesRoomWithoutMovingLaterWrites) {
  CTextBuffer text;
  ASSERT_TRUE(text.Reserve(1000));
  const char* start = text.Data();
  for (int i = 0; i < 100; ++i) text.Append("0123456789", 10);
  EXPECT_EQ(text.Data(), start);
  EXPECT_EQ(text.Size(), 1000u);
  EXPECT_TRUE(text.Reserve(10));  // less than it has: nothing to do
  EXPECT_EQ(text.Capacity(), 1000u);
}

TEST(TextBufferTest, RoomBeyondMemoryFailsAndLosesLaterWrites) {
  CTextBuffer text;
  text.Append("kept", 4);
  EXPECT_EQ(text.Room(static_cast<std::size_t>(-1)), nullptr);
  EXPECT_TRUE(text.Failed());
  text.Append("lost", 4);
  EXPECT_EQ(text.Room(1), nullptr);
  EXPECT_EQ(text.View(), "kept");

  text.Clear();
  EXPECT_FALSE(text.Failed());
  text.Append("again", 5);
  EXPECT_EQ(text.View(), "again");
}

}  // namespace
}  // namespace vmqdSDK
