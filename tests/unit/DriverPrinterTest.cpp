// The POSIX backend's printers and the drivers under them: printer names
// resolved to drivers, the settings a job starts from, the papers as the
// job sees them, and a whole job on the file: printer.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "plat/Exception.h"
#include "posix/printing/DriverPrinter.h"
#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/spooler/SheetGeometry.h"
#include "unit/support/MemoryPrinter.h"

namespace fs = std::filesystem;

using posix::printing::DriverPrinter;

// ------------------------------------------------------------ name lookup

TEST(PrinterNames, UnknownPrintersFailWithTheirNameAndTheDriversError) {
    SetLastError(0);
    EXPECT_EQ(posix::openPrinterDriver("quorlex-no-such-printer"), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    try {
        DriverPrinter printer("quorlex-no-such-printer");
        FAIL() << "an unknown printer opened";
    } catch (const plat::SystemException& failure) {
        EXPECT_EQ(std::string(failure.message).rfind("Unable to open Printer quorlex-no-such-printer: ", 0), 0u)
            << failure.message;
    }
}

TEST(PrinterNames, RegisteredPrefixesWinByLengthAndCanBeWithdrawn) {
    testing_support::MemoryPrinterRegistration general("mem:");
    testing_support::MemoryPrinterRegistration special("mem:a4only:");
    special.papers.resize(1);

    EXPECT_EQ(DriverPrinter("mem:x").papers().size(), 3u);
    EXPECT_EQ(DriverPrinter("mem:a4only:x").papers().size(), 1u);
    {
        testing_support::MemoryPrinterRegistration replacing("mem:");
        replacing.papers.resize(2);
        EXPECT_EQ(DriverPrinter("mem:x").papers().size(), 2u)
            << "a later registration of a prefix replaces the earlier";
    }
    EXPECT_EQ(posix::openPrinterDriver("mem:x"), nullptr) << "withdrawn";
}

// ------------------------------------------------------------ settings

TEST(DriverSettings, AJobStartsFromTheDriversPaperOrientationAndResolution) {
    testing_support::MemoryPrinterRegistration mem;
    mem.defaults = {1, posix::Orientation::Landscape, 600, 300};  // Letter
    const posix::JobSettings settings = posix::defaultSettings(*posix::openPrinterDriver("mem:defaults"));
    EXPECT_EQ(settings.paperId, posix::paper_id::Letter);
    EXPECT_EQ(settings.paperName, u"Letter");
    EXPECT_EQ(settings.paperWidth, 2159);
    EXPECT_EQ(settings.paperLength, 2794);
    EXPECT_EQ(settings.orientation, posix::Orientation::Landscape);
    EXPECT_EQ(settings.dpiX, 600);
    EXPECT_EQ(settings.dpiY, 300);
    EXPECT_FALSE(settings.copies || settings.collate || settings.sides || settings.tray || settings.colour)
        << "no control is set until the job sets it";

    mem.defaults.paperIndex = -1;
    const posix::JobSettings none = posix::defaultSettings(*posix::openPrinterDriver("mem:none"));
    EXPECT_EQ(none.paperId, 0);
    EXPECT_EQ(none.paperWidth, 0);
    EXPECT_EQ(none.paperLength, 0);
}

TEST(DriverSettings, APaperChosenOnADriverThatNamesNoDefaultPaperIsTheSheetsPaper) {
    testing_support::MemoryPrinterRegistration mem;
    mem.defaults.paperIndex = -1;
    DriverPrinter printer("mem:nodefault");
    printer.loadSettings();
    const std::vector<PrinterPaper> papers = printer.papers();
    ASSERT_EQ(papers[2].name, u"A5");
    printer.selectPaper(papers[2]);
    const posix::SheetGeometry sheet = posix::SheetGeometry::from(*posix::openPrinterDriver("mem:nodefault"),
                                                                  printer.settings());
    EXPECT_EQ(sheet.physicalWidth, 1748);    // 148 mm at 300 dpi, not A4's 2480
    EXPECT_EQ(sheet.physicalHeight, 2480);

    printer.selectSize(PaperExtent{1000, 1500});
    EXPECT_EQ(printer.settingsPaper().width, 1000);
    EXPECT_EQ(posix::SheetGeometry::from(*posix::openPrinterDriver("mem:nodefault"), printer.settings()).physicalWidth,
              1181);
}

// ------------------------------------------------------------ papers

TEST(DriverPapers, IdsNamesAndSizesLineUpInTheDriversOrderInTenths) {
    testing_support::MemoryPrinterRegistration mem;
    mem.papers.push_back({300, u"A paper whose name is far longer than sixty-four units of UTF-16 text",
                          10478, 24130, 0, 0, 0, 0});
    const std::vector<PrinterPaper> papers = DriverPrinter("mem:caps").papers();
    ASSERT_EQ(papers.size(), 4u);
    std::vector<uint16_t> ids;
    for (const PrinterPaper& paper : papers) ids.push_back(paper.id);
    EXPECT_EQ(ids, (std::vector<uint16_t>{posix::paper_id::A4, posix::paper_id::Letter, posix::paper_id::A5, 300}));
    EXPECT_EQ(papers[0].name, u"A4");
    EXPECT_EQ(papers[1].name, u"Letter");
    EXPECT_EQ(papers[3].name.size(), 63u) << "a long name is cut to its field, with room for its end";
    EXPECT_EQ(papers[0].size.width, 2100);
    EXPECT_EQ(papers[0].size.length, 2970);
    EXPECT_EQ(papers[1].size.width, 2159);
    EXPECT_EQ(papers[1].size.length, 2794);
    EXPECT_EQ(papers[3].size.width, 1047) << "hundredths / 10, truncated";
    EXPECT_EQ(papers[3].size.length, 2413);
}

TEST(DriverPapers, NamesAreNotCutInsideASurrogatePair) {
    testing_support::MemoryPrinterRegistration mem;
    std::u16string name(62, u'a');
    name += u"\U0001F4C4tail";  // the pair would occupy units 62 and 63
    mem.papers = {{500, name, 10000, 10000, 0, 0, 0, 0}};
    EXPECT_EQ(DriverPrinter("mem:pair").papers().at(0).name, std::u16string(62, u'a'));
}

// ------------------------------------------------------------ a file job

TEST(FileJob, AFilePrinterJobWritesOnePdfWithAPaperPerSheet) {
    testing_support::TempFolder folder;
    const std::string out = folder.path("job.pdf");
    const std::shared_ptr<posix::PrinterDriver> driver = posix::openPrinterDriver("file:" + out);
    ASSERT_NE(driver, nullptr);

    posix::JobSettings settings = posix::defaultSettings(*driver);
    settings.paperId = posix::paper_id::A5;
    std::unique_ptr<posix::DeviceContext> dc = driver->createDeviceContext(settings);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->measure(SheetMetric::DotsPerInchAcross), 600);
    EXPECT_EQ(dc->measure(SheetMetric::PaperWidth), 3496);  // 148 mm at 600 dpi

    EXPECT_GT(dc->startDoc(u"Job title"), 0);
    EXPECT_GT(dc->startPage(), 0);
    EXPECT_GT(dc->endPage(), 0);
    settings.paperId = posix::paper_id::EnvDL;
    EXPECT_TRUE(dc->reset(settings));
    EXPECT_GT(dc->startPage(), 0);
    EXPECT_GT(dc->endPage(), 0);
    EXPECT_FALSE(fs::exists(out)) << "nothing appears before the document ends";
    EXPECT_GT(dc->endDoc(), 0);
    dc.reset();

    const auto pages = testing_support::pageSizes(testing_support::readWholeFile(out));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NEAR(pages[0].width, 419.53, 0.01);
    EXPECT_NEAR(pages[1].width, 311.81, 0.01);
    EXPECT_NEAR(pages[1].height, 623.62, 0.01);
}

TEST(FileJob, AContextGoneOrAbortedBeforeItsDocumentEndsLeavesNoFile) {
    testing_support::TempFolder folder;
    const std::shared_ptr<posix::PrinterDriver> driver = posix::openPrinterDriver("file:" + folder.path("job.pdf"));
    ASSERT_NE(driver, nullptr);
    const posix::JobSettings settings = posix::defaultSettings(*driver);

    std::unique_ptr<posix::DeviceContext> dc = driver->createDeviceContext(settings);
    ASSERT_GT(dc->startDoc(u"Unfinished"), 0);
    ASSERT_GT(dc->startPage(), 0);
    dc.reset();
    EXPECT_TRUE(folder.empty());

    dc = driver->createDeviceContext(settings);
    ASSERT_GT(dc->startDoc(u"Unfinished"), 0);
    ASSERT_GT(dc->startPage(), 0);
    EXPECT_GT(dc->abortDoc(), 0);
    dc.reset();
    EXPECT_TRUE(folder.empty());
}
