// The version resource compiled into quorlex.exe, read back through the
// banner's own reader: the nine keys of the "080904b0" table, the fixed
// version numbers and the translation entry; and the failures of a file
// without a resource and of a file that does not exist.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "app/VersionBanner.h"
#include "plat/Exception.h"

namespace {

using ::testing::StartsWith;

constexpr uint32_t kBannerTable = 0x080904B0u;

TEST(ProgramVersionResource, HoldsEveryKeyOfTheUkEnglishUtf16Table) {
    FileVersionInfo info(QUORLEX_PROGRAM);
    const std::string version = QUORLEX_VERSION;
    EXPECT_STREQ(info.getString("ProductName", kBannerTable), "Quorlex");
    EXPECT_STREQ(info.getString("FileDescription", kBannerTable), "Unattended PDF printing");
    EXPECT_EQ(info.getString("FileVersion", kBannerTable), version + ".0");
    EXPECT_STREQ(info.getString("LegalCopyright", kBannerTable),
                 "Copyright (C) 2026 The Quorlex developers");
    EXPECT_STREQ(info.getString("CompanyName", kBannerTable), "The Quorlex developers");
    EXPECT_STREQ(info.getString("InternalName", kBannerTable), "quorlex");
    EXPECT_STREQ(info.getString("OriginalFilename", kBannerTable), "quorlex.exe");
    EXPECT_EQ(info.getString("ProductVersion", kBannerTable), version);
    EXPECT_STREQ(info.getString("LegalTrademarks", kBannerTable), "");
}

TEST(ProgramVersionResource, HasNoOtherTable) {
    FileVersionInfo info(QUORLEX_PROGRAM);
    try {
        info.getString("ProductName", 0x040904B0u);
        FAIL() << "found a US English table";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message, "VerQueryValue failed");
    }
}

TEST(ProgramVersionResource, CarriesTheVersionNumbersAndTheTranslationEntry) {
    FileVersionInfo info(QUORLEX_PROGRAM);
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.block.get(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    const DWORD high = QUORLEX_VERSION_MAJOR << 16 | QUORLEX_VERSION_MINOR;
    const DWORD low = QUORLEX_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    ASSERT_TRUE(VerQueryValueW(info.block.get(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0809);
    EXPECT_EQ(translation[1], 1200);
}

TEST(ProgramVersionResource, AProgramWithoutOneFailsToReadIt) {
    // The test program itself is built without a version resource.
    try {
        FileVersionInfo info(nullptr);
        FAIL() << "read a resource the test program does not have";
    } catch (const plat::SystemException& failure) {
        EXPECT_THAT(failure.message, StartsWith("GetVersionInfoSize failed: "));
        EXPECT_NE(failure.errorCode, 0u);
    }
    try {
        FileVersionInfo info(QUORLEX_TEST_DATA "/no-such-program.exe");
        FAIL() << "read a file that does not exist";
    } catch (const plat::SystemException& failure) {
        EXPECT_THAT(failure.message, StartsWith("Failed to open file: "));
        EXPECT_EQ(failure.errorCode, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    }
}

TEST(ProgramVersionResource, TheModulePathIsTheRunningProgram) {
    plat::NarrowChars path = moduleFileName(nullptr);
    ASSERT_NE(path.get(), nullptr);
    const std::string text = path.get();
    EXPECT_EQ(text.substr(text.size() - 15), "\\unit_tests.exe");
}

}  // namespace
