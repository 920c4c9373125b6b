// The drawing engine (Render=always), its documents read and its pages
// drawn by the drawing helper: load errors as the print job reports them,
// page sizes, and pages drawn onto the device context where the target
// rectangle and the rotation put them, as vectors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "posix/confined/DrawingEngine.h"
#include "posix/pdf/PdfEngine.h"
#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/DriverSettings.h"
#include "unit/support/MemoryPrinter.h"

namespace fs = std::filesystem;

namespace {

using posix::DocumentHandle;
using posix::PageHandle;

std::string sample(const std::string& name) { return std::string(QUORLEX_TEST_DATA) + "/" + name; }

posix::PdfEngine& poppler() { return posix::confined::drawingEngine(); }

struct LoadedDocument {
    explicit LoadedDocument(const std::string& path, const char* password = nullptr)
        : document(poppler().loadDocument(path.c_str(), password, error)) {}
    ~LoadedDocument() {
        if (document) poppler().closeDocument(document);
    }
    unsigned long error = kPdfLoaded;
    DocumentHandle document;
};

struct LoadedPage {
    LoadedPage(DocumentHandle document, int index) : page(poppler().loadPage(document, index)) {}
    ~LoadedPage() {
        if (page) poppler().closePage(page);
    }
    PageHandle page;
};

// A device context of the memory printer, at its default settings (A4,
// 300 dpi): drawn pages are placed on it as the helper draws them.
std::unique_ptr<posix::DeviceContext> drawingContext(std::shared_ptr<posix::PrinterDriver>& driver) {
    driver = posix::openPrinterDriver("mem:render");
    return driver->createDeviceContext(posix::defaultSettings(*driver));
}

// Renders one page of a sample onto an A4 sheet of the memory printer at
// 300 dpi and returns the PDF the printer received.
class RenderTest : public ::testing::Test {
protected:
    static constexpr int kA4WidthPx = 2480, kA4HeightPx = 3507;

    std::string render(const std::string& file, int index, int startX, int startY, int sizeX,
                       int sizeY, int rotate) {
        LoadedDocument doc(sample(file));
        EXPECT_NE(doc.document, nullptr);
        if (!doc.document) return {};
        LoadedPage page(doc.document, index);
        std::shared_ptr<posix::PrinterDriver> driver;
        std::unique_ptr<posix::DeviceContext> dc = drawingContext(driver);
        EXPECT_NE(dc, nullptr);
        dc->startDoc(u"render");
        dc->startPage();
        EXPECT_EQ(poppler().renderPage(*dc, page.page, startX, startY, sizeX, sizeY, rotate), "");
        dc->endPage();
        dc->endDoc();
        dc.reset();
        return printer_.log->bytes;
    }

    testing_support::MemoryPrinterRegistration printer_;
};

double dark(const std::string& pdf, double xMm, double yMm) {
    return testing_support::darknessAt(pdf, 0, xMm, yMm);
}

}  // namespace

// ------------------------------------------------------------------ loading

TEST(DrawingEngineLoading, ErrorCodesSayWhyADocumentDidNotLoad) {
    struct Case { std::string path; unsigned long error; };
    const Case cases[] = {
        {sample("no-such-file.pdf"), kPdfFileError},
        {QUORLEX_TEST_DATA, kPdfFileError},               // a folder
        {"", kPdfFileError},
        {sample("not-a-pdf.pdf"), kPdfFormatError},
        {sample("truncated.pdf"), kPdfFormatError},
        {sample("encrypted.pdf"), kPdfPasswordError},
    };
    for (const Case& c : cases) {
        LoadedDocument doc(c.path);
        EXPECT_EQ(doc.document, nullptr) << c.path;
        EXPECT_EQ(doc.error, c.error) << c.path;
    }
}

TEST(DrawingEngineLoading, LoadsByRelativeAndOddlyNamedPathsAndWithAPassword) {
    const fs::path relative = fs::relative(sample("mixed.pdf"));
    LoadedDocument byRelative(relative.string());
    ASSERT_NE(byRelative.document, nullptr) << relative;
    EXPECT_EQ(byRelative.error, static_cast<unsigned long>(kPdfLoaded));

    testing_support::TempFolder temp;
    const fs::path folder = fs::path(temp.path()) / "poppler #1 \xc3\xbc";
    fs::create_directories(folder);
    fs::copy_file(sample("mixed.pdf"), folder / "a %20 b?.pdf");
    LoadedDocument odd((folder / "a %20 b?.pdf").string());
    EXPECT_NE(odd.document, nullptr) << "characters special in URIs are escaped";

    LoadedDocument encrypted(sample("encrypted.pdf"), "secret");
    ASSERT_NE(encrypted.document, nullptr);
    EXPECT_EQ(poppler().pageCount(encrypted.document), 4);
}

TEST(DrawingEngineLoading, PagesReportTheirSizeInPointsAsShown) {
    LoadedDocument doc(sample("mixed.pdf"));
    ASSERT_NE(doc.document, nullptr);
    ASSERT_EQ(poppler().pageCount(doc.document), 4);
    const double expected[4][2] = {{595.28, 841.89}, {841.89, 595.28}, {612, 792}, {419.53, 595.28}};
    for (int i = 0; i < 4; ++i) {
        LoadedPage page(doc.document, i);
        ASSERT_NE(page.page, nullptr);
        EXPECT_NEAR(poppler().pageWidth(page.page), expected[i][0], 0.01) << i;
        EXPECT_NEAR(poppler().pageHeight(page.page), expected[i][1], 0.01) << i;
    }
    EXPECT_EQ(poppler().loadPage(doc.document, 4), nullptr);
    EXPECT_EQ(poppler().loadPage(doc.document, -1), nullptr);

    // A page turned by its /Rotate entry is as wide as it is shown.
    LoadedDocument rotated(sample("rotated.pdf"));
    LoadedPage first(rotated.document, 0);
    EXPECT_NEAR(poppler().pageWidth(first.page), 841.89, 0.01);
    EXPECT_NEAR(poppler().pageHeight(first.page), 595.28, 0.01);
}

TEST(DrawingEngineLoading, ADocumentWithoutPagesLoadsWithNone) {
    LoadedDocument doc(sample("empty.pdf"));
    ASSERT_NE(doc.document, nullptr);
    EXPECT_EQ(poppler().pageCount(doc.document), 0);
    EXPECT_EQ(poppler().loadPage(doc.document, 0), nullptr);
}

// --------------------------------------------------------------- rendering

TEST_F(RenderTest, UprightPageFillsTheTargetRectangle) {
    const std::string pdf = render("mixed.pdf", 0, 0, 0, kA4WidthPx, kA4HeightPx, 0);
    EXPECT_GT(dark(pdf, 20, 20), 0.9) << "the corner square";
    EXPECT_LT(dark(pdf, 20, 277), 0.1);
    EXPECT_LT(dark(pdf, 35, 40), 0.1) << "just beside the square";
}

TEST_F(RenderTest, RotationThreeTurnsThePageTopToTheLeftSide) {
    // The landscape page on a portrait sheet: its top-left corner comes to
    // the sheet's bottom left.
    const std::string pdf = render("mixed.pdf", 1, 0, 0, kA4WidthPx, kA4HeightPx, 3);
    EXPECT_GT(dark(pdf, 20, 277), 0.9);
    EXPECT_LT(dark(pdf, 20, 20), 0.1);
    EXPECT_LT(dark(pdf, 190, 20), 0.1);
    EXPECT_LT(dark(pdf, 190, 277), 0.1);

    const std::string upsideDown = render("mixed.pdf", 0, 0, 0, kA4WidthPx, kA4HeightPx, 2);
    EXPECT_GT(dark(upsideDown, 190, 277), 0.9);
}

TEST_F(RenderTest, WidthAndHeightAreScaledIndependentlyFromTheStartPoint) {
    // Half as wide, full height, starting 100 mm (1181 px) in: the 20 mm
    // square of the page becomes 10 mm wide and stays 20 mm high.
    const std::string pdf = render("mixed.pdf", 0, 1181, 0, kA4WidthPx / 2, kA4HeightPx, 0);
    EXPECT_GT(dark(pdf, 110, 25), 0.9);
    EXPECT_LT(dark(pdf, 118, 25), 0.1);
    EXPECT_LT(dark(pdf, 20, 20), 0.1);
    EXPECT_GT(dark(pdf, 110, 12), 0.9);
}

TEST_F(RenderTest, OutputStaysVectorAndNeedsAPageToDrawOn) {
    const std::string pdf = render("mixed.pdf", 0, 0, 0, kA4WidthPx, kA4HeightPx, 0);
    ASSERT_FALSE(pdf.empty());
    EXPECT_FALSE(testing_support::containsImages(pdf));
    EXPECT_EQ(pdf.find("/Subtype /Image"), std::string::npos);

    // Outside a page there is nothing to draw on: nothing is drawn, and
    // the page is not taken as printed.
    LoadedDocument doc(sample("mixed.pdf"));
    LoadedPage page(doc.document, 0);
    std::shared_ptr<posix::PrinterDriver> driver;
    std::unique_ptr<posix::DeviceContext> dc = drawingContext(driver);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(poppler().renderPage(*dc, page.page, 0, 0, 100, 100, 0),
              "Page 0 could not be printed: nothing of it could be drawn");
}

// ---------------------------------------------------------------- engines

namespace {

class CountingEngine : public posix::EngineWithoutDocuments {
public:
    int loads = 0;
    DocumentHandle loadDocument(const char*, const char*, unsigned long& error) override {
        ++loads;
        error = kPdfPasswordError;
        return nullptr;
    }
};

}  // namespace

TEST(PdfEngineSwitch, AnInstalledEngineTakesTheRunsUntilItIsWithdrawn) {
    CountingEngine engine;
    posix::setPdfEngine(&engine);
    posix::PdfEngine& installed = posix::engineForRun();
    EXPECT_EQ(&installed, &engine);
    unsigned long error = kPdfLoaded;
    EXPECT_EQ(installed.loadDocument(sample("mixed.pdf").c_str(), nullptr, error), nullptr);
    EXPECT_EQ(error, kPdfPasswordError);
    EXPECT_EQ(engine.loads, 1);
    posix::setPdfEngine(nullptr);
    EXPECT_NE(&posix::engineForRun(), &engine);
}
