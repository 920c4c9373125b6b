// The Windows side of what the core needs beyond the system's own names:
// console device names, the default log file, wide output to a narrow
// standard stream, the library name pattern, the version record, and
// environment variables in UTF-8.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "plat/DynamicFn.h"
#include "plat/ExpandParameter.h"
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

TEST(WindowsEnvironment, AValueBeyondTheAnsiCodePageExpandsWholeInUtf8) {
    // A user folder in Cyrillic, CJK and an emoji, as LogFile=$QUORLEX_... names it.
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUORLEX_TEST_FOLDER",
                                        L"C:\\Users\\\u0410\u043d\u043d\u0430 \u6587\u66f8 \U0001F600"));
    std::string value;
    ASSERT_TRUE(readEnvironmentVariable("QUORLEX_TEST_FOLDER", value));
    EXPECT_EQ(value, "C:\\Users\\Анна 文書 \xF0\x9F\x98\x80");
    std::unique_ptr<char[]> expanded(plat::expandVariables("${QUORLEX_TEST_FOLDER}\\q.log", {}));
    EXPECT_STREQ(expanded.get(), "C:\\Users\\Анна 文書 \xF0\x9F\x98\x80\\q.log");

    // Longer than a first guess of its size, set to nothing, and not set.
    const std::wstring longValue(1000, L'\u0416');
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUORLEX_TEST_FOLDER", longValue.c_str()));
    ASSERT_TRUE(readEnvironmentVariable("QUORLEX_TEST_FOLDER", value));
    EXPECT_EQ(value.size(), 2000u);
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUORLEX_TEST_FOLDER", L""));
    EXPECT_TRUE(readEnvironmentVariable("QUORLEX_TEST_FOLDER", value));
    EXPECT_EQ(value, "");
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUORLEX_TEST_FOLDER", nullptr));
    EXPECT_FALSE(readEnvironmentVariable("QUORLEX_TEST_FOLDER", value));
}

}  // namespace
