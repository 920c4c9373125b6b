// A printer named by its ipp:// URI, printed to with no scheduler at all:
// what the printer itself says decides the papers, margins and trays, the
// job and its controls arrive at the printer, and a printer that is not
// there or takes no PDF gets nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// A run that could reach no scheduler: the one it names does not exist.
RunOptions withoutScheduler() {
    RunOptions options = sandbox::unattended();
    options.env["CUPS_SERVER"] = makeTempDir("no-scheduler") + "/cups.sock";
    return options;
}

std::vector<std::string> planLines(const std::string& out, const std::string& kind) {
    std::vector<std::string> lines;
    std::istringstream text(out);
    for (std::string line; std::getline(text, line);)
        if (line.rfind(kind + "\t", 0) == 0) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(PrinterByUri, PrintsStraightToThePrinterWithItsOwnPapersAndControlsAndNoScheduler) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();

    // The plan: the printer's five papers with its 4 and 6 mm margins, its trays.
    const RunResult plan = sandbox::printPdf(kMixedPdf, env->ippUri, "plan", {"DryRun=yes"}, withoutScheduler());
    sandbox::expectPrinted(plan);
    const auto papers = planLines(plan.out, "paper");
    EXPECT_EQ(papers.size(), 5u) << plan.out;
    EXPECT_TRUE(std::count(papers.begin(), papers.end(), "paper\tA3\t297.0\t420.0\t4.0\t6.0\t4.0\t6.0")) << plan.out;
    EXPECT_EQ(planLines(plan.out, "tray").size(), 4u) << plan.out;

    const std::string title = sandbox::uniqueTitle("by URI");
    const RunResult result = sandbox::printPdf(
        kMixedPdf, env->ippUri, title,
        {"ExitCode=result", "Wait=60", "Copies=2", "Duplex=long", "Tray=tray-2", "Color=mono"}, withoutScheduler());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::printedDocument(title)),
                                   {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}));
    const std::string attributes = sandbox::jobAttributes(title);
    for (const char* line : {"IPP_COPIES=2\n", "IPP_SIDES=two-sided-long-edge\n", "IPP_MEDIA_COL={media-source=tray-2}\n",
                             "IPP_PRINT_COLOR_MODE=monochrome\n", "IPP_DOCUMENT_FORMAT_SUPPLIED=application/pdf\n"})
        EXPECT_TRUE(holds(attributes, line)) << line << attributes;
}

TEST(PrinterByUri, APrinterWithoutCreateJobGetsTheWholeJobInOnePrintJobAndWaitFollowsIt) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string log = env->folder + "/log/ippeveprinter-b.log";
    const auto count = [&log](const std::string& what) { return countOf(readFile(log), what); };
    const int printJobsBefore = count("Print-Job successful-ok"), createJobsBefore = count("Create-Job");
    const std::string title = sandbox::uniqueTitle("Print-Job");
    const RunResult result = sandbox::printPdf(kMixedPdf, env->oldPrinterUri, title,
                                               {"ExitCode=result", "Wait=60", "Copies=2"}, withoutScheduler());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(count("Print-Job successful-ok"), printJobsBefore + 1);
    EXPECT_EQ(count("Create-Job"), createJobsBefore);
    const auto job = sandbox::waitForPrinterJob(title, 10, env->ippBUri);
    ASSERT_TRUE(job.has_value());
    EXPECT_EQ(job->state, sandbox::JobState::Completed);
}

TEST(PrinterByUri, AnIppsUriPrintsOverTls) {
    QUORLEX_REQUIRE_SANDBOX();
    std::string uri = sandbox::environment()->ippUri;
    uri.insert(3, "s");
    const std::string title = sandbox::uniqueTitle("over TLS");
    sandbox::expectPrinted(sandbox::printPdf(kMixedPdf, uri, title, {}, withoutScheduler()));
    EXPECT_TRUE(sandbox::waitForPrinterJob(title).has_value());
}

TEST(PrinterByUri, APrinterNobodyAnswersAtOrThatTakesNoPdfGetsNothing) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const RunResult absent =
        sandbox::printPdf(kMixedPdf, "ipp://127.0.0.1:1/ipp/print", "absent", {"ExitCode=result"}, withoutScheduler());
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_TRUE(holds(unwrapped(absent.err), "No printer answers at ipp://127.0.0.1:1/ipp/print")) << absent.err;

    const RunResult raster =
        sandbox::printPdf(kMixedPdf, env->rasterUri, "raster", {"ExitCode=result"}, withoutScheduler());
    EXPECT_EQ(raster.exitCode, 1);
    EXPECT_TRUE(holds(unwrapped(raster.err), "does not take PDF: it takes")) << raster.err;
    EXPECT_TRUE(holds(unwrapped(raster.err), "image/pwg-raster")) << raster.err;
    EXPECT_TRUE(sandbox::finishedPrinterJobs(env->rasterUri).empty());
    std::error_code ignored;
    EXPECT_TRUE(std::filesystem::is_empty(env->folder + "/raster-spool", ignored));
}

}  // namespace itest
