// Printing through the sandbox's CUPS scheduler onto its IPP printer: what
// the printer receives is checked in the documents it kept.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

using sandbox::expectPrinted;
using sandbox::PageSize;
using sandbox::printedDocument;
using sandbox::printPdf;
using sandbox::sameSizes;
using sandbox::uniqueTitle;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

TEST(CupsPrinting, EachPageReachesThePrinterOnItsOwnPaperWhereLpUsesOneForAll) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();

    const std::string title = uniqueTitle("mixed");
    expectPrinted(printPdf(kMixedPdf, env->ippQueue, title));
    const std::string document = printedDocument(title);
    ASSERT_FALSE(document.empty());
    // A4, A4 landscape turned onto portrait A4, US Letter, A5.
    const std::vector<PageSize> quorlexPages = sandbox::pageSizes(document);
    EXPECT_TRUE(sameSizes(quorlexPages,
                          {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}));
    // One job for the whole document.
    int jobsOfTitle = 0;
    for (const auto& job : sandbox::finishedPrinterJobs()) jobsOfTitle += job.name == title;
    EXPECT_EQ(jobsOfTitle, 1);

    // For contrast: lp lets the scheduler fit every page onto the job's one
    // paper, so the pages' own sizes are lost.
    const std::string lpTitle = uniqueTitle("lp-mixed");
    const RunResult lp = sandbox::shell("lp -d " + env->ippQueue + " -t '" + lpTitle + "' '" +
                                        kMixedPdf + "'");
    ASSERT_EQ(lp.exitCode, 0) << lp.err;
    const std::string lpDocument = printedDocument(lpTitle);
    ASSERT_FALSE(lpDocument.empty());
    const std::vector<PageSize> lpPages = sandbox::pageSizes(lpDocument);
    ASSERT_EQ(lpPages.size(), 4u);
    std::set<std::pair<long, long>> lpDistinct;
    for (const PageSize& page : lpPages)
        lpDistinct.insert({std::lround(page.width), std::lround(page.height)});
    EXPECT_EQ(lpDistinct.size(), 1u);
    EXPECT_FALSE(sameSizes(lpPages, quorlexPages));
}

TEST(CupsPrinting, APackagedPpdQueueGivesEachPageThePpdsPaper) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = uniqueTitle("ppd");
    expectPrinted(printPdf(kMixedPdf, env->ppdQueue, title));
    const std::string document = printedDocument(title);
    ASSERT_FALSE(document.empty());
    // The PPD's sizes are whole points (A4 595 x 842, A5 420 x 595).
    EXPECT_TRUE(sameSizes(sandbox::pageSizes(document),
                          {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}, 2.0));
}

// Where the black frame along the page's edges lands on the printed A4
// sheet: the printer keeps 4 mm at the sides and 6 mm at top and bottom
// (11.3 and 17 points) unprintable.
struct FramePlacement {
    bool blackInsideLeftEdge = false;    // just inside the printable area
    bool blackInsideTopEdge = false;
    bool whiteInLeftMargin = false;
    bool whiteInTopMargin = false;
};

FramePlacement placeFrame(const std::string& document) {
    const sandbox::GrayImage page = sandbox::renderPage(document, 1, 72);
    FramePlacement placement;
    if (page.width < 500 || page.height < 800) {
        ADD_FAILURE() << "page not rendered: " << page.width << "x" << page.height;
        return placement;
    }
    const int middleX = page.width / 2, middleY = page.height / 3;
    placement.blackInsideLeftEdge = page.at(14, middleY) < 64;
    placement.blackInsideTopEdge = page.at(middleX, 20) < 64;
    placement.whiteInLeftMargin = page.at(5, middleY) > 192;
    placement.whiteInTopMargin = page.at(middleX, 8) > 192;
    return placement;
}

TEST(CupsPrinting, ScaleFitsTheWholePageIntoThePrintableAreaThePrinterReports) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string pdf = makeTempDir("scale") + "/frame.pdf";
    sandbox::writePdf(pdf, {sandbox::kA4}, sandbox::PageContent::Frame);

    const std::string scaledTitle = uniqueTitle("scaled");
    expectPrinted(printPdf(pdf, env->ippQueue, scaledTitle, {"-scale"}));
    const std::string scaled = printedDocument(scaledTitle);
    ASSERT_FALSE(scaled.empty());
    const FramePlacement fitted = placeFrame(scaled);
    EXPECT_TRUE(fitted.blackInsideLeftEdge);
    EXPECT_TRUE(fitted.blackInsideTopEdge);
    EXPECT_TRUE(fitted.whiteInLeftMargin);
    EXPECT_TRUE(fitted.whiteInTopMargin);

    // At true size the 8-point frame lies in the unprintable margins: cut off.
    const std::string trueTitle = uniqueTitle("true-size");
    expectPrinted(printPdf(pdf, env->ippQueue, trueTitle));
    const std::string trueSize = printedDocument(trueTitle);
    ASSERT_FALSE(trueSize.empty());
    const FramePlacement cut = placeFrame(trueSize);
    EXPECT_FALSE(cut.blackInsideLeftEdge);
    EXPECT_FALSE(cut.blackInsideTopEdge);
    EXPECT_TRUE(cut.whiteInLeftMargin);
    EXPECT_TRUE(cut.whiteInTopMargin);
}

TEST(CupsPrinting, AnLpoptionsInstanceSuppliesTheDefaultPaper) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    // A page no paper fits stays on the default paper: A4 for the queue,
    // US Letter for the instance "letter" a user defined in ~/.cups/lpoptions.
    const std::string home = makeTempDir("home");
    const std::string cupsFolder = home + "/.cups";
    ASSERT_EQ(sandbox::shell("mkdir -p '" + cupsFolder + "'").exitCode, 0);
    std::ofstream(cupsFolder + "/lpoptions")
        << "Dest " << env->ippQueue << "/letter media=na_letter_8.5x11in\n";
    const std::string pdf = home + "/square.pdf";
    sandbox::writePdf(pdf, {{300, 300}}, sandbox::PageContent::Label);

    RunOptions options = sandbox::unattended();
    options.env["HOME"] = home;
    const std::string instanceTitle = uniqueTitle("instance");
    expectPrinted(printPdf(pdf, env->ippQueue + "/letter", instanceTitle, {}, options));
    const std::string queueTitle = uniqueTitle("queue-default");
    expectPrinted(printPdf(pdf, env->ippQueue, queueTitle, {}, options));

    const std::string onInstance = printedDocument(instanceTitle);
    const std::string onQueue = printedDocument(queueTitle);
    ASSERT_FALSE(onInstance.empty());
    ASSERT_FALSE(onQueue.empty());
    EXPECT_TRUE(sameSizes(sandbox::pageSizes(onInstance), {sandbox::kLetter}));
    EXPECT_TRUE(sameSizes(sandbox::pageSizes(onQueue), {sandbox::kA4}));
}

}  // namespace
}  // namespace itest
