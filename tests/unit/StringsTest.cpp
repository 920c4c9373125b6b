// String tools: splitting, the token cursor, ASCII-only case folding and
// the assignment rule of the owned narrow string.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/Strings.h"

namespace {

using plat::HeapArray;
using plat::NarrowChars;

// "head|tail", with <null> for a missing part, and whether the delimiter was found.
std::string split(const char* text, bool fromEnd, bool* found = nullptr) {
    HeapArray<char> head, tail;
    bool hit = plat::splitString(text, ',', &head.data, &tail.data, fromEnd);
    if (found) *found = hit;
    return std::string(head.data ? head.data : "<null>") + "|" + (tail.data ? tail.data : "<null>");
}

TEST(SplitString, SplitsAtTheFirstOrLastDelimiterOrCopiesTheWholeText) {
    bool found = false;
    EXPECT_EQ(split("a,b,c", false, &found), "a|b,c");
    EXPECT_TRUE(found);
    EXPECT_EQ(split("a,b,c", true), "a,b|c");
    EXPECT_EQ(split("a,", false), "a|");
    EXPECT_EQ(split("abc", false, &found), "abc|<null>");
    EXPECT_FALSE(found);
}

TEST(SplitString, CanSplitAStringIntoItself) {
    // The idiom of list walkers: the rest is split into a name and the new rest.
    HeapArray<char> rest(plat::dupString("one,two,three"));
    HeapArray<char> name(plat::dupString("stale"));
    std::string names;
    while (rest.data != nullptr) {
        plat::splitString(rest.data, ',', &name.data, &rest.data, false);
        names += std::string(name.data) + "|";
    }
    EXPECT_EQ(names, "one|two|three|");
}

std::vector<std::string> tokens(const char* text) {
    HeapArray<char> copy(plat::dupString(text));
    plat::TokenCursor cursor(copy.data);
    std::vector<std::string> out;
    while (char* token = cursor.next(',')) out.emplace_back(token);
    return out;
}

TEST(TokenCursor, YieldsEmptyTokensBetweenAdjacentAndAfterTrailingDelimiters) {
    EXPECT_EQ(tokens("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(tokens("a,"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(tokens(""), (std::vector<std::string>{""}));
}

TEST(CompareNoCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(plat::compareNoCase("DynamicFn", "dynamicfn"), 0);
    EXPECT_LT(plat::compareNoCase("abc", "abd"), 0);
    EXPECT_GT(plat::compareNoCase("abc", "ab"), 0);
    EXPECT_NE(plat::compareNoCase("\xC3\x89", "\xC3\xA9"), 0);   // "É" and "é"
    EXPECT_NE(plat::compareNoCase("[", "{"), 0);                 // not letters
    EXPECT_EQ(plat::compareNoCase("STDERR-x", "stderr-y", 6), 0);
    EXPECT_NE(plat::compareNoCase("STDERR-x", "stderr-y", 8), 0);
}

TEST(NarrowCharsEquals, TreatsNullAsDifferentFromEmpty) {
    NarrowChars none;
    EXPECT_TRUE(none.equals(nullptr));
    EXPECT_FALSE(none.equals(""));
    NarrowChars abc(plat::dupString("abc"));
    EXPECT_FALSE(abc.equals(nullptr));
    EXPECT_FALSE(abc.equals("abd"));
    EXPECT_FALSE(abc.equals("abcd"));
    EXPECT_TRUE(abc.equals("abc"));
}

TEST(NarrowCharsAssign, KeepsTheHeldCopyWhenEqualAndOtherwiseStoresAFreshCopy) {
    NarrowChars held(plat::dupString("value"));
    const char* before = held.get();
    held.assign("value");
    EXPECT_EQ(held.get(), before);
    held.assign(held.get());
    EXPECT_STREQ(held.get(), "value");

    std::string source = "other";
    held.assign(source.c_str());
    EXPECT_STREQ(held.get(), "other");
    EXPECT_NE(held.get(), source.c_str());
    held.assign(nullptr);
    EXPECT_EQ(held.get(), nullptr);
}

}  // namespace
