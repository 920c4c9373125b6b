// Log and LogFile given on the command line: where the driver's messages
// go, what a bad value says, and the log file with its backup.
#include <gtest/gtest.h>

#include <fstream>

#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"
#include "integration/support/ProcessRunner.h"

using namespace itest;

namespace {

const std::string kJobLine = " main:        pdf (a.pdf), printer (P), document(T)\n";

}  // namespace

TEST(LogRouting, LogSettingActsFromItsPlaceOnTheCommandLine) {
    std::string dir = makeTempDir("routing");
    Launch options = Launch().in(dir);
    RunResult before = runQuorlex({"Log=main:stdout:100", "-printpdf", "a.pdf", "P", "T"}, options);
    EXPECT_EQ(before.out.rfind(kBanner, 0), 0u);
    EXPECT_NE(before.out.find(kJobLine), std::string::npos) << before.out;
    EXPECT_EQ(before.err, "");

    RunResult after = runQuorlex({"-printpdf", "a.pdf", "P", "T", "Log=main:stdout:100"}, options);
    EXPECT_EQ(after.out.find("pdf (a.pdf)"), std::string::npos) << after.out;
    // The failure to load a.pdf still comes, on the new route.
    EXPECT_NE(after.out.find("Unable to print document:"), std::string::npos) << after.out;
}

TEST(LogRouting, BadLogValuesAreReportedOnStderrAndStopTheRouting) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Log=main:stderr", "failed to parse log param element:main:stderr\n"},
        {"Log=nobody:stderr:0,main:stderr:100", "No logwriter found: 'nobody'\n"},
        {"Log=*::0", ""},
    };
    for (const auto& [argument, complaint] : cases) {
        RunResult r = runQuorlex({argument}, Launch());
        EXPECT_EQ(r.err, complaint) << argument;
        EXPECT_EQ(r.out, kBanner) << argument;
    }
    // An unknown target silences that writer; later elements still apply.
    RunResult r = runQuorlex({"Log=main:nowhere:100,main:stdout:0"}, Launch());
    EXPECT_EQ(r.err, "No logger found: 'nowhere'\n");
    EXPECT_NE(r.out.find("No PDF file specified"), std::string::npos) << r.out;
}

TEST(LogRouting, LogFileExpandsVariablesAndKeepsOneEarlierGeneration) {
    std::string dir = makeTempDir("logfile");
    std::ofstream(dir + "/run.log") << "previous run\n";
    std::ofstream(dir + "/run.log.bak") << "oldest run\n";
    Launch options = Launch().in(dir).set("QX_LOG_DIR", dir);
    std::vector<std::string> args{"LogFile=${QX_LOG_DIR}/run.log", "Log=main:file:100", "-printpdf", "a.pdf", "P", "T"};

    RunResult first = runQuorlex(args, options);
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(readFile(dir + "/run.log.bak"), "previous run\n");
    std::string firstLog = readFile(dir + "/run.log");
    EXPECT_NE(firstLog.find(kJobLine), std::string::npos) << firstLog;
    EXPECT_NE(firstLog.find(" main:        Unable to print document:"), std::string::npos) << firstLog;

    runQuorlex(args, options);
    EXPECT_EQ(readFile(dir + "/run.log.bak"), firstLog);
}

TEST(LogRouting, UnusableLogFileNamesAreReportedOrDroppedAndTheRunGoesOn) {
    RunResult undefined = runQuorlex({"LogFile=$QX_UNDEFINED_VARIABLE/x.log"}, Launch().unset("QX_UNDEFINED_VARIABLE"));
    EXPECT_NE(undefined.err.find(" main:        unknown environment variable: QX_UNDEFINED_VARIABLE\n"),
              std::string::npos) << undefined.err;
    EXPECT_NE(undefined.err.find("No PDF file specified"), std::string::npos) << undefined.err;

    // A log that cannot be opened is said once, on standard error, whatever
    // the routing; its messages are dropped and the run goes on.
    std::string dir = makeTempDir("nofolder");
    RunResult missingFolder = runQuorlex({"LogFile=" + dir + "/missing/x.log", "Log=main:file:100"}, Launch());
    EXPECT_EQ(missingFolder.exitCode, 1);
    const std::string said = "Unable to open log file " + dir + "/missing/x.log: ";
    const std::string err = unwrapped(missingFolder.err);
    ASSERT_NE(err.find(said), std::string::npos) << missingFolder.err;
    EXPECT_EQ(err.find(said, err.find(said) + 1), std::string::npos) << "said once";
    EXPECT_FALSE(fileExists(dir + "/missing"));
}
