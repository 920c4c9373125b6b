// The FPDF_ functions on poppler: load errors as the print job reports
// them, page sizes, and pages drawn onto the device context where the
// target rectangle and the rotation put them, as vectors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "posix/pdf/PdfEngine.h"
#include "win32/printing/FpdfView.h"
#include "unit/support/MemoryPrinter.h"

namespace fs = std::filesystem;

namespace {

std::string sample(const std::string& name) { return std::string(QUORLEX_TEST_DATA) + "/" + name; }

struct LoadedDocument {
    explicit LoadedDocument(const std::string& path, const char* password = nullptr)
        : document(FPDF_LoadDocument(path.c_str(), password)), error(FPDF_GetLastError()) {}
    ~LoadedDocument() {
        if (document) FPDF_CloseDocument(document);
    }
    FPDF_DOCUMENT document;
    unsigned long error;
};

struct LoadedPage {
    LoadedPage(FPDF_DOCUMENT document, int index) : page(FPDF_LoadPage(document, index)) {}
    ~LoadedPage() {
        if (page) FPDF_ClosePage(page);
    }
    FPDF_PAGE page;
};

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
        HDC dc = CreateDCW(u"", u"mem:render", nullptr, nullptr);
        EXPECT_NE(dc, nullptr);
        DOCINFOW info{20, u"render", nullptr, nullptr, 0};
        StartDocW(dc, &info);
        StartPage(dc);
        FPDF_RenderPage(dc, page.page, startX, startY, sizeX, sizeY, rotate, 0);
        EndPage(dc);
        EndDoc(dc);
        DeleteDC(dc);
        return printer_.log->bytes;
    }

    testing_support::MemoryPrinterRegistration printer_;
};

double dark(const std::string& pdf, double xMm, double yMm) {
    return testing_support::darknessAt(pdf, 0, xMm, yMm);
}

}  // namespace

// ------------------------------------------------------------------ loading

TEST(PopplerLoading, ErrorCodesSayWhyADocumentDidNotLoad) {
    struct Case { std::string path; unsigned long error; };
    const Case cases[] = {
        {sample("no-such-file.pdf"), FPDF_ERR_FILE},
        {QUORLEX_TEST_DATA, FPDF_ERR_FILE},               // a folder
        {"", FPDF_ERR_FILE},
        {sample("not-a-pdf.pdf"), FPDF_ERR_FORMAT},
        {sample("truncated.pdf"), FPDF_ERR_FORMAT},
        {sample("encrypted.pdf"), FPDF_ERR_PASSWORD},
    };
    FPDF_InitLibrary(nullptr);
    for (const Case& c : cases) {
        LoadedDocument doc(c.path);
        EXPECT_EQ(doc.document, nullptr) << c.path;
        EXPECT_EQ(doc.error, c.error) << c.path;
    }
    FPDF_DestroyLibrary();
}

TEST(PopplerLoading, LoadsByRelativeAndOddlyNamedPathsAndWithAPassword) {
    const fs::path relative = fs::relative(sample("mixed.pdf"));
    LoadedDocument byRelative(relative.string());
    ASSERT_NE(byRelative.document, nullptr) << relative;
    EXPECT_EQ(byRelative.error, static_cast<unsigned long>(FPDF_ERR_SUCCESS));

    testing_support::TempFolder temp;
    const fs::path folder = fs::path(temp.path()) / "poppler #1 \xc3\xbc";
    fs::create_directories(folder);
    fs::copy_file(sample("mixed.pdf"), folder / "a %20 b?.pdf");
    LoadedDocument odd((folder / "a %20 b?.pdf").string());
    EXPECT_NE(odd.document, nullptr) << "characters special in URIs are escaped";

    LoadedDocument encrypted(sample("encrypted.pdf"), "secret");
    ASSERT_NE(encrypted.document, nullptr);
    EXPECT_EQ(FPDF_GetPageCount(encrypted.document), 4);
}

TEST(PopplerLoading, PagesReportTheirSizeInPointsAsShown) {
    LoadedDocument doc(sample("mixed.pdf"));
    ASSERT_NE(doc.document, nullptr);
    ASSERT_EQ(FPDF_GetPageCount(doc.document), 4);
    const double expected[4][2] = {{595.28, 841.89}, {841.89, 595.28}, {612, 792}, {419.53, 595.28}};
    for (int i = 0; i < 4; ++i) {
        LoadedPage page(doc.document, i);
        ASSERT_NE(page.page, nullptr);
        EXPECT_NEAR(FPDF_GetPageWidth(page.page), expected[i][0], 0.01) << i;
        EXPECT_NEAR(FPDF_GetPageHeight(page.page), expected[i][1], 0.01) << i;
    }
    EXPECT_EQ(FPDF_LoadPage(doc.document, 4), nullptr);
    EXPECT_EQ(FPDF_LoadPage(doc.document, -1), nullptr);

    // A page turned by its /Rotate entry is as wide as it is shown.
    LoadedDocument rotated(sample("rotated.pdf"));
    LoadedPage first(rotated.document, 0);
    EXPECT_NEAR(FPDF_GetPageWidth(first.page), 841.89, 0.01);
    EXPECT_NEAR(FPDF_GetPageHeight(first.page), 595.28, 0.01);
}

TEST(PopplerLoading, ADocumentWithoutPagesLoadsWithNone) {
    LoadedDocument doc(sample("empty.pdf"));
    ASSERT_NE(doc.document, nullptr);
    EXPECT_EQ(FPDF_GetPageCount(doc.document), 0);
    EXPECT_EQ(FPDF_LoadPage(doc.document, 0), nullptr);
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

    // Outside a page, or on a deleted context, there is nothing to draw on.
    LoadedDocument doc(sample("mixed.pdf"));
    LoadedPage page(doc.document, 0);
    HDC dc = CreateDCW(u"", u"mem:render", nullptr, nullptr);
    FPDF_RenderPage(dc, page.page, 0, 0, 100, 100, 0, 0);
    DeleteDC(dc);
    FPDF_RenderPage(dc, page.page, 0, 0, 100, 100, 0, 0);
}

// ---------------------------------------------------------------- engines

namespace {

class CountingEngine : public posix::EngineWithoutDocuments {
public:
    int loads = 0;
    FPDF_DOCUMENT loadDocument(const char*, const char*, unsigned long& error) override {
        ++loads;
        error = FPDF_ERR_PASSWORD;
        return nullptr;
    }
};

}  // namespace

TEST(PdfEngineSwitch, AnInstalledEngineTakesTheCallsUntilPopplerIsRestored) {
    CountingEngine engine;
    posix::setPdfEngine(&engine);
    EXPECT_EQ(FPDF_LoadDocument(sample("mixed.pdf").c_str(), nullptr), nullptr);
    EXPECT_EQ(FPDF_GetLastError(), static_cast<unsigned long>(FPDF_ERR_PASSWORD));
    EXPECT_EQ(engine.loads, 1);
    posix::setPdfEngine(nullptr);
    LoadedDocument doc(sample("mixed.pdf"));
    EXPECT_NE(doc.document, nullptr);
    EXPECT_EQ(FPDF_GetLastError(), static_cast<unsigned long>(FPDF_ERR_SUCCESS));
    EXPECT_EQ(engine.loads, 1);
}
