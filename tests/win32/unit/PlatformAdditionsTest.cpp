// The Windows side of what the core needs beyond the system's own names:
// console device names, the default log file, wide output to a narrow
// standard stream, the library name pattern, and the version record.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "plat/DynamicFn.h"
#include "plat/OsVersion.h"
#include "plat/WinApi.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string contentsOf(FILE* file) {
    std::string text;
    rewind(file);
    for (int c; (c = fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
}

TEST(WindowsDefaults, ConsoleDevicesLogFileAndLibraryPattern) {
    EXPECT_STREQ(consoleInputName(), "CONIN$");
    EXPECT_STREQ(consoleOutputName(), "CONOUT$");
    EXPECT_STREQ(defaultLogFileName(), "C:\\temp\\quorlex.log");
    EXPECT_STREQ(plat::singleNamePatterns[0], "%s.dll");
    EXPECT_EQ(plat::singleNamePatterns[1], nullptr);
    EXPECT_EQ(plat::alternativePatterns[0], nullptr);
}

TEST(WideText, ReachesANarrowStreamAsUtf8AndLeavesItUsableForNarrowOutput) {
    // Binary mode: the bytes written are the bytes read back.
    File file(tmpfile());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(writeWideText(file.get(), WIDE("Copyright \u00A9 2026 \u20AC\n")), 22);
    EXPECT_GE(fputs("narrow after wide\n", file.get()), 0);
    EXPECT_EQ(contentsOf(file.get()), "Copyright \xC2\xA9 2026 \xE2\x82\xAC\nnarrow after wide\n");
    EXPECT_EQ(writeWideText(nullptr, WIDE("x")), -1);
    EXPECT_EQ(writeWideText(file.get(), nullptr), -1);
}

TEST(SystemVersionRecord, ComesFromTheSystemAsAnNtFamilyVersion) {
    const OSVERSIONINFOW& info = plat::osVersion.info;
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof(OSVERSIONINFOW));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_GE(info.dwMajorVersion, 5u);
    EXPECT_TRUE(plat::osVersion.isWinNT);
    EXPECT_FALSE(plat::osVersion.isWin9x);
    EXPECT_FALSE(plat::osVersion.isNT4BeforeSP3);
}

}  // namespace
