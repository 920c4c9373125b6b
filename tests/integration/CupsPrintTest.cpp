// Printing through the sandbox's CUPS scheduler onto its IPP printer: what
// the printer receives is checked in the documents it kept.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <ios>
#include <ostream>
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

// A run printed under a title of its own, and the document the printer
// kept for it (empty, with a test failure, when it kept none).
struct Printout {
    std::string title;
    std::string document;
};

Printout printOut(const std::string& pdf, const std::string& queue, const std::string& what,
                  const std::vector<std::string>& extra = {}) {
    Printout printout{uniqueTitle(what), ""};
    expectPrinted(printPdf(pdf, queue, printout.title, extra));
    printout.document = printedDocument(printout.title);
    return printout;
}

TEST(CupsPrinting, EachPageReachesThePrinterOnItsOwnPaperWhereLpUsesOneForAll) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();

    const Printout mixed = printOut(kMixedPdf, env->ippQueue, "mixed");
    ASSERT_FALSE(mixed.document.empty());
    // A4, A4 landscape turned onto portrait A4, US Letter, A5.
    const std::vector<PageSize> quorlexPages = sandbox::pageSizes(mixed.document);
    EXPECT_TRUE(sameSizes(quorlexPages,
                          {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}));
    // One job for the whole document.
    int jobsOfTitle = 0;
    for (const auto& job : sandbox::finishedPrinterJobs()) jobsOfTitle += job.name == mixed.title;
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
    const Printout ppd = printOut(kMixedPdf, sandbox::environment()->ppdQueue, "ppd");
    ASSERT_FALSE(ppd.document.empty());
    // The PPD's sizes are whole points (A4 595 x 842, A5 420 x 595).
    EXPECT_TRUE(sameSizes(sandbox::pageSizes(ppd.document),
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
    bool operator==(const FramePlacement&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FramePlacement& placement) {
    return out << std::boolalpha << "black inside the left edge " << placement.blackInsideLeftEdge
               << ", inside the top edge " << placement.blackInsideTopEdge << "; white in the left margin "
               << placement.whiteInLeftMargin << ", in the top margin " << placement.whiteInTopMargin;
}

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

    const Printout scaled = printOut(pdf, env->ippQueue, "scaled", {"-scale"});
    ASSERT_FALSE(scaled.document.empty());
    EXPECT_EQ(placeFrame(scaled.document), (FramePlacement{.blackInsideLeftEdge = true,
                                                           .blackInsideTopEdge = true,
                                                           .whiteInLeftMargin = true,
                                                           .whiteInTopMargin = true}));

    // At true size the 8-point frame lies in the unprintable margins: cut off.
    const Printout trueSize = printOut(pdf, env->ippQueue, "true-size");
    ASSERT_FALSE(trueSize.document.empty());
    EXPECT_EQ(placeFrame(trueSize.document), (FramePlacement{.blackInsideLeftEdge = false,
                                                             .blackInsideTopEdge = false,
                                                             .whiteInLeftMargin = true,
                                                             .whiteInTopMargin = true}));
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
