// The growable text buffer: power-of-two growth that never shrinks, and
// appends that never cut the text.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "plat/TextBuffer.h"

namespace {

using plat::TextBuffer;

TEST(TextBufferReserve, RoundsUpToEightOrTheNextPowerOfTwo) {
    const std::pair<int32_t, int32_t> cases[] = {{0, 8},   {1, 8},   {7, 8},   {8, 8},
                                                 {9, 16},  {16, 16}, {17, 32}, {100, 128}};
    for (auto [n, expected] : cases) {
        TextBuffer buffer;
        buffer.reserve(n);
        EXPECT_EQ(buffer.capacity, expected) << "reserve(" << n << ")";
        EXPECT_STREQ(buffer.data, "");
    }
}

TEST(TextBufferReserve, NeverShrinksAndKeepsTheTextWhenGrowing) {
    TextBuffer buffer(100);
    buffer.append("kept");
    buffer.reserve(10);
    EXPECT_EQ(buffer.capacity, 128);
    buffer.reserve(129);
    EXPECT_EQ(buffer.capacity, 256);
    EXPECT_STREQ(buffer.data, "kept");
}

TEST(TextBufferAppend, TakesUpToTheMaximumLengthAndGrowsAsNeeded) {
    TextBuffer buffer;
    buffer.append(nullptr);
    EXPECT_EQ(buffer.capacity, 8);
    EXPECT_STREQ(buffer.data, "");
    buffer.append("abcdef", 3);
    EXPECT_STREQ(buffer.data, "abc");
    std::string longText(1000, 'z');
    buffer.append(longText.c_str());
    EXPECT_EQ(std::string(buffer.data), "abc" + longText);
    EXPECT_EQ(buffer.capacity, 1024);
}

TEST(TextBufferAppendFormat, GrowsForLongOutputAndKeepsTheTextInFront) {
    TextBuffer buffer;
    buffer.append("head:");
    std::string longValue(500, 'v');
    buffer.appendFormat("%s|%d", longValue.c_str(), 12345);
    EXPECT_EQ(std::string(buffer.data), "head:" + longValue + "|12345");
}

TEST(TextBufferAppendFormat, NeverCutsOutputThatExactlyFillsTheRoom) {
    // The first try has room 8: an 8-character result leaves no place for
    // the NUL and must grow rather than come back cut.
    for (size_t size = 1; size < 40; ++size) {
        TextBuffer buffer;
        std::string value(size, 'x');
        EXPECT_EQ(std::string(buffer.appendFormat("%s", value.c_str()).data), value);
    }
}

}  // namespace
