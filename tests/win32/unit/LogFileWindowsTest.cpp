// The file target on Windows: the first message of a run moves the previous
// log to "<name>.bak" even when an older backup is in the way (rename does
// not replace files there), the log is a text file with CRLF lines, and a
// name beyond ASCII is the file's name on disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <string>

#include "plat/LogTargets.h"
#include "unit/support/LogFileSupport.h"

namespace fs = std::filesystem;

namespace {

using testsupport::readFile;

class LogFileOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        _putenv("TZ=UTC0");
        _tzset();
        plat::Logger_File::clock = &testsupport::testClock;
        dir = fs::temp_directory_path() /
              ("quorlex-logfile-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        plat::Logger_File::clock = &::time;
        _putenv("TZ=");
        _tzset();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
};

TEST_F(LogFileOnWindows, FirstMessageReplacesTheOldBackupAndWritesCrlfLines) {
    const fs::path log = dir / "q.log", backup = dir / "q.log.bak";
    std::ofstream(log) << "previous";
    std::ofstream(backup) << "older";
    plat::Logger_File target("test");
    target.setFileName(log.string().c_str());
    target.write(0, "main", "first");
    target.setFileName(nullptr);   // closes the file
    EXPECT_EQ(readFile(backup), "previous");
    EXPECT_EQ(readFile(log), "\r\nSun Dec 08 09:05:03 2024\r\n main:        first\r\n");
}

TEST_F(LogFileOnWindows, ALogNamedBeyondAsciiIsWrittenUnderItsOwnNameWithItsBackup) {
    // The program's texts are UTF-8; the files' names on disk are these.
    const fs::path log = dir / fs::path(L"\u0436\u0443\u0440\u043d\u0430\u043b \u65e5\u5fd7 \U0001F4D3.log");
    const fs::path backup = dir / fs::path(L"\u0436\u0443\u0440\u043d\u0430\u043b \u65e5\u5fd7 \U0001F4D3.log.bak");
    std::ofstream(log) << "previous";
    plat::Logger_File target("test");
    const std::u8string utf8 = log.u8string();
    target.setFileName(reinterpret_cast<const char*>(utf8.c_str()));
    target.write(0, "main", "first");
    target.setFileName(nullptr);
    EXPECT_EQ(readFile(backup), "previous");
    EXPECT_EQ(readFile(log), "\r\nSun Dec 08 09:05:03 2024\r\n main:        first\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

}  // namespace
