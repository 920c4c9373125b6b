// The operating-system version record: the three family flags derived from
// the platform id, the major version and the exact service-pack text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plat/OsVersion.h"

namespace {

// "NT 9x NT4<SP3" as 0/1 flags, for a record filled in by hand.
std::string flags(DWORD platformId, DWORD major, const std::u16string& servicePack) {
    plat::OsVersion record = plat::osVersion;
    std::memset(&record.info, 0, sizeof record.info);
    record.info.dwPlatformId = platformId;
    record.info.dwMajorVersion = major;
    record.info.dwBuildNumber = 1381;
    servicePack.copy(record.info.szCSDVersion, 127);
    record.deriveFlags();
    return std::to_string(record.isWinNT) + std::to_string(record.isWin9x) +
           std::to_string(record.isNT4BeforeSP3);
}

TEST(OsVersionFlags, NT4WithoutOrBeforeServicePack3IsFlagged) {
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 4, u""), "101");
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 4, u"Service Pack 1"), "101");
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 4, u"Service Pack 2"), "101");
}

TEST(OsVersionFlags, NT4FromServicePack3OrWithOtherWordingIsNotFlagged) {
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 4, u"Service Pack 3"), "100");
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 4, u"service pack 1"), "100");
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 4, u"Service Pack 1a"), "100");
}

TEST(OsVersionFlags, OtherPlatformsAndVersionsSetOnlyTheirFamilyFlag) {
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_NT, 5, u""), "100");
    EXPECT_EQ(flags(VER_PLATFORM_WIN32_WINDOWS, 4, u""), "010");
    EXPECT_EQ(flags(0, 4, u""), "000");
}

TEST(OsVersionFlags, AnUnterminatedServicePackFieldIsReadOnlyWithinItsSize) {
    plat::OsVersion record = plat::osVersion;
    record.info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    record.info.dwMajorVersion = 4;
    for (WCHAR& unit : record.info.szCSDVersion) unit = u'S';
    record.deriveFlags();
    EXPECT_FALSE(record.isNT4BeforeSP3);
}

TEST(SystemVersionRecord, ComesFromTheKernelReleaseWithPlatformIdZero) {
    const OSVERSIONINFOW& info = plat::osVersion.info;
    EXPECT_EQ(info.dwOSVersionInfoSize, 276u);
    EXPECT_EQ(info.dwPlatformId, 0u);
    EXPECT_GT(info.dwMajorVersion, 0u);
    EXPECT_EQ(info.szCSDVersion[0], 0);

    OSVERSIONINFOW wrongSize{};
    wrongSize.dwOSVersionInfoSize = 148;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExW(&wrongSize));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
