// A printer named by its ipp:// URI, printed to with no scheduler at all:
// what the printer itself says decides the papers, margins and trays, the
// job and its controls arrive at the printer; a printer of raster alone
// gets every page drawn for it, and a printer that is not there or takes
// neither PDF nor raster gets nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"
#include "support/PrinterLanguages.h"

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

TEST(PrinterByUri, APrinterNobodyAnswersAtOrThatTakesNeitherPdfNorRasterGetsNothing) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const RunResult absent =
        sandbox::printPdf(kMixedPdf, "ipp://127.0.0.1:1/ipp/print", "absent", {"ExitCode=result"}, withoutScheduler());
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_TRUE(holds(unwrapped(absent.err), "No printer answers at ipp://127.0.0.1:1/ipp/print")) << absent.err;

    const RunResult jpeg = sandbox::printPdf(kMixedPdf, env->jpegUri, "jpeg", {"ExitCode=result"}, withoutScheduler());
    EXPECT_EQ(jpeg.exitCode, 1);
    EXPECT_TRUE(holds(unwrapped(jpeg.err), "takes neither PDF nor raster it describes: it takes")) << jpeg.err;
    EXPECT_TRUE(holds(unwrapped(jpeg.err), "image/jpeg")) << jpeg.err;
    EXPECT_TRUE(sandbox::finishedPrinterJobs(env->jpegUri).empty());
}

TEST(PrinterByUri, APrinterOfRasterAloneGetsEveryPageDrawnAtItsResolutionOnItsOwnPaper) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    // Two copies (the printer makes none: they are in the raster, each
    // starting on a sheet of its own), grey, on two sides, backs flipped as
    // the printer wants them.
    const std::string red = makeTempDir("raster") + "/red.pdf";
    sandbox::writePdf(red, {sandbox::kA4, sandbox::kA4, sandbox::kA5}, sandbox::PageContent::Colour);
    const std::string title = sandbox::uniqueTitle("raster");
    const RunResult run = sandbox::printPdf(red, env->rasterUri, title,
                                            {"ExitCode=result", "Copies=2", "Duplex=long", "Color=mono", "Wait=60"},
                                            withoutScheduler());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto job = sandbox::waitForPrinterJob(title, 60, env->rasterUri);
    ASSERT_TRUE(job);
    std::string spooled;
    for (const auto& entry : std::filesystem::directory_iterator(env->rasterSpool))
        if (entry.path().extension() == ".pwg" && entry.path().filename().string().rfind(std::to_string(job->id) + "-", 0) == 0)
            spooled = entry.path().string();
    const std::optional<printed::Reading> pages = printed::readCupsRaster(spooled);
    ASSERT_TRUE(pages) << spooled;
    ASSERT_EQ(pages->sheets.size(), 8u) << printed::describe(*pages);
    const std::vector<std::string> papers{"iso_a4_210x297mm", "iso_a4_210x297mm", "iso_a5_148x210mm",
                                          "iso_a5_148x210mm"};
    for (size_t i = 0; i < pages->sheets.size(); ++i) {
        const printed::Sheet& page = pages->sheets[i];
        SCOPED_TRACE("page " + std::to_string(i + 1));
        EXPECT_EQ(page.paper, papers[i % 4]);
        EXPECT_EQ(page.sides, "long-edge");
        EXPECT_EQ(page.color, "gray");
        EXPECT_EQ(page.dpi, 300);
    }
    // The red square stands in the lower half of the page; on a flipped
    // back it comes first, at the top. The fourth page of each copy is the
    // blank back of the third.
    EXPECT_GT(pages->sheets[0].inkTopMm, 100);
    EXPECT_LT(pages->sheets[1].inkTopMm, 20);
    EXPECT_EQ(pages->sheets[3].inkWidthMm, 0);
    const std::string attributes = readFile(env->rasterAttributes + "/" + std::to_string(job->id) + ".env");
    EXPECT_TRUE(holds(attributes, "IPP_SIDES=two-sided-long-edge")) << attributes;
    EXPECT_FALSE(holds(attributes, "IPP_COPIES=")) << attributes;
}

}  // namespace itest
