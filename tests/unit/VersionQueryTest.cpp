// Reading version information blocks: the query paths the banner uses,
// blocks of another language, and damaged blocks that must not be read
// beyond their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "posix/winapi/VersionBlock.h"
#include "posix/KernelApi.h"

namespace {

using posix::version::BlockContents;
using Bytes = std::vector<unsigned char>;

BlockContents sampleContents(std::u16string table = u"080904b0") {
    BlockContents c;
    c.fileVersion[0] = 1;
    c.fileVersion[1] = 2;
    c.fileVersion[2] = 3;
    c.fileVersion[3] = 4;
    c.stringTable = std::move(table);
    c.strings = {{u"ProductName", u"Quorlex"}, {u"Comments", u""}, {u"FileVersion", u"1.2.3.4"}};
    c.translations = {0x04B00809u};
    return c;
}

// The text value at path, or "<none>" when the query fails. The block is
// queried in a buffer of exactly its size, so any read past it is caught.
std::u16string query(const Bytes& block, const char16_t* path, UINT* length = nullptr) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[block.size()]);
    std::copy(block.begin(), block.end(), exact.get());
    LPVOID value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(exact.get(), path, &value, &size)) return u"<none>";
    if (length) *length = size;
    return static_cast<const char16_t*>(value);
}

void put16(Bytes& block, size_t at, uint16_t v) {
    block[at] = static_cast<unsigned char>(v);
    block[at + 1] = static_cast<unsigned char>(v >> 8);
}

}  // namespace

TEST(VersionQuery, FindsStringsByPathIgnoringCaseWithLengthInCharacters) {
    Bytes block = posix::version::buildBlock(sampleContents());
    UINT length = 0;
    EXPECT_EQ(query(block, u"\\StringFileInfo\\080904b0\\FileVersion", &length), u"1.2.3.4");
    EXPECT_EQ(length, 8u);   // with the NUL
    EXPECT_EQ(query(block, u"\\stringfileinfo\\080904B0\\PRODUCTNAME"), u"Quorlex");
    EXPECT_EQ(query(block, u"\\StringFileInfo\\080904b0\\Comments"), u"");
}

TEST(VersionQuery, RootAndTranslationGiveTheBinaryValues) {
    Bytes block = posix::version::buildBlock(sampleContents());
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
    ASSERT_EQ(length, 52u);
    const auto* fixed = static_cast<const uint32_t*>(value);
    EXPECT_EQ(fixed[0], 0xFEEF04BDu);
    EXPECT_EQ(fixed[2], 0x00010002u);
    EXPECT_EQ(fixed[3], 0x00030004u);
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(*static_cast<const uint32_t*>(value), 0x04B00809u);
}

TEST(VersionQuery, OtherLanguageTablesAndMissingKeysAreNotFound) {
    Bytes us = posix::version::buildBlock(sampleContents(u"040904b0"));
    EXPECT_EQ(query(us, u"\\StringFileInfo\\080904b0\\ProductName"), u"<none>");
    EXPECT_EQ(query(us, u"\\StringFileInfo\\040904b0\\ProductName"), u"Quorlex");
    Bytes uk = posix::version::buildBlock(sampleContents());
    EXPECT_EQ(query(uk, u"\\StringFileInfo\\080904b0\\LegalCopyright"), u"<none>");
    EXPECT_EQ(query(uk, u"\\StringFileInfo\\080904b0\\ProductName\\More"), u"<none>");
}

TEST(VersionQuery, DamagedBlocksFailWithoutReadingPastTheirEnd) {
    const Bytes good = posix::version::buildBlock(sampleContents());
    const char16_t* path = u"\\StringFileInfo\\080904b0\\FileVersion";
    // Every node announces more than its parent holds.
    for (size_t at = 0; at + 2 <= good.size(); at += 4) {
        Bytes damaged = good;
        put16(damaged, at, 0xFFFF);
        // The block is copied to its announced size so the damage is the only fault.
        damaged.resize(std::max<size_t>(damaged.size(), damaged[0] | damaged[1] << 8));
        query(damaged, path);
        query(damaged, u"\\StringFileInfo\\080904b0\\Missing");
        query(damaged, u"\\VarFileInfo\\Missing");
    }
    // A value without its NUL: the terminator of the last string overwritten.
    const std::u16string value = u"1.2.3.4";
    const auto* valueBytes = reinterpret_cast<const unsigned char*>(value.data());
    auto found = std::search(good.begin(), good.end(), valueBytes, valueBytes + value.size() * 2);
    ASSERT_NE(found, good.end());
    Bytes unterminated = good;
    put16(unterminated, static_cast<size_t>(found - good.begin()) + value.size() * 2, u'!');
    EXPECT_EQ(query(unterminated, path), u"<none>");
}
