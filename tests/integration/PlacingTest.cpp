// Pages reach the printer as they are: their colours, transparency and
// geometry pass through untouched, forms and printable annotations print as
// a viewer shows them, and only the pages placing would spoil are drawn.
// Checked on one generated document, printed to file: and through the
// sandbox's IPP printer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"
#include "support/PdfBuilder.h"

namespace itest {
namespace {

constexpr double kA4W = 595.276, kA4H = 841.89;
constexpr int kDpi = 40;

// Marks that show where a page's corner and top are: a frame, a square in
// the top-left corner and a bar across the top half.
std::string marks(double w, double h) {
    const auto n = [](double v) { return std::to_string(v); };
    return "0 g 6 w 20 20 " + n(w - 40) + " " + n(h - 40) + " re S 40 " + n(h - 120) +
           " 80 80 re f " + n(w / 4) + " " + n(h * 0.6) + " " + n(w / 2) + " 30 re f\n";
}

// What each page of the document is and how it must come out.
enum class Expect { Placed, Drawn };
struct Case {
    const char* what;
    Expect expect;
    bool turned;        // a landscape page on a portrait sheet
    double sourceDpi;   // the resolution that renders the source at the sheet's size
};

const Case kCases[] = {
    {"CMYK", Expect::Placed, false, kDpi},
    {"Separation", Expect::Placed, false, kDpi},
    {"ICC", Expect::Placed, false, kDpi},
    {"soft mask", Expect::Placed, false, kDpi},
    {"Rotate 90", Expect::Placed, true, kDpi},
    {"Rotate 180", Expect::Placed, false, kDpi},
    {"Rotate 270", Expect::Placed, true, kDpi},
    {"UserUnit 2", Expect::Placed, false, 2 * kDpi},
    {"CropBox", Expect::Placed, false, kDpi},
    {"filled form", Expect::Placed, false, 0},
    {"form value qpdf cannot draw", Expect::Drawn, false, 0},
    {"annotation without appearance", Expect::Drawn, false, kDpi},
    {"hidden and printable annotations", Expect::Placed, false, kDpi},
};

void writeCases(const std::string& path) {
    testpdf::PdfBuilder pdf;
    const std::string a4 = marks(kA4W, kA4H);
    pdf.page({kA4W, kA4H, a4 + "0 0 0 1 k 100 100 200 200 re f 0 1 1 0 K 8 w 350 100 150 150 re S\n"});

    pdf.object("gold", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0.3 0.9 0.4] /N 1 >>");
    pdf.page({kA4W, kA4H, a4 + "/Gold cs 1 scn 100 100 300 200 re f\n",
              "<< /ColorSpace << /Gold [/Separation /Gold /DeviceCMYK {gold}] >> >>"});

    pdf.stream("icc", "<< /N 1 /Alternate /DeviceGray >>", testpdf::grayIccProfile());
    pdf.page({kA4W, kA4H, a4 + "/Icc cs 0.3 scn 100 100 300 200 re f\n",
              "<< /ColorSpace << /Icc [/ICCBased {icc}] >> >>"});

    pdf.stream("mask",
               "<< /Type /XObject /Subtype /Form /BBox [0 0 596 842] "
               "/Group << /S /Transparency /CS /DeviceGray >> >>",
               "0.2 g 0 0 596 842 re f 1 g 150 150 200 300 re f\n");
    pdf.page({kA4W, kA4H, a4 + "q /Soft gs 0 0 1 rg 100 100 400 500 re f Q\n",
              "<< /ExtGState << /Soft << /SMask << /Type /Mask /S /Luminosity /G {mask} >> >> >> >>"});

    for (int rotate : {90, 180, 270}) {
        testpdf::Page page{kA4W, kA4H, a4};
        page.rotate = rotate;
        pdf.page(page);
    }

    testpdf::Page halfSize{kA4W / 2, kA4H / 2, marks(kA4W / 2, kA4H / 2)};
    halfSize.userUnit = 2;
    pdf.page(halfSize);

    // An A3 sheet of which only an A4 region is shown; marks outside it
    // must not print.
    testpdf::Page cropped{841.89, 1190.55,
                          "0 g 0 0 842 1191 re f 1 g 100 150 " + std::to_string(kA4W) + " " +
                              std::to_string(kA4H) + " re f q 1 0 0 1 100 150 cm " + a4 + " Q\n"};
    cropped.cropBox = testpdf::Rect{100, 150, 100 + kA4W, 150 + kA4H};
    pdf.page(cropped);

    pdf.object("helv", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                       "/Encoding /WinAnsiEncoding >>");
    pdf.object("ascii", "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Hello Quorlex) "
                        "/Rect [72 600 500 640] /F 4 /DA (/Helv 18 Tf 0 g) >>");
    testpdf::Page form{kA4W, kA4H, a4};
    form.annotations = {"{ascii}"};
    pdf.page(form);
    // "Grüße" in UTF-16: qpdf draws only ASCII.
    pdf.object("unicode", "<< /Type /Annot /Subtype /Widget /FT /Tx /T (greeting) "
                          "/V <FEFF0047007200FC00DF0065> /Rect [72 600 500 640] /F 4 "
                          "/DA (/Helv 18 Tf 0 g) >>");
    form.annotations = {"{unicode}"};
    pdf.page(form);
    pdf.catalog("/AcroForm", "<< /Fields [{ascii} {unicode}] /NeedAppearances true "
                             "/DA (/Helv 12 Tf 0 g) /DR << /Font << /Helv {helv} >> >> >>");

    testpdf::Page square{kA4W, kA4H, a4};
    square.annotations = {"<< /Type /Annot /Subtype /Square /Rect [100 100 300 300] /F 4 "
                          "/C [0 0 0] /IC [0 0 0] /BS << /W 4 >> >>"};
    pdf.page(square);

    pdf.stream("box", "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>",
               "0 g 0 0 100 100 re f\n");
    testpdf::Page annotated{kA4W, kA4H, a4};
    annotated.annotations = {
        "<< /Type /Annot /Subtype /Square /Rect [300 100 400 200] /F 6 /AP << /N {box} >> >>",
        "<< /Type /Annot /Subtype /Square /Rect [100 100 200 200] /F 4 /AP << /N {box} >> >>"};
    pdf.page(annotated);
    pdf.write(path);
}

std::string text(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return sandbox::shell("pdftotext -f " + n + " -l " + n + " '" + pdf + "' -").out;
}

// Everything the document's pages must show on the printed one.
void expectAsTheyAre(const std::string& source, const std::string& printed, const std::string& log) {
    ASSERT_EQ(testpdf::pageCount(printed), static_cast<int>(std::size(kCases)));
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        const int page = static_cast<int>(i) + 1;
        SCOPED_TRACE(std::string("page ") + std::to_string(page) + ": " + c.what);
        const std::string line = "Page " + std::to_string(i) + (c.expect == Expect::Placed ? " placed" : " drawn: ");
        EXPECT_NE(unwrapped(log).find(line), std::string::npos) << log;
        if (c.sourceDpi > 0) {
            const sandbox::GrayImage expected =
                sandbox::renderPage(source, page, static_cast<int>(c.sourceDpi));
            const sandbox::GrayImage actual = sandbox::renderPage(printed, page, kDpi);
            EXPECT_LT(sandbox::meanDifference(expected, actual, c.turned), 3.0);
        }
    }
    const std::set<std::string> cmyk = testpdf::colourSpaceFamilies(printed, 2);
    EXPECT_TRUE(cmyk.count("/Separation")) << "spot colour kept";
    EXPECT_TRUE(testpdf::colourSpaceFamilies(printed, 3).count("/ICCBased"));
    const std::string process = testpdf::pageContent(printed, 1);
    EXPECT_NE(process.find("0 0 0 1 k"), std::string::npos) << "a K-only black stays K-only";
    EXPECT_NE(process.find("0 1 1 0 K"), std::string::npos);
    EXPECT_NE(testpdf::pageContent(printed, 2).find("/Gold cs 1 scn"), std::string::npos);
    EXPECT_EQ(testpdf::imageCount(printed, 4), 0) << "the soft mask stays a soft mask";
    EXPECT_NE(testpdf::pageContent(printed, 4).find("/Soft gs"), std::string::npos);
    EXPECT_NE(text(printed, 10).find("Hello Quorlex"), std::string::npos);
    EXPECT_NE(text(printed, 11).find("Gr\xc3\xbc\xc3\x9f" "e"), std::string::npos);
    // Page 13: the printable annotation's box is there, the hidden one's not.
    const sandbox::GrayImage annotated = sandbox::renderPage(printed, 13, kDpi);
    ASSERT_GT(annotated.width, 0);
    const auto at = [&](double x, double y) {
        return annotated.at(static_cast<int>(x * kDpi / 72), annotated.height - 1 - static_cast<int>(y * kDpi / 72));
    };
    EXPECT_LT(at(150, 150), 64);
    EXPECT_GT(at(350, 150), 192);
}

class Placing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new std::string(makeTempDir("placing"));
        writeCases(source());
    }
    static void TearDownTestSuite() { delete folder_; }
    static std::string source() { return *folder_ + "/cases.pdf"; }
    static std::string* folder_;
};
std::string* Placing::folder_ = nullptr;

TEST_F(Placing, FilePrinterGetsEveryPageAsItIsExceptThoseOnlyDrawingKeeps) {
    const std::string out = *folder_ + "/file.pdf";
    const RunResult result =
        sandbox::printPdf(source(), "file:" + out, "Placing", {"Log=PDFPrintFns:stderr:100"});
    sandbox::expectPrinted(result);
    expectAsTheyAre(source(), out, result.err);
}

TEST_F(Placing, IppPrinterGetsEveryPageAsItIsExceptThoseOnlyDrawingKeeps) {
    QUORLEX_REQUIRE_SANDBOX();
    const std::string title = sandbox::uniqueTitle("placing");
    const RunResult result = sandbox::printPdf(source(), sandbox::environment()->ippQueue, title,
                                               {"Log=PDFPrintFns:stderr:100"});
    sandbox::expectPrinted(result);
    const std::string printed = sandbox::printedDocument(title);
    ASSERT_FALSE(printed.empty());
    expectAsTheyAre(source(), printed, result.err);
}

TEST_F(Placing, APageWhoseContentCannotBeReadIsDrawnAndTheRestPlaced) {
    testpdf::PdfBuilder pdf;
    pdf.page({kA4W, kA4H, marks(kA4W, kA4H)});
    pdf.encodedStream("damaged", "/FlateDecode", "x\x9c this is no deflate stream");
    testpdf::Page damaged{kA4W, kA4H, marks(kA4W, kA4H)};
    damaged.moreContent = {"{damaged}"};
    pdf.page(damaged);
    const std::string source = *folder_ + "/damaged.pdf", out = *folder_ + "/damaged-out.pdf";
    pdf.write(source);

    const RunResult result = sandbox::printPdf(source, "file:" + out, "Damaged",
                                               {"Log=PDFPrintFns:stderr:100"});
    sandbox::expectPrinted(result);
    const std::string log = unwrapped(result.err);
    EXPECT_NE(log.find("Page 0 placed"), std::string::npos) << log;
    EXPECT_NE(log.find("Page 1 drawn: its content could not be read for placing"), std::string::npos)
        << log;
    // What poppler could read of the page is there.
    EXPECT_LT(sandbox::meanDifference(sandbox::renderPage(source, 2, kDpi), sandbox::renderPage(out, 2, kDpi),
                             false),
              3.0);
}

TEST_F(Placing, RenderAlwaysDrawsEveryPageAsBefore) {
    const std::string out = *folder_ + "/drawn.pdf";
    const RunResult result = sandbox::printPdf(source(), "file:" + out, "Drawn",
                                               {"Render=always", "Log=PDFPrintFns:stderr:100"});
    sandbox::expectPrinted(result);
    EXPECT_NE(unwrapped(result.err).find("Page 0 drawn: Render=always"), std::string::npos) << result.err;
    // Drawn by poppler onto cairo: colour comes out as RGB, the mask as an image.
    EXPECT_EQ(testpdf::pageContent(out, 1).find("0 0 0 1 k"), std::string::npos);
    EXPECT_FALSE(testpdf::colourSpaceFamilies(out, 2).count("/Separation"));
    EXPECT_GT(testpdf::imageCount(out, 4), 0);
    const sandbox::GrayImage expected = sandbox::renderPage(source(), 1, kDpi);
    EXPECT_LT(sandbox::meanDifference(expected, sandbox::renderPage(out, 1, kDpi), false), 3.0);

    const RunResult refused = sandbox::printPdf(source(), "file:" + out, "Drawn", {"Render=sometimes"});
    EXPECT_NE(unwrapped(refused.err).find("Unable to print document: Render=sometimes is not accepted: use "
                               "auto or always"),
              std::string::npos) << refused.err;
}

}  // namespace
}  // namespace itest
