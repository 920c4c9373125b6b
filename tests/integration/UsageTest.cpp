// The usage text: where each part goes, its exact text, and the console it
// needs.
#include <gtest/gtest.h>

#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"
#include "integration/support/TerminalRunner.h"

using namespace itest;

namespace {

const std::string kUsage =
    "usage: quorlex <options>\n"
    "Command-line options:\n"
    "  -help [all]                          - Provide (advanced) usage information.\n"
    "  -console                             - Run with a console window visible.\n"
    "  -printini iniFilename                - Use print ini file to determine print information\n"
    "  -printpdf pdfFilename printer        - Print pdf file to supplied printername\n"
    "  -dontclean                           - Don't delete the print files when complete\n"
    "\nLog names:\n";
const std::string kWriters =
    "  DynamicFn, Registry, PaperSizes, Printer, Config, Assertion, main, PDFPrintFns\n";
const std::string kDestinations = "\nLog destinations:\n";
const std::string kTargets = "  debug\n  file\n  stdout\n  stderr\n";

RunResult runPiped(const std::vector<std::string>& args) {
    return runQuorlex(args, Launch().pipe("\n\n"));
}

}  // namespace

TEST(Usage, HelpWritesTextToStdoutNamesToStderrAndPromptsTwice) {
    RunResult r = runPiped({"-help"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kBanner + kUsage + kDestinations + kPrompt + kPrompt);
    EXPECT_EQ(r.err, kWriters + kTargets);
}

TEST(Usage, EveryHelpSpellingAndShortPrintPdfGiveTheSameText) {
    RunResult reference = runPiped({"-help"});
    const std::vector<std::vector<std::string>> commandLines = {
        {"-help", "all"}, {"--HELP"}, {"-H"}, {"/?"}, {"-printpdf", "a.pdf"}, {"-printpdf", "a.pdf", "P"}};
    for (const auto& args : commandLines) {
        RunResult r = runPiped(args);
        EXPECT_EQ(r.out, reference.out) << args[0] << " " << args.size();
        EXPECT_EQ(r.err, reference.err) << args[0] << " " << args.size();
    }
}

TEST(Usage, FreshTerminalShowsEverythingInOrderAndAsksTwice) {
    TerminalResult r = runOnTerminal({"-help"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.prompts, 2);
    EXPECT_EQ(r.terminal, kUsage + kWriters + kDestinations + kTargets + kPrompt + kPrompt);
    // The banner is written before the command line is read.
    EXPECT_EQ(r.out, kBanner);
    EXPECT_EQ(r.err, "");
}

TEST(Usage, ConsoleOptionMovesLogAndPromptToTheTerminalOnce) {
    for (const auto& args : {std::vector<std::string>{"-console"}, {"-console", "-CONSOLE"}}) {
        TerminalResult r = runOnTerminal(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.prompts, 1);
        ASSERT_GT(r.terminal.size(), kPrompt.size());
        EXPECT_TRUE(isStampedLog(r.terminal.substr(0, r.terminal.size() - kPrompt.size()),
                                 " main:        Unable to print document: No PDF file specified\n"))
            << r.terminal;
        EXPECT_EQ(r.out, kBanner);
        EXPECT_EQ(r.err, "");
    }
}
