// The exact bytes the file and stream targets write: time stamps, the name
// column and wrapping; and how the file target opens, rotates and renames.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/JobSettings.h"
#include "plat/Exception.h"
#include "plat/LogTargets.h"
#include "posix/winapi/LastError.h"
#include "posix/winapi/LogFiles.h"
#include "support/LogFileSupport.h"
#include "support/LogTestSupport.h"

namespace fs = std::filesystem;

namespace {

using testsupport::kSunday8Dec2024;
using testsupport::readFile;

const std::string kStamp = "\nSun Dec 08 09:05:03 2024\n";
const std::string kMainColumn = " main:       ";   // 13 characters
const std::string kBlankColumn(13, ' ');

class LogTargetTest : public ::testing::Test {
protected:
    testsupport::SavedLogState saved;
    std::string savedTz = getenv("TZ") != nullptr ? getenv("TZ") : "";
    bool hadTz = getenv("TZ") != nullptr;
    fs::path dir;

    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        testsupport::testNow = kSunday8Dec2024;
        plat::Logger_File::clock = &testsupport::testClock;
        char pattern[] = "/tmp/quorlex-logtarget-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (hadTz) setenv("TZ", savedTz.c_str(), 1); else unsetenv("TZ");
        tzset();
        fs::remove_all(dir);
    }
};

// A stream target over a temporary file, read back whole.
struct StreamTarget {
    plat::Logger_File target{"test"};
    FILE* file = tmpfile();
    StreamTarget() { target.setStream(file); }
    ~StreamTarget() { fclose(file); }
    std::string written() {
        std::string out;
        rewind(file);
        for (int c; (c = fgetc(file)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }
};

TEST_F(LogTargetTest, TimeStampHasTwoDigitDayInLocalTime) {
    char stamp[32];
    plat::formatTimeStamp(kSunday8Dec2024, stamp);
    EXPECT_STREQ(stamp, "Sun Dec 08 09:05:03 2024\n");
    plat::formatTimeStamp(0, stamp);
    EXPECT_STREQ(stamp, "Thu Jan 01 00:00:00 1970\n");
}

TEST_F(LogTargetTest, MessageLinesUseTheNameColumnAndOneBlankPerWord) {
    const std::string longWord(100, 'x');
    struct Case {
        const char* writer;
        std::string text, lines;
    } cases[] = {
        {"main", "one two three four five", kMainColumn + " one two three four five\n"},
        {"ABCDEFGHIJKLMNO", "x", " ABCDEFGHIJK: x\n"},
        {"main", "", kMainColumn + " \n"},
        {"main", "a ", kMainColumn + " a \n"},
        {"main", "a  b", kMainColumn + " a  b\n"},
        {"main", "tab\there\nnl", kMainColumn + " tab\there\nnl\n"},
        {"main", "ab " + longWord + " cd",
         kMainColumn + " ab\n" + kBlankColumn + " " + longWord + "\n" + kBlankColumn + " cd\n"},
        {"main", longWord, kMainColumn + " " + longWord + "\n"},
    };
    for (const Case& c : cases) {
        StreamTarget out;
        out.target.write(plat::LevelError, c.writer, c.text.c_str());
        EXPECT_EQ(out.written(), kStamp + c.lines) << c.text;
    }
}

TEST_F(LogTargetTest, LongTextFillsLinesToExactlySeventyNineColumns) {
    std::string text, expected = kMainColumn;
    for (int i = 0; i < 20; ++i) {
        std::string word = "word" + std::to_string(100000 + i);   // 10 characters
        text += (i ? " " : "") + word;
        if (i > 0 && i % 6 == 0) expected += "\n" + kBlankColumn;   // 13 + 6 * 11 is exactly 79
        expected += " " + word;
    }
    StreamTarget out;
    out.target.write(plat::LevelInfo, "main", text.c_str());
    EXPECT_EQ(out.written(), kStamp + expected + "\n");
}

TEST_F(LogTargetTest, StampsOncePerSecondWithABlankLineBefore) {
    StreamTarget out;
    out.target.write(0, "main", "a");
    out.target.write(0, "main", "b");
    testsupport::testNow += 1;
    out.target.write(0, "main", "c");
    EXPECT_EQ(out.written(), kStamp + kMainColumn + " a\n" + kMainColumn + " b\n" +
                                 "\nSun Dec 08 09:05:04 2024\n" + kMainColumn + " c\n");
}

TEST_F(LogTargetTest, FirstMessageMovesTheLogToBackupAndStartsAFreshFile) {
    const fs::path log = dir / "q.log", backup = dir / "q.log.bak";
    std::ofstream(log) << "previous";
    std::ofstream(backup) << "older";
    plat::Logger_File target("test");
    target.setFileName(log.c_str());
    EXPECT_EQ(readFile(log), "previous") << "nothing is touched before a message";
    target.write(0, "main", "first");
    EXPECT_EQ(readFile(backup), "previous");
    EXPECT_EQ(readFile(log), kStamp + kMainColumn + " first\n");

    // The same name again closes the file; the next message rotates once more
    // and the new file begins with its own time stamp.
    target.setFileName(log.c_str());
    target.write(0, "main", "second");
    EXPECT_EQ(readFile(backup), kStamp + kMainColumn + " first\n");
    EXPECT_EQ(readFile(log), kStamp + kMainColumn + " second\n");
}

TEST_F(LogTargetTest, UnopenableOrMissingNameDropsMessagesAndKeepsTheBackup) {
    plat::Logger_File unnamed("test");
    unnamed.write(0, "main", "dropped");

    const fs::path backup = dir / "gone.log.bak";
    std::ofstream(backup) << "kept";
    plat::Logger_File target("test");
    target.setFileName((dir / "no" / "such" / "x.log").c_str());
    target.write(0, "main", "dropped");
    target.setFileName((dir / "gone.log").c_str());
    target.write(0, "main", "new");
    EXPECT_EQ(readFile(backup), "kept") << "no log file, so the backup stays";
    EXPECT_EQ(readFile(dir / "gone.log"), kStamp + kMainColumn + " new\n");
}

TEST_F(LogTargetTest, NameOfADirectoryIsNeverRenamed) {
    fs::create_directory(dir / "sub");
    plat::Logger_File target("test");
    target.setFileName((dir / "sub").c_str());
    target.write(0, "main", "dropped");
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
    EXPECT_FALSE(fs::exists(dir / "sub.bak"));
}

TEST_F(LogTargetTest, TheLogIsTheUsersAloneAndNeverWrittenThroughALink) {
    // A fresh log is readable by its user alone.
    plat::Logger_File target("test");
    target.setFileName((dir / "own.log").c_str());
    target.write(0, "main", "mine");
    EXPECT_EQ(fs::status(dir / "own.log").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // A link planted at the log's name, or at its backup's, leads nowhere:
    // what it points to stays as it was.
    std::ofstream(dir / "precious") << "keep me";
    fs::create_symlink(dir / "precious", dir / "planted.log");
    target.setFileName((dir / "planted.log").c_str());
    target.write(0, "main", "dropped");
    EXPECT_EQ(readFile(dir / "precious"), "keep me");
    EXPECT_TRUE(fs::is_symlink(dir / "planted.log"));
    fs::create_symlink(dir / "precious", dir / "own.log.bak");
    target.setFileName((dir / "own.log").c_str());
    target.write(0, "main", "again");
    EXPECT_EQ(readFile(dir / "precious"), "keep me");
    EXPECT_EQ(readFile(dir / "own.log.bak"), kStamp + kMainColumn + " mine\n");
}

TEST_F(LogTargetTest, TheDefaultLogIsPerUserNeverInTheSharedTemporaryFolder) {
    const auto saved = [](const char* name) {
        const char* value = getenv(name);
        return std::make_pair(value != nullptr, std::string(value ? value : ""));
    };
    const auto xdg = saved("XDG_STATE_HOME"), home = saved("HOME"), tmp = saved("TMPDIR");
    setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    EXPECT_EQ(posix::perUserLogFileName(), (dir / "state/quorlex/quorlex.log").string());
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(posix::perUserLogFileName(), (dir / "home/.local/state/quorlex/quorlex.log").string());
    unsetenv("HOME");
    setenv("TMPDIR", dir.c_str(), 1);
    const std::string own = (dir / ("quorlex-" + std::to_string(getuid()))).string();
    EXPECT_EQ(posix::perUserLogFileName(), own + "/quorlex.log");
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms::owner_all);
    // A folder of that name that others may write to is not the user's own.
    fs::permissions(own, fs::perms::all);
    const std::string fresh = posix::perUserLogFileName();
    EXPECT_NE(fresh, own + "/quorlex.log");
    EXPECT_EQ(fresh.rfind(own + "-", 0), 0u) << fresh;
    for (const auto& [name, value] : {std::make_pair("XDG_STATE_HOME", xdg), std::make_pair("HOME", home),
                                      std::make_pair("TMPDIR", tmp)}) {
        if (value.first) setenv(name, value.second.c_str(), 1); else unsetenv(name);
    }
}

TEST_F(LogTargetTest, TheDefaultLogsFoldersAreTheUsersOwnAndNeverLinks) {
    const auto below = [](const fs::path& base) {
        return posix::LogLocation{base.string(), {".local", "state", "quorlex"}};
    };
    // Missing folders are made, for the user alone.
    fs::create_directory(dir / "home");
    FILE* log = posix::openPerUserLog(below(dir / "home"));
    ASSERT_NE(log, nullptr) << posix::lastErrorMessage();
    fclose(log);
    EXPECT_TRUE(fs::is_regular_file(dir / "home/.local/state/quorlex/quorlex.log"));
    EXPECT_EQ(fs::status(dir / "home/.local").permissions() & fs::perms::all, fs::perms::owner_all);

    // A link planted for one of the folders leads nowhere: where it points
    // stays empty, and the reason names the folder.
    fs::create_directories(dir / "planted/.local");
    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "planted/.local/state");
    EXPECT_EQ(posix::openPerUserLog(below(dir / "planted")), nullptr);
    EXPECT_EQ(posix::lastErrorMessage(), "the folder " + (dir / "planted/.local/state").string() +
                                             " is a symbolic link");
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));

    // Run by root with another user's home, nothing is made or written there.
    if (geteuid() != 0) return;
    fs::create_directory(dir / "other");
    ASSERT_EQ(chown((dir / "other").c_str(), 65534, 65534), 0);
    EXPECT_EQ(posix::openPerUserLog(below(dir / "other")), nullptr);
    EXPECT_EQ(posix::lastErrorMessage(), "the folder " + (dir / "other").string() + " is not the user's own");
    EXPECT_TRUE(fs::is_empty(dir / "other"));
}

TEST_F(LogTargetTest, AStateFolderThatDoesNotExistYetIsMadeLevelByLevelForTheUserAlone) {
    const char* saved = getenv("XDG_STATE_HOME");
    const std::string previous = saved ? saved : "";
    const auto stateAt = [](const fs::path& state) {
        setenv("XDG_STATE_HOME", state.c_str(), 1);
        return posix::perUserLogLocation();
    };
    // Every missing level, down to the log's own folder, 0700.
    FILE* log = posix::openPerUserLog(stateAt(dir / "new/deeper/state/"));
    ASSERT_NE(log, nullptr) << posix::lastErrorMessage();
    fclose(log);
    EXPECT_TRUE(fs::is_regular_file(dir / "new/deeper/state/quorlex/quorlex.log"));
    for (const char* level : {"new", "new/deeper", "new/deeper/state", "new/deeper/state/quorlex"})
        EXPECT_EQ(fs::status(dir / level).permissions() & fs::perms::all, fs::perms::owner_all) << level;

    // A link where a missing level would go is refused, and what it points
    // to is not made.
    fs::create_directory_symlink(dir / "nowhere", dir / "dangling");
    EXPECT_EQ(posix::openPerUserLog(stateAt(dir / "dangling/state")), nullptr);
    EXPECT_EQ(posix::lastErrorMessage(), "the folder " + (dir / "dangling").string() + " is a symbolic link");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));

    // Run by root, the nearest folder that exists must still be its own.
    if (geteuid() == 0) {
        fs::create_directory(dir / "other");
        ASSERT_EQ(chown((dir / "other").c_str(), 65534, 65534), 0);
        EXPECT_EQ(posix::openPerUserLog(stateAt(dir / "other/state")), nullptr);
        EXPECT_EQ(posix::lastErrorMessage(), "the folder " + (dir / "other").string() + " is not the user's own");
        EXPECT_TRUE(fs::is_empty(dir / "other"));
    }
    if (saved) setenv("XDG_STATE_HOME", previous.c_str(), 1); else unsetenv("XDG_STATE_HOME");
}

TEST_F(LogTargetTest, NamingAStreamTargetLeavesTheBorrowedStreamOpen) {
    StreamTarget out;
    out.target.setFileName((dir / "named.log").c_str());
    out.target.write(0, "main", "to file");
    EXPECT_EQ(readFile(dir / "named.log"), kStamp + kMainColumn + " to file\n");
    out.target.setFileName(nullptr);
    EXPECT_GE(fputs("still open", out.file), 0);
    EXPECT_EQ(out.written(), "still open");
}

TEST_F(LogTargetTest, LogFileSettingExpandsVariablesAndKeepsTheOldNameOnFailure) {
    plat::HeapArray<char> savedValue(logFileParameter.getValueStr());
    setenv("QUORLEX_TEST_LOGDIR", dir.c_str(), 1);
    EXPECT_TRUE(logFileParameter.setParam("${QUORLEX_TEST_LOGDIR}/run.log"));
    EXPECT_EQ(std::string(plat::fileLogger.fileName), dir.string() + "/run.log");
    try {
        logFileParameter.setParam("$QUORLEX_TEST_UNSET_VARIABLE/x.log");
        ADD_FAILURE() << "an undefined variable must be refused";
    } catch (const plat::Exception& e) {
        EXPECT_STREQ(e.message, "unknown environment variable: QUORLEX_TEST_UNSET_VARIABLE");
    }
    EXPECT_EQ(std::string(plat::fileLogger.fileName), dir.string() + "/run.log");
    EXPECT_STREQ(plat::HeapArray<char>(logFileParameter.getValueStr()).get(),
                 "$QUORLEX_TEST_UNSET_VARIABLE/x.log");
    unsetenv("QUORLEX_TEST_LOGDIR");
    logFileParameter.setParam(savedValue.get());
}

}  // namespace
