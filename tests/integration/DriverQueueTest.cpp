// Queues with a driver (a PPD) whose PDF goes to the printer as it is: what
// the socket printer behind each receives, byte for byte. The controls must
// arrive as the driver takes them (copies in the document, two sides, tray
// and colour in its job control) while every page keeps its paper; a
// control the driver cannot carry prints nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

using sandbox::PageSize;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// The job control before the PDF, and what follows the PDF.
std::string frameStart(const std::string& received) { return received.substr(0, received.find("%PDF-")); }
std::string frameEnd(const std::string& received) {
    const size_t end = received.rfind("%%EOF");
    return end == std::string::npos ? "" : received.substr(end + 5);
}

}  // namespace

TEST(DriverQueues, CopiesAndSidesReachAPdfPrinterAsItsDriverTakesThemWhilePagesKeepTheirPaper) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const PageSize a4 = sandbox::kA4, letter = sandbox::kLetter, a5 = sandbox::kA5;

    // The Generic PDF Printer wants manual copies and takes two sides and
    // grey in PJL.
    const std::string generic = sandbox::uniqueTitle("generic pdf");
    sandbox::expectPrinted(sandbox::printPdf(kMixedPdf, env->genericPdfQueue, generic,
                                             {"Copies=2", "Duplex=long", "Color=mono"}));
    const std::string received = sandbox::socketPrinterReceived(env->genericPdfSpool, generic);
    const std::string header = frameStart(received);
    EXPECT_TRUE(header.starts_with("\x1b%-12345X@PJL\n")) << header;
    for (const char* line : {"@PJL SET DUPLEX=ON\n", "@PJL SET BINDING=LONGEDGE\n",
                             "@PJL SET RENDERMODE=GRAYSCALE\n", "@PJL ENTER LANGUAGE = PDF\n"})
        EXPECT_TRUE(holds(header, line)) << line << header;
    EXPECT_TRUE(header.ends_with("@PJL ENTER LANGUAGE = PDF\n")) << header;
    EXPECT_TRUE(holds(frameEnd(received), "@PJL EOJ")) << frameEnd(received);
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::pdfWithin(received)),
                                   {a4, a4, letter, a5, a4, a4, letter, a5}));

    // Uncollated on two sides, a sheet is copied with both its sides, and the
    // odd last page gets a blank back in each copy; the tray is the driver's.
    const std::string hp = sandbox::uniqueTitle("hp pdf");
    sandbox::expectPrinted(sandbox::printPdf(
        kMixedPdf, env->hpPdfQueue, hp, {"Copies=2", "Collate=no", "Duplex=long", "Tray=Tray 2", "Pages=1-3"}));
    const std::string hpReceived = sandbox::socketPrinterReceived(env->hpPdfSpool, hp);
    for (const char* line : {"@PJL SET DUPLEX=ON\n", "@PJL SET MEDIASOURCE=TRAY2\n", "@PJL ENTER LANGUAGE = PDF \n"})
        EXPECT_TRUE(holds(frameStart(hpReceived), line)) << line << frameStart(hpReceived);
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::pdfWithin(hpReceived)),
                                   {a4, a4, a4, a4, letter, letter, letter, letter}));

    // Unset, the driver's own defaults go out and one copy prints.
    const std::string plain = sandbox::uniqueTitle("plain pdf");
    sandbox::expectPrinted(sandbox::printPdf(kMixedPdf, env->genericPdfQueue, plain));
    const std::string plainReceived = sandbox::socketPrinterReceived(env->genericPdfSpool, plain);
    EXPECT_TRUE(holds(frameStart(plainReceived), "@PJL SET DUPLEX=OFF\n")) << frameStart(plainReceived);
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::pdfWithin(plainReceived)), {a4, a4, letter, a5}));
}

TEST(DriverQueues, AControlTheDriverCannotCarryToThePrinterPrintsNothing) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    // The HP driver has no colour mode and no third tray in its job control.
    const std::pair<std::string, std::string> refused[] = {
        {"Color=mono", "Color=mono is not offered by the printer: its driver has no monochrome mode"},
        {"Tray=Tray 3", "Tray=Tray 3 is not offered by the printer: it has auto, tray-1, tray-2, manual-feed"},
    };
    for (const auto& [setting, message] : refused) {
        const std::string title = sandbox::uniqueTitle("refused");
        const RunResult result = sandbox::printPdf(kMixedPdf, env->hpPdfQueue, title, {setting});
        EXPECT_NE(unwrapped(result.err).find(message), std::string::npos) << result.err;
        EXPECT_FALSE(sandbox::schedulerJob(env->hpPdfQueue, title)) << setting;
    }
}

TEST(DriverQueues, AQueueWhoseDriverCannotBeReadPrintsButRefusesWhatOnlyTheDriverCouldCarry) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    // A queue of its own whose PPD the scheduler holds damaged.
    const std::string queue = "quorlex-unreadable-driver-" + std::to_string(getpid());
    ASSERT_EQ(sandbox::shell("lpadmin -p " + queue + " -E -v socket://127.0.0.1:9/?waiteof=false -P "
                             "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd && "
                             "printf 'not a PPD\\n' > " + env->folder + "/conf/ppd/" + queue + ".ppd && cupsreject " +
                             queue)
                  .exitCode,
              0);
    const std::string title = sandbox::uniqueTitle("unreadable driver");
    const RunResult result = sandbox::printPdf(kMixedPdf, queue, title, {"Copies=2"});
    EXPECT_NE(unwrapped(result.err).find("cannot be honoured: the printer's driver (PPD) is unknown"),
              std::string::npos)
        << result.err;
    // Without controls the run goes as far as the queue lets it (it rejects jobs).
    const RunResult plain = sandbox::printPdf(kMixedPdf, queue, title);
    EXPECT_NE(unwrapped(plain.err).find("is not accepting jobs"), std::string::npos) << plain.err;
    sandbox::shell("lpadmin -x " + queue);
}

}  // namespace itest
