// The printers of real deployments: a queue for each driver Debian users
// have (CUPS's sample PCL, ZPL, DYMO, Epson and PostScript drivers, hpcups,
// Gutenprint, brlaser, ptouch, dymo), each behind a socket printer that
// keeps the bytes. What arrives is read in the printer's language (PCL and
// its PJL, ZPL, PostScript, P-touch), and where the language is raster lines
// alone, in the raster CUPS handed the driver. Every control the run asks
// for arrives as the driver takes it, each page on its paper, or the run is
// refused before any job exists.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "integration/support/DriverMatrix.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

using drivers::Delivery;
using drivers::papersOf;
using drivers::sizesOf;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";   // A4, A4 turned, Letter, A5

std::vector<int> copiesOf(const printed::Reading& reading) {
    std::vector<int> copies;
    for (const printed::Sheet& sheet : reading.sheets) copies.push_back(sheet.copies);
    return copies;
}

std::string sidesOf(const printed::Reading& reading) {
    return drivers::joined(reading, [](const printed::Sheet& sheet) { return sheet.sides; });
}

std::string sourcesOf(const printed::Reading& reading) {
    return drivers::joined(reading, [](const printed::Sheet& sheet) { return sheet.source; });
}

// One PDF of the sizes given (millimetres), each page framed to its edges.
std::string documentOf(const std::string& name, const std::vector<sandbox::PageSize>& pages) {
    const std::string path = makeTempDir("driver-matrix") + "/" + name + ".pdf";
    sandbox::writePdf(path, pages, sandbox::PageContent::Frame);
    return path;
}

constexpr double kMm = 72 / 25.4;
const sandbox::PageSize kParcelLabel{100 * kMm, 150 * kMm};
const sandbox::PageSize kReceipt{80 * kMm, 200 * kMm};

// Every test prints through the sandbox's driver queues.
class DriverMatrix : public ::testing::Test {
protected:
    void SetUp() override { QUORLEX_REQUIRE_SANDBOX(); }
};

}  // namespace

TEST_F(DriverMatrix, UncollatedCopiesReachEveryRasterDriverAsItMakesThemWithEachPageOnItsPaper) {
    struct Case {
        std::string queue;
        std::string language;   // of what the printer received
        std::string papers;     // as the printer names them, or whole millimetres
        bool fromDriver;        // read in the raster the driver was handed
    };
    const Case cases[] = {
        // PCL: each page's own paper code and its copies (Esc&l2X), as lp's
        // uncollated copies come.
        {"laserjet", "PCL", "A4 A4 Letter A5", false},
        // brlaser sets the paper in PJL and the copies in PCL.
        {"brlaser", "PCL", "A4 A4 LETTER A5", false},
        // ZPL: a quantity on each label (^PQ2); the Zebra driver has no
        // Letter, so that page goes on A4, the paper before it.
        {"zebra", "ZPL", "210x297 210x297 210x297 148x210", false},
        // The DYMO LabelWriter driver is told them in its raster.
        {"dymo-lw450", "CUPS raster", "", true},
        // PostScript: the copies in the document's setup, each page its box.
        {"postscript", "PostScript", "210x297 210x297 216x279 148x210", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.queue);
        QUORLEX_DRIVER_QUEUE(queue, c.queue);
        const Delivery delivery = drivers::print(queue, kMixedPdf, {"Copies=2", "Collate=no"});
        ASSERT_TRUE(delivery.printed() && (!c.fromDriver || delivery.driver)) << delivery.run.err;
        const printed::Reading& reading = c.fromDriver ? *delivery.driver : delivery.printer;
        EXPECT_EQ(reading.language, c.language);
        if (!c.papers.empty()) {
            EXPECT_EQ(c.papers.find('x') != std::string::npos ? sizesOf(reading) : papersOf(reading), c.papers);
        }
        EXPECT_EQ(copiesOf(reading), (std::vector<int>{2, 2, 2, 2}));
    }
}

TEST_F(DriverMatrix, DriversThatWantManualCopiesGetThemInTheDocument) {
    // Epson's dot matrix driver: eight pages, each page twice in turn; the
    // A5 page has no paper and goes on the Letter before it.
    QUORLEX_DRIVER_QUEUE(epson, "epson9");
    const Delivery escp = drivers::print(epson, kMixedPdf, {"Copies=2", "Collate=no"});
    ASSERT_TRUE(escp.printed() && escp.driver) << escp.run.err;
    EXPECT_EQ(papersOf(*escp.driver), "A4 A4 A4 A4 Letter Letter Letter Letter");
    EXPECT_EQ(copiesOf(*escp.driver), std::vector<int>(8, 1));

    // hpcups, collated, on two sides: each copy of three pages starts on a
    // sheet of its own, the third page's back blank.
    QUORLEX_DRIVER_QUEUE(hpcups, "hpcups");
    const Delivery hp = drivers::print(hpcups, kMixedPdf, {"Copies=2", "Duplex=long", "Pages=1-3", "Paper=A4"});
    ASSERT_TRUE(hp.printed()) << hp.run.err;
    EXPECT_EQ(hp.printer.sheets.size(), 8u) << printed::describe(hp.printer);
    ASSERT_TRUE(hp.driver);
    EXPECT_EQ(sidesOf(*hp.driver), "long-edge long-edge long-edge long-edge long-edge long-edge long-edge long-edge");

    // P-touch through Foomatic: every page a label of the tape, twice over.
    QUORLEX_DRIVER_QUEUE(ptouch, "ptouch");
    const Delivery tape = drivers::print(ptouch, kMixedPdf, {"Copies=2"}, 360);
    ASSERT_TRUE(tape.printed()) << tape.run.err;
    EXPECT_EQ(tape.printer.language, "P-touch");
    EXPECT_EQ(tape.printer.sheets.size(), 8u) << printed::describe(tape.printer);
}

TEST_F(DriverMatrix, CollatedCopiesAreMadeInTheDocumentAndOnePageIsCopiedByThePrinter) {
    // A raster driver copies each page on its own: collated copies are the
    // document twice, the driver told one.
    QUORLEX_DRIVER_QUEUE(laserjet, "laserjet");
    const Delivery collated = drivers::print(laserjet, kMixedPdf, {"Copies=2"});
    ASSERT_TRUE(collated.printed()) << collated.run.err;
    EXPECT_EQ(papersOf(collated.printer), "A4 A4 Letter A5 A4 A4 Letter A5");
    EXPECT_EQ(copiesOf(collated.printer), std::vector<int>(8, 1));

    // One label three times is one label the printer makes three of.
    QUORLEX_DRIVER_QUEUE(zebra, "zebra");
    const Delivery label = drivers::print(zebra, documentOf("label", {kParcelLabel}), {"Copies=3"});
    ASSERT_TRUE(label.printed()) << label.run.err;
    EXPECT_EQ(copiesOf(label.printer), std::vector<int>{3});
}

TEST_F(DriverMatrix, SidesTraysAndColourReachTheDriverAsItTakesThem) {
    struct Case {
        std::string queue;
        std::vector<std::string> settings;
        bool fromDriver;        // read in the raster the driver was handed
        std::string sides;
        std::string sources;
    };
    const Case cases[] = {
        {"laserjet", {"Duplex=long", "Tray=tray-2", "Pages=1-3"}, false, "long-edge long-edge long-edge",
         "tray-2 tray-2 tray-2"},
        // hpcups names its lower tray "Lower", the scheduler "bottom": the
        // driver gets MediaPosition 4, that of InputSlot Lower.
        {"hpcups", {"Duplex=short", "Tray=bottom", "Pages=1"}, true, "short-edge", "4"},
        {"gutenprint", {"Duplex=long", "Tray=manual", "Pages=1-2"}, false, "long-edge long-edge", "manual manual"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.queue);
        QUORLEX_DRIVER_QUEUE(queue, c.queue);
        const Delivery delivery = drivers::print(queue, kMixedPdf, c.settings);
        ASSERT_TRUE(delivery.printed() && (!c.fromDriver || delivery.driver)) << delivery.run.err;
        const printed::Reading& reading = c.fromDriver ? *delivery.driver : delivery.printer;
        EXPECT_EQ(sidesOf(reading), c.sides);
        EXPECT_EQ(sourcesOf(reading), c.sources);
    }

    // PostScript: the driver's features in the setup; a red page comes out
    // grey (Ghostscript counts no cyan, magenta or yellow on it).
    QUORLEX_DRIVER_QUEUE(postscript, "postscript");
    const std::string red = makeTempDir("driver-matrix") + "/red.pdf";
    sandbox::writePdf(red, {sandbox::kA4, sandbox::kA4}, sandbox::PageContent::Colour);
    const Delivery ps = drivers::print(postscript, red, {"Duplex=long", "Tray=manual", "Color=mono"});
    ASSERT_TRUE(ps.printed()) << ps.run.err;
    EXPECT_EQ(sidesOf(ps.printer), "long-edge long-edge");
    EXPECT_EQ(sourcesOf(ps.printer), "Manual Manual");
    const std::string received = makeTempDir("driver-matrix") + "/received.ps";
    std::ofstream(received, std::ios::binary) << ps.bytes;
    const RunResult ink = sandbox::shell("gs -q -o - -sDEVICE=inkcov " + received);
    EXPECT_TRUE(holds(ink.out, " 0.00000  0.00000  0.00000 ")) << ink.out;
}

TEST_F(DriverMatrix, AControlAQueueCannotCarryIsRefusedBeforeAnyJob) {
    QUORLEX_DRIVER_QUEUE(zebra, "zebra");
    QUORLEX_DRIVER_QUEUE(ptouch, "ptouch");
    const std::pair<const drivers::DriverQueue*, std::string> refused[] = {
        {&zebra, "Duplex=long"}, {&zebra, "Tray=tray-2"}, {&zebra, "Color=color"}, {&ptouch, "Duplex=short"}};
    for (const auto& [queue, setting] : refused) {
        SCOPED_TRACE(queue->name + " " + setting);
        const Delivery delivery = drivers::print(*queue, kMixedPdf, {setting});
        EXPECT_EQ(delivery.run.exitCode, 2) << delivery.run.err;
        EXPECT_TRUE(holds(delivery.run.err, setting + " is not offered by the printer")) << delivery.run.err;
        EXPECT_TRUE(delivery.bytes.empty());
    }
}

TEST_F(DriverMatrix, ADriverThatTakesOnePaperAJobPrintsItOnTheFirstPagesPaperOrNothing) {
    // hpcups and Gutenprint take the paper from the job, not the page: the
    // job is on its first page's paper (A4 on a Letter queue)...
    QUORLEX_DRIVER_QUEUE(hpcups, "hpcups");
    const Delivery a4 = drivers::print(hpcups, kMixedPdf, {"Pages=1-2"});
    ASSERT_TRUE(a4.printed()) << a4.run.err;
    EXPECT_EQ(papersOf(a4.printer), "A4 A4");

    // ... a page that needs another is refused, and nothing prints ...
    const std::string title = sandbox::uniqueTitle("one paper");
    const RunResult mixed = sandbox::printPdf(kMixedPdf, hpcups.queue, title, {"ExitCode=result", "Notice=none"});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_TRUE(holds(mixed.err, "StartPage: The printer's driver (hpcups) prints every page of a job on one paper: "
                                 "a page needs Letter and the job is on A4, its first page's paper; print every "
                                 "page on one paper with Paper=A4"))
        << mixed.err;
    const auto job = sandbox::schedulerJob(hpcups.queue, title);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->state, sandbox::JobState::Canceled);

    // ... and Paper puts every page on one.
    QUORLEX_DRIVER_QUEUE(gutenprint, "gutenprint");
    const Delivery one = drivers::print(gutenprint, kMixedPdf, {"Paper=A4"});
    ASSERT_TRUE(one.printed()) << one.run.err;
    EXPECT_EQ(papersOf(one.printer), "A4 A4 A4 A4");
}

TEST_F(DriverMatrix, ALabelAndAReceiptKeepTheirTrueSizeOnLabelStockWithPaper) {
    QUORLEX_DRIVER_QUEUE(zebra, "zebra");
    const std::string label = documentOf("parcel", {kParcelLabel});
    const std::string receipt = documentOf("receipt", {kReceipt});
    struct Case {
        std::string document;
        std::string paper;     // the Paper value, or empty
        std::string stock;     // the label the printer gets, whole millimetres
        double ink;            // how wide the page's frame comes out, mm
    };
    const Case cases[] = {
        // Unset: on the default 4 x 5 in stock, shrunk to 84.6 %, as always.
        {label, "", "102x127", 84.6},
        {label, "smallest", "102x152", 100},
        {label, "exact", "100x150", 100},
        {label, "4x6", "102x152", 100},
        {receipt, "smallest", "102x203", 80},
        {receipt, "exact", "80x200", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Paper=" + c.paper + " " + c.stock);
        std::vector<std::string> extra;
        if (!c.paper.empty()) extra.push_back("Paper=" + c.paper);
        const Delivery delivery = drivers::print(zebra, c.document, extra);
        ASSERT_TRUE(delivery.printed() && delivery.driver) << delivery.run.err;
        EXPECT_EQ(sizesOf(delivery.printer), c.stock);
        // The frame the page draws at its edges, measured in the raster.
        EXPECT_NEAR(delivery.driver->sheets.at(0).inkWidthMm, c.ink, 0.5);
    }
}

}  // namespace itest
