// The command line as a user gives it: option spelling, operands, the
// checks before printing, the exit code and the closing prompt.
#include <gtest/gtest.h>

#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"

using namespace itest;

namespace {

bool isPdf(const std::string& path) {
    return readFile(path).rfind("%PDF-", 0) == 0;
}

}  // namespace

TEST(CommandLine, NoArgumentsReportsTheMissingPdfAndPromptsOnlyWithStandardInput) {
    RunResult r = runQuorlex({}, Launch());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kBanner);
    EXPECT_TRUE(isStampedLog(r.err, " main:        Unable to print document: No PDF file specified\n")) << r.err;
    EXPECT_EQ(runQuorlex({}, Launch().devNull()).out, kBanner + kPrompt);
    EXPECT_EQ(runQuorlex({}, Launch().pipe("\n")).out, kBanner + kPrompt);
}

TEST(CommandLine, APipeLeftOpenOnStandardInputHoldsNeitherThePrintNorTheUsageText) {
    // Job runners and Node's execFile hand over a pipe they never close:
    // the prompts are written as always, and nothing waits for a key.
    const std::string dir = makeTempDir("held-pipe");
    const RunResult printed =
        runQuorlex({"-printpdf", kSamplePdf, "file:" + dir + "/out.pdf", "T"}, Launch().heldPipe().timeout(30));
    EXPECT_FALSE(printed.timedOut);
    EXPECT_EQ(printed.out, kBanner + kPrompt);
    EXPECT_TRUE(isPdf(dir + "/out.pdf"));
    const RunResult usage = runQuorlex({"-help"}, Launch().heldPipe().timeout(30));
    EXPECT_FALSE(usage.timedOut);
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_TRUE(usage.out.ends_with(kPrompt + kPrompt)) << usage.out;
}

TEST(CommandLine, OptionsIgnoreCaseLaterPrintPdfWinsAndSuccessStillExitsOne) {
    std::string dir = makeTempDir("options");
    RunResult r = runQuorlex({"-printini", "job.ini", "-dontclean", "NoSuchParameter=1", "-PrintPDF", "missing.pdf",
                              "file:" + dir + "/first.pdf", "T", "-PRINTPDF", kSamplePdf, "file:" + dir + "/second.pdf",
                              "U", "-Scale"},
                             Launch());
    EXPECT_EQ(r.exitCode, 1);
    // -printini, its operand and -dontclean stay silent; a setting of no
    // parameter is ignored with a warning.
    const std::string log = unwrapped(r.err);
    EXPECT_NE(log.find(" main:        Ignoring NoSuchParameter=1: there is no parameter NoSuchParameter; "
                       "the parameters are Collate, Color, Copies, "),
              std::string::npos)
        << r.err;
    for (const char* silent : {"printini", "job.ini", "dontclean"})
        EXPECT_EQ(log.find(silent), std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(dir + "/first.pdf"));
    EXPECT_TRUE(isPdf(dir + "/second.pdf"));

    // A caller that asks for the outcome in the exit code gets nothing
    // printed for a misspelt setting, wherever it stands.
    const RunResult refused = runQuorlex(
        {"-printpdf", kSamplePdf, "file:" + dir + "/third.pdf", "T", "Copeis=2", "ExitCode=result"}, Launch());
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(unwrapped(refused.err).find("Unable to print document: Copeis=2 is not accepted: there is no "
                                          "parameter Copeis"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fileExists(dir + "/third.pdf"));
}

TEST(CommandLine, OperandsAreTakenVerbatimEvenWhenTheyLookLikeOptions) {
    std::string dir = makeTempDir("verbatim");
    RunResult r = runQuorlex({"-printpdf", "-scale", "file:" + dir + "/out.pdf", "T"}, Launch().in(dir));
    // "-scale" is the file to print, and there is no such file.
    EXPECT_NE(r.err.find("Unable to print document:"), std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(dir + "/out.pdf"));
}

TEST(CommandLine, ShortPrintPdfWithoutTerminalLogsTheConsoleFailureAndGoesOn) {
    RunResult noPrinter = runQuorlex({"-printpdf", "a.pdf"}, Launch());
    EXPECT_EQ(noPrinter.out, kBanner);
    EXPECT_NE(noPrinter.err.find(" main:        AllocConsole: No such device or address (6)\n"), std::string::npos)
        << noPrinter.err;
    EXPECT_NE(noPrinter.err.find("Unable to print document: No printer name specified\n"), std::string::npos)
        << noPrinter.err;

    // Only the title missing: the job runs without one.
    std::string dir = makeTempDir("untitled");
    RunResult untitled = runQuorlex({"-printpdf", kSamplePdf, "file:" + dir + "/out.pdf"}, Launch());
    EXPECT_EQ(untitled.err.find("Unable to print document"), std::string::npos) << untitled.err;
    EXPECT_TRUE(isPdf(dir + "/out.pdf"));
}
