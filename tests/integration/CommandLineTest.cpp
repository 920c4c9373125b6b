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

TEST(CommandLine, OptionsIgnoreCaseLaterPrintPdfWinsAndSuccessStillExitsOne) {
    std::string dir = makeTempDir("options");
    RunResult r = runQuorlex({"-printini", "job.ini", "-dontclean", "NoSuchParameter=1", "-PrintPDF", "missing.pdf",
                              "file:" + dir + "/first.pdf", "T", "-PRINTPDF", kSamplePdf, "file:" + dir + "/second.pdf",
                              "U", "-Scale"},
                             Launch());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fileExists(dir + "/first.pdf"));
    EXPECT_TRUE(isPdf(dir + "/second.pdf"));
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
