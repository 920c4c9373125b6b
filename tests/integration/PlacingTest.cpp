// Pages reach the printer as they are: their colours, transparency and
// geometry pass through untouched, forms and printable annotations print as
// a viewer shows them, and only the pages placing would spoil are drawn.
// Checked on one generated document, printed to file: and through the
// sandbox's IPP printer.
#include <gtest/gtest.h>

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

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

// ------------------------------------------- hostile, broken, restricted

// Documents that are hostile, broken or restricted, or that hold what a
// printer gets wrong (forms, layers, shared content, transparency groups),
// each printed to file: every outcome is a printed document that passes
// qpdf --check with every stream decodable, as light as the input and
// showing what a viewer prints, or a run that says why nothing (or what)
// was left out.
struct Hazard {
    const char* what;
    // Writes the document into the folder; returns its path.
    std::function<std::string(const std::string& folder)> document;
    int exitCode;                  // under ExitCode=result
    int pages;                     // in the output; -1: no output at all
    const char* logged;            // the log holds this
    std::vector<std::string> extra = {};
    bool withoutDrawing = false;   // a copy of the program without its plugins
    bool looksLikeSource = false;  // the printed page renders as the source's
    std::string inContent = "";    // the first printed page's content holds this
    // Whatever else the printed document must be.
    std::function<void(const std::string& source, const std::string& printed)> alsoCheck = {};
};

std::string built(testpdf::PdfBuilder& pdf, const std::string& path) {
    pdf.write(path);
    return path;
}

std::string written(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string onePage(const std::string& folder, const std::string& name, testpdf::Page page) {
    testpdf::PdfBuilder pdf;
    pdf.page(page);
    return built(pdf, folder + "/" + name);
}

// An A4 page whose only content stream is this stream, given encoded.
std::string encodedContent(const std::string& folder, const std::string& name, const char* filter) {
    testpdf::PdfBuilder pdf;
    pdf.encodedStream("content", filter, "x\x9c this is no encoded content 0 0 1 rg 0 0 100 100 re f");
    testpdf::Page page{kA4W, kA4H, ""};
    page.contents = "{content}";
    pdf.page(page);
    return built(pdf, folder + "/" + name);
}

// A document whose page tree is a chain of that many levels.
std::string deepTree(const std::string& folder, int levels) {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
    for (int level = 0; level < levels; ++level) {
        const int number = 2 + level;
        const std::string parent = level > 0 ? "/Parent " + std::to_string(number - 1) + " 0 R " : "";
        objects.push_back("<< /Type /Pages " + parent + "/Kids [" + std::to_string(number + 1) +
                          " 0 R] /Count 1 >>");
    }
    const int page = 2 + levels;
    objects.push_back("<< /Type /Page /Parent " + std::to_string(page - 1) + " 0 R /MediaBox [0 0 595.276 841.89] "
                      "/Contents " + std::to_string(page + 1) + " 0 R >>");
    const std::string content = marks(kA4W, kA4H);
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
    return written(folder + "/deep.pdf", testpdf::pdfOfObjects(objects));
}

// The data repeated that many times, compressed with Flate.
std::string deflated(const std::string& data, int times = 1) {
    std::string compressed;
    Pl_String collect("deflated", nullptr, compressed);
    Pl_Flate deflate("deflated", &collect, Pl_Flate::a_deflate);
    for (int time = 0; time < times; ++time)
        deflate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    deflate.finish();
    return compressed;
}

// A page whose content's predictor would work on rows of 256 MiB.
std::string hugePredictorRows(const std::string& folder) {
    testpdf::PdfBuilder pdf;
    pdf.encodedStream("content", "/FlateDecode", deflated(marks(kA4W, kA4H)),
                      "<< /DecodeParms << /Predictor 2 /Colors 268435456 /Columns 1 >> >>");
    testpdf::Page page{kA4W, kA4H, ""};
    page.contents = "{content}";
    pdf.page(page);
    return built(pdf, folder + "/predictor.pdf");
}

// An appearance of a few kilobytes that inflates to more than an
// appearance may: 65 MiB of blanks.
std::string appearanceBomb(const std::string& folder) {
    const std::string compressed = deflated(std::string(1 << 20, ' '), 65);
    testpdf::PdfBuilder pdf;
    pdf.encodedStream("bomb", "/FlateDecode", compressed, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>");
    testpdf::Page page{kA4W, kA4H, marks(kA4W, kA4H)};
    page.annotations = {"<< /Type /Annot /Subtype /Square /Rect [100 100 200 200] /F 4 /AP << /N {bomb} >> >>"};
    pdf.page(page);
    return built(pdf, folder + "/bomb.pdf");
}

// The marks, then more than the check reads of a content stream: 257 MiB
// of blanks in some 250 kilobytes.
std::string contentBomb(const std::string& folder) {
    testpdf::PdfBuilder pdf;
    std::string compressed;
    {
        Pl_String collect("deflated", nullptr, compressed);
        Pl_Flate deflate("deflated", &collect, Pl_Flate::a_deflate);
        const std::string content = marks(kA4W, kA4H), blanks(1 << 20, ' ');
        deflate.write(reinterpret_cast<const unsigned char*>(content.data()), content.size());
        for (int mib = 0; mib < 257; ++mib)
            deflate.write(reinterpret_cast<const unsigned char*>(blanks.data()), blanks.size());
        deflate.finish();
    }
    pdf.encodedStream("content", "/FlateDecode", compressed);
    testpdf::Page page{kA4W, kA4H, ""};
    page.contents = "{content}";
    pdf.page(page);
    return built(pdf, folder + "/content-bomb.pdf");
}

// A form whose field tree names each level's kid twice, 40 levels deep:
// 2^40 paths through a few kilobytes.
std::string fieldTreeOfManyPaths(const std::string& folder) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [4 0 R] /NeedAppearances true >> >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.276 841.89] >>"};
    for (int level = 0; level < 40; ++level) {
        const std::string kid = std::to_string(5 + level) + " 0 R";
        objects.push_back("<< /T (f" + std::to_string(level) + ") /Kids [" + kid + " " + kid + "] >>");
    }
    objects.push_back("<< /T (leaf) /FT /Tx >>");
    return written(folder + "/fields.pdf", testpdf::pdfOfObjects(objects));
}

// Damaged forms whose field trees poppler reads otherwise than qpdf, found
// by fuzzing: in one, qpdf finds no trailer; in the other, it takes a
// broken definition of a field that poppler does not.
std::string onlyPopplerReadsTheFieldTree(const std::string&) {
    return std::string(QUORLEX_TEST_DATA) + "/../fuzz/corpus/form-field-tree-only-poppler-reads.pdf";
}
std::string fieldTreeReadOtherwise(const std::string&) {
    return std::string(QUORLEX_TEST_DATA) + "/../fuzz/corpus/form-field-tree-read-otherwise.pdf";
}
// A damaged file, found by fuzzing, whose page tree names each level's kid
// twice, 21 levels deep: qpdf cannot read it, and poppler walks its 2^21
// paths for minutes.
std::string pageTreeOfManyPaths(const std::string&) {
    return std::string(QUORLEX_TEST_DATA) + "/../fuzz/corpus/page-tree-of-doubled-kids-damaged.pdf";
}

// The marks document written by qpdf with encryption that allows printing
// as given (none, low).
std::string encrypted(const std::string& folder, const std::string& print) {
    const std::string plain = onePage(folder, "plain-" + print + ".pdf", {kA4W, kA4H, marks(kA4W, kA4H)});
    const std::string path = folder + "/print-" + print + ".pdf";
    const RunResult made = sandbox::shell("qpdf --encrypt '' owner 256 --print=" + print + " -- '" + plain +
                                          "' '" + path + "'");
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return path;
}

// The marks page, then a page a twentieth of a point wide: less than a
// pixel at any printer's resolution.
std::string thinnerThanAPixel(const std::string& folder) {
    testpdf::PdfBuilder pdf;
    pdf.page({kA4W, kA4H, marks(kA4W, kA4H)});
    pdf.page({0.05, kA4H, "0 0 0 rg 0 0 0.05 842 re f\n"});
    return built(pdf, folder + "/thin.pdf");
}

// A page tree whose one kid is not a page: qpdf finds no page, poppler one
// that it cannot load either.
std::string noReadablePage(const std::string& folder) {
    return written(folder + "/unreadable.pdf",
                   testpdf::pdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                                          "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", "42"}));
}

// A page tree that counts three pages and holds two.
std::string miscounted(const std::string& folder) {
    testpdf::PdfBuilder pdf;
    pdf.page({kA4W, kA4H, marks(kA4W, kA4H)});
    pdf.page({kA4W, kA4H, marks(kA4W, kA4H)});
    const std::string path = built(pdf, folder + "/miscounted.pdf");
    std::string bytes = readFile(path);
    bytes.replace(bytes.find("/Count 2"), 8, "/Count 3");
    return written(path, bytes);
}

// The marks page with its cross-reference table pointing nowhere: qpdf
// reads it by repairing it, and says so.
std::string repaired(const std::string& folder) {
    const std::string path = onePage(folder, "repaired.pdf", {kA4W, kA4H, marks(kA4W, kA4H)});
    std::string bytes = readFile(path);
    bytes.replace(bytes.rfind("startxref\n") + 10, 1, "9");
    return written(path, bytes);
}

// ------------------------------------------------- forms, layers, weight

// Thirty pages that share one content stream of some weight: after it a
// stream of each page's own, or as their only stream.
std::string sharedContent(const std::string& folder, bool ownStreams) {
    testpdf::PdfBuilder pdf;
    std::string letterhead = "q 0 0 0.5 RG\n";
    for (int stroke = 0; stroke < 2000; ++stroke)
        letterhead += std::to_string(400 + stroke % 150) + " " + std::to_string(700 + stroke % 97) + " m 550 800 l S\n";
    pdf.stream("letterhead", "<< >>", letterhead + "Q\n");
    for (int number = 0; number < 30; ++number) {
        testpdf::Page page{kA4W, kA4H, ""};
        page.contents = "{letterhead}";
        if (ownStreams) {
            const std::string own = "own" + std::to_string(number);
            pdf.stream(own, "<< >>", "q 0 g 100 " + std::to_string(100 + 10 * number) + " 200 20 re f\n");
            page.contents = "[{letterhead} {" + own + "}]";
        }
        pdf.page(page);
    }
    return built(pdf, folder + (ownStreams ? "/letterhead.pdf" : "/shared.pdf"));
}

// Written once: no heavier than qpdf's own copy, with every stream the
// program made compressed.
void asLightAsQpdf(const std::string& source, const std::string& printed) {
    const std::string copy = printed + ".qpdf.pdf";
    ASSERT_EQ(sandbox::shell("qpdf '" + source + "' '" + copy + "'").exitCode, 0);
    EXPECT_LT(static_cast<double>(std::filesystem::file_size(printed)), 1.1 * std::filesystem::file_size(copy));
    EXPECT_EQ(testpdf::countObjects(printed, [](QPDFObjectHandle object) {
                  return object.isStream() && object.getDict().getKey("/Filter").isNull();
              }),
              0);
}

// A form whose fields (name, value, more entries) are widgets on one page
// with marks, their appearances to be made from the values.
// A page of text fields (name, value, entries); each names its default
// appearance, or, with fromForm, takes the form's.
std::string formPage(const std::string& folder, const std::string& name,
                     const std::vector<std::array<std::string, 3>>& fields, bool fromForm = false) {
    testpdf::PdfBuilder pdf;
    pdf.object("helv", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    testpdf::Page page{kA4W, kA4H, marks(kA4W, kA4H)};
    std::string all;
    for (const auto& [field, value, entries] : fields) {
        pdf.object(field, "<< /Type /Annot /Subtype /Widget /FT /Tx /T (" + field + ") /V " + value +
                              " /F 4 " + (fromForm ? "" : "/DA (/Helv 18 Tf 0 g) ") + entries + " >>");
        page.annotations.push_back("{" + field + "}");
        all += "{" + field + "} ";
    }
    pdf.page(page);
    pdf.catalog("/AcroForm", "<< /Fields [" + all + "] /NeedAppearances true /DR << /Font << /Helv {helv} >> >>" +
                                 (fromForm ? " /DA (/Helv 18 Tf 0 g)" : "") + " >>");
    return built(pdf, folder + "/" + name);
}

// A form of the CUPS data folder with these values set, or "" when CUPS
// does not have it here.
std::string filledCupsForm(const std::string& folder, const std::string& name,
                           const std::vector<std::pair<std::string, std::string>>& values) {
    const std::string form = "/usr/share/cups/data/" + name;
    if (!fileExists(form)) return "";
    QPDF pdf;
    pdf.processFile(form.c_str());
    QPDFAcroFormDocumentHelper forms(pdf);
    for (QPDFFormFieldObjectHelper& field : forms.getFormFields()) {
        for (const auto& [fieldName, value] : values) {
            if (field.getFullyQualifiedName() == fieldName) field.setV(value, true);
        }
    }
    const std::string path = folder + "/filled-" + name;
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
    return path;
}

// Where the word begins across the printed page, in points; -1 when the
// page does not have it.
double wordLeft(const std::string& pdf, const std::string& word) {
    const std::string boxes = sandbox::shell("pdftotext -bbox '" + pdf + "' -").out;
    const size_t at = boxes.find(">" + word + "</word>");
    if (at == std::string::npos) return -1;
    const size_t left = boxes.rfind("xMin=\"", at);
    return left == std::string::npos ? -1 : std::atof(boxes.c_str() + left + 6);
}

std::string blanksRemoved(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); }), text.end());
    return text;
}

// The printed first page at the sheet's resolution, ink at a point.
int inkAt(const std::string& pdf, double x, double y) {
    const sandbox::GrayImage image = sandbox::renderPage(pdf, 1, kDpi);
    if (image.width == 0) return -1;
    return 255 - image.at(static_cast<int>(x * kDpi / 72), image.height - 1 - static_cast<int>(y * kDpi / 72));
}

const Hazard kHazards[] = {
    {"an opacity stored as an indirect number",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         pdf.object("opacity", "0.3");
         pdf.page({kA4W, kA4H, "0 0 1 rg 50 50 400 600 re f q /Half gs 1 0 0 rg 150 150 400 600 re f Q\n",
                   "<< /ExtGState << /Half << /ca {opacity} >> >> >>"});
         return built(pdf, folder + "/opacity.pdf");
     },
     0, 1, "Page 0 placed", {}, false, true},
    {"a page tree 30,000 levels deep", [](const std::string& folder) { return deepTree(folder, 30000); }, 0, 1,
     "Page 0 drawn: the document could not be read for placing", {}, false, true},
    {"an appearance that inflates beyond what one may", appearanceBomb, 0, 1,
     "Page 0 drawn: an annotation's appearance could not be read for placing"},
    {"a form field tree of 2^40 paths", fieldTreeOfManyPaths, 0, 1, "Page 0 placed"},
    {"a form field tree of 2^40 paths, every page drawn", fieldTreeOfManyPaths, 1, -1,
     "The document cannot be drawn: its form field tree has more than 10000 paths", {"Render=always"}},
    {"a form field tree of 2^40 paths in a file only poppler reads", onlyPopplerReadsTheFieldTree, 1, -1,
     "Unable to load PDF document: 3"},
    {"a form field tree of many paths where qpdf reads few", fieldTreeReadOtherwise, 0, 1, "Page 0 placed"},
    {"the same, every page drawn", fieldTreeReadOtherwise, 1, -1,
     "The document cannot be drawn: its form field tree has more than 10000 paths", {"Render=always"}},
    // Found by fuzzing: qpdf cannot read it, and poppler (pdftocairo too)
    // parses its damaged objects again and again without end. Every page
    // costs its budget and is skipped; nothing printed is a failed run.
    {"a damaged file whose every page poppler never finishes drawing",
     [](const std::string&) {
         return std::string(QUORLEX_TEST_DATA) + "/../fuzz/held/poppler-never-finishes.pdf";
     },
     1, -1,
     "Page 7 cannot be printed: drawing it took more than 1 s", {"DrawingTime=1"}},
    {"a page tree of 2^21 paths in a file only poppler reads", pageTreeOfManyPaths, 1, -1,
     "Unable to load PDF document: 3"},
    {"the same, every page drawn", pageTreeOfManyPaths, 1, -1,
     "The document cannot be drawn: its page tree has more than 100000 paths", {"Render=always"}},
    {"a page smaller than a pixel at the printer's resolution", thinnerThanAPixel, 3, 1,
     "Page 1 could not be printed: it is smaller than a pixel at the printer's resolution"},
    // Drawn pages are placed too: its sheet is withdrawn as well.
    {"the same, every page drawn", thinnerThanAPixel, 3, 1,
     "Page 1 could not be printed: it is smaller than a pixel at the printer's resolution", {"Render=always"}},
    {"a single content stream of damaged Flate data",
     [](const std::string& folder) { return encodedContent(folder, "flate.pdf", "/FlateDecode"); }, 0, 1,
     "Page 0 drawn: its content could not be read for placing"},
    {"content whose predictor rows would take gigabytes", hugePredictorRows, 0, 1,
     "Page 0 drawn: its content could not be read for placing"},
    {"content that inflates beyond what the check reads", contentBomb, 0, 1,
     "Page 0 drawn: its content inflates beyond 256 MiB", {}, false, true},
    {"content in a filter qpdf does not decode (JBIG2)",
     [](const std::string& folder) { return encodedContent(folder, "jbig2.pdf", "/JBIG2Decode"); }, 0, 1,
     "Page 0 drawn: its content could not be read for placing"},
    {"a file qpdf repairs", repaired, 0, 1, "qpdf: ", {}, false, true},
    {"a page tree that counts more pages than it holds", miscounted, 3, 2,
     "Page 0 drawn: the document is damaged"},
    {"no page anyone can load", noReadablePage, 1, -1, "Unable to load PDF page 0"},
    {"no page at all", [](const std::string&) { return std::string(QUORLEX_TEST_DATA) + "/empty.pdf"; }, 1, 0,
     ""},
    {"printing forbidden", [](const std::string& folder) { return encrypted(folder, "none"); }, 1, -1,
     "Unable to print document: the document does not allow printing"},
    {"printing forbidden, every page drawn",
     [](const std::string& folder) { return encrypted(folder, "none"); }, 1, -1,
     "Unable to print document: the document does not allow printing", {"Render=always"}},
    {"printing allowed at low quality only", [](const std::string& folder) { return encrypted(folder, "low"); },
     0, 1, "Page 0 placed", {}, false, true},
    {"a page that needs drawing, without drawing",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         pdf.page({kA4W, kA4H, marks(kA4W, kA4H)});
         testpdf::Page square{kA4W, kA4H, marks(kA4W, kA4H)};
         square.annotations = {"<< /Type /Annot /Subtype /Square /Rect [100 100 300 300] /F 4 /C [0 0 0] >>"};
         pdf.page(square);
         return built(pdf, folder + "/needs-drawing.pdf");
     },
     3, 1, "Page 1 needs drawing (a printable annotation has no appearance): Unable to load the plugin quorlex-drawing.so",
     {}, true},
    {"an A4 page on A4 paper, at true size",
     [](const std::string& folder) { return onePage(folder, "a4.pdf", {kA4W, kA4H, marks(kA4W, kA4H)}); }, 0, 1,
     "Page 0 placed", {}, false, true, "\n1 0 0 1 0 "},
    {"a letterhead stream thirty pages share before their own",
     [](const std::string& folder) { return sharedContent(folder, true); }, 0, 30, "Page 29 placed", {}, false, true,
     "", asLightAsQpdf},
    {"one content stream thirty pages share",
     [](const std::string& folder) { return sharedContent(folder, false); }, 0, 30, "Page 29 placed", {}, false, true,
     "", asLightAsQpdf},
    {"pages that declare a transparency group",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         testpdf::Page page{kA4W, kA4H, marks(kA4W, kA4H)};
         page.entries = {{"/Group", "<< /Type /Group /S /Transparency /CS /DeviceRGB /I true >>"}};
         pdf.page(page);
         pdf.page(page);
         return built(pdf, folder + "/groups.pdf");
     },
     0, 2, "Page 1 placed", {}, false, true, "",
     [](const std::string&, const std::string& printed) {
         // On the sheet, where it blends the page; not on the page's form,
         // which would have a printer's interpreter blend it as transparent.
         EXPECT_EQ(testpdf::countObjects(printed, [](QPDFObjectHandle object) {
                       return object.isStream() && object.getDict().getKey("/Subtype").isNameAndEquals("/Form") &&
                              object.getDict().hasKey("/Group");
                   }),
                   0);
         EXPECT_EQ(testpdf::countObjects(printed, [](QPDFObjectHandle object) {
                       return object.isDictionary() && object.getKey("/Type").isNameAndEquals("/Page") &&
                              object.hasKey("/Group");
                   }),
                   2);
     }},
    {"a catalog that names a later version than the header",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         pdf.page({kA4W, kA4H, marks(kA4W, kA4H)});
         pdf.catalog("/Version", "/1.7");
         return built(pdf, folder + "/version.pdf");
     },
     0, 1, "Page 0 placed", {}, false, true, "",
     [](const std::string&, const std::string& printed) { EXPECT_EQ(readFile(printed).substr(0, 8), "%PDF-1.7"); }},
    {"every page needs drawing",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         pdf.object("helv", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
         for (int number = 0; number < 5; ++number) {
             testpdf::Page page{kA4W, kA4H, "BT /F1 24 Tf 72 700 Td (Page " + std::to_string(number) + ") Tj ET\n",
                                "<< /Font << /F1 {helv} >> >>"};
             page.annotations = {"<< /Type /Annot /Subtype /Square /Rect [100 100 300 300] /F 4 /C [0 0 0] >>"};
             pdf.page(page);
         }
         return built(pdf, folder + "/all-drawn.pdf");
     },
     0, 5, "Page 4 drawn: a printable annotation has no appearance", {}, false, false, "",
     [](const std::string&, const std::string& printed) {
         // Drawn together: its font once, not once per page.
         EXPECT_EQ(testpdf::countObjects(printed, [](QPDFObjectHandle object) {
                       return object.isDictionary() && object.getKey("/Type").isNameAndEquals("/FontDescriptor");
                   }),
                   1);
     }},
    {"a check box that is off and has no off appearance",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         pdf.object("gold", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0.3 0.9 0.4] /N 1 >>");
         pdf.stream("tick", "<< /Type /XObject /Subtype /Form /BBox [0 0 20 20] >>", "0 g 0 0 20 20 re f\n");
         pdf.object("box", "<< /Type /Annot /Subtype /Widget /FT /Btn /T (agreed) /V /Off /AS /Off /F 4 "
                           "/Rect [100 600 120 620] /AP << /N << /Yes {tick} >> >> >>");
         testpdf::Page page{kA4W, kA4H, marks(kA4W, kA4H) + "/Gold cs 1 scn 100 100 300 200 re f\n",
                            "<< /ColorSpace << /Gold [/Separation /Gold /DeviceCMYK {gold}] >> >>"};
         page.annotations = {"{box}"};
         pdf.page(page);
         pdf.catalog("/AcroForm", "<< /Fields [{box}] >>");
         return built(pdf, folder + "/checkbox.pdf");
     },
     0, 1, "Page 0 placed", {}, false, true, "",
     [](const std::string&, const std::string& printed) {
         EXPECT_TRUE(testpdf::colourSpaceFamilies(printed, 1).count("/Separation")) << "placed, not drawn";
         EXPECT_LT(inkAt(printed, 110, 610), 64) << "an off box shows nothing";
     }},
    {"annotations on layers that do not print",
     [](const std::string& folder) {
         testpdf::PdfBuilder pdf;
         pdf.object("off", "<< /Type /OCG /Name (off) >>");
         pdf.object("screen", "<< /Type /OCG /Name (screen) /Usage << /Print << /PrintState /OFF >> >> >>");
         pdf.object("offOnly", "<< /Type /OCMD /OCGs [{off}] /P /AllOn >>");
         pdf.stream("box", "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>", "0 g 0 0 100 100 re f\n");
         testpdf::Page page{kA4W, kA4H, ""};
         const auto square = [](const std::string& rect, const std::string& layer) {
             return "<< /Type /Annot /Subtype /Square /Rect [" + rect + "] /F 4 /AP << /N {box} >> " + layer + ">>";
         };
         page.annotations = {square("100 100 200 200", "/OC {off} "), square("300 100 400 200", "/OC {screen} "),
                             square("100 300 200 400", "/OC {offOnly} "), square("300 300 400 400", "")};
         pdf.page(page);
         pdf.catalog("/OCProperties", "<< /OCGs [{off} {screen}] /D << /OFF [{off}] /AS [<< /Event /Print "
                                      "/OCGs [{screen}] /Category [/Print] >>] >> >>");
         return built(pdf, folder + "/layers.pdf");
     },
     0, 1, "Page 0 placed", {}, false, false, "",
     [](const std::string&, const std::string& printed) {
         EXPECT_LT(inkAt(printed, 150, 150), 64) << "a layer that is off";
         EXPECT_LT(inkAt(printed, 350, 150), 64) << "a layer that does not print";
         EXPECT_LT(inkAt(printed, 150, 350), 64) << "a membership of a layer that is off";
         EXPECT_GT(inkAt(printed, 350, 350), 192) << "no layer";
     }},
    {"a right-aligned amount",
     [](const std::string& folder) {
         return formPage(folder, "right.pdf", {{"amount", "(1234.56 EUR)", "/Q 2 /Rect [72 600 500 640]"}});
     },
     0, 1, "Page 0 drawn: a form value is aligned, combed or on several lines", {}, false, false, "",
     [](const std::string&, const std::string& printed) { EXPECT_GT(wordLeft(printed, "1234.56"), 350); }},
    {"a comb field and a multiline field",
     [](const std::string& folder) {
         return formPage(folder, "comb.pdf",
                         {{"code", "(12345)", "/Ff 16777216 /MaxLen 5 /Rect [72 600 272 640]"},
                          {"note", "(first line\\rsecond line)", "/Ff 4096 /Rect [72 300 500 400]"}});
     },
     0, 1, "Page 0 drawn: a form value is aligned, combed or on several lines", {}, false, false, "",
     [](const std::string&, const std::string& printed) {
         // Each digit in a cell of its own, from the left.
         const std::string printedText = text(printed, 1);
         EXPECT_LT(wordLeft(printed, "1"), wordLeft(printed, "2") - 30) << printedText;
         EXPECT_LT(wordLeft(printed, "4"), wordLeft(printed, "5") - 30) << printedText;
         EXPECT_NE(printedText.find("first line\nsecond line"), std::string::npos) << printedText;
     }},
    {"the CUPS English form, filled",
     [](const std::string& folder) {
         return filledCupsForm(folder, "form_english.pdf",
                               {{"job-id", "4711"},
                                {"job-title", "A title long enough to need a second line in the field of the form"}});
     },
     0, 1, "Page 0 drawn: a form value is aligned, combed or on several lines", {}, false, true, "",
     [](const std::string&, const std::string& printed) {
         EXPECT_NE(blanksRemoved(text(printed, 1)).find("Atitlelongenoughtoneedasecondline"), std::string::npos);
     }},
    {"the CUPS Russian form, filled",
     [](const std::string& folder) {
         return filledCupsForm(folder, "form_russian.pdf",
                               {{"job-id", "\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440 1"}});
     },
     0, 1, "Page 0 drawn: a form value has characters placing cannot draw", {}, false, false, "",
     [](const std::string&, const std::string& printed) {
         EXPECT_NE(text(printed, 1).find("\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440 1"),
                   std::string::npos);
     }},
    {"a form value beyond ASCII in a field that takes its appearance from the form",
     [](const std::string& folder) {
         return formPage(folder, "from-form.pdf", {{"dish", "<FEFF00730061006C00610064002003C0>", "/Rect [72 600 500 640]"}},
                         true);
     },
     0, 1, "Page 0 drawn: a form value has characters placing cannot draw", {}, false, false, "",
     [](const std::string&, const std::string& printed) {
         EXPECT_NE(text(printed, 1).find("salad \u03c0"), std::string::npos) << text(printed, 1);
     }},
    {"the same, every page drawn",
     [](const std::string& folder) {
         return formPage(folder, "from-form.pdf", {{"dish", "<FEFF00730061006C00610064002003C0>", "/Rect [72 600 500 640]"}},
                         true);
     },
     0, 1, "Page 0 drawn: Render=always", {"Render=always"}, false, false, "",
     [](const std::string&, const std::string& printed) {
         EXPECT_NE(text(printed, 1).find("salad \u03c0"), std::string::npos) << text(printed, 1);
     }},
    {"a form value no font here can draw",
     [](const std::string& folder) {
         // A Yi syllable, which no font of the system has.
         return formPage(folder, "yi.pdf", {{"word", "<FEFFA000>", "/Rect [72 600 500 640]"}});
     },
     1, -1, "Page 0 cannot be printed: a form value has a character no font here has (U+A000)"},
    {"a form value too long to draw in time",
     [](const std::string& folder) {
         // Poppler would look a font up on the system for each letter.
         std::string value = "<FEFF";
         for (int letter = 0; letter < 400; ++letter) value += "041F";
         return formPage(folder, "long.pdf", {{"word", value + ">", "/Rect [72 600 500 640]"}});
     },
     1, -1, "Page 0 cannot be printed: its form values beyond ASCII are too long to draw (400 characters; at most 300)"},
    {"a password, without drawing",
     [](const std::string&) { return std::string(QUORLEX_TEST_DATA) + "/encrypted.pdf"; }, 1, -1,
     "Unable to print document: Unable to load PDF document: 4", {}, true},
    {"no PDF, without drawing",
     [](const std::string&) { return std::string(QUORLEX_TEST_DATA) + "/not-a-pdf.pdf"; }, 1, -1,
     "Unable to print document: Unable to load PDF document: 3", {}, true},
};

TEST_F(Placing, HostileBrokenAndRestrictedDocumentsPrintSoundlyOrSayWhatWasLeftOut) {
    namespace fs = std::filesystem;
    const std::string bare = *folder_ + "/bare";
    fs::create_directories(bare);
    fs::copy_file(QUORLEX_BIN, bare + "/quorlex", fs::copy_options::overwrite_existing);

    for (const Hazard& hazard : kHazards) {
        SCOPED_TRACE(hazard.what);
        const std::string source = hazard.document(*folder_);
        if (source.empty()) {
            std::cout << "[  SKIPPED ] " << hazard.what << ": its document is not on this machine\n";
            continue;
        }
        const std::string out = *folder_ + "/hazard-out.pdf";
        fs::remove(out);
        std::vector<std::string> args = {"ExitCode=result", "Log=main:stderr:0,PDFPrintFns:stderr:100", "-printpdf", source,
                                         "file:" + out, "Hazard"};
        args.insert(args.end(), hazard.extra.begin(), hazard.extra.end());
        const RunResult result =
            run(hazard.withoutDrawing ? bare + "/quorlex" : std::string(QUORLEX_BIN), args, sandbox::unattended());
        const std::string log = unwrapped(result.err);
        EXPECT_EQ(result.exitCode, hazard.exitCode) << log;
        EXPECT_NE(log.find(hazard.logged), std::string::npos) << log;
        EXPECT_EQ(log.find("Sanitizer"), std::string::npos) << log;
        if (hazard.pages < 0) {
            EXPECT_FALSE(fileExists(out));
            continue;
        }
        if (!fileExists(out)) {
            ADD_FAILURE() << "nothing printed\n" << log;
            continue;
        }
        EXPECT_EQ(testpdf::pageCount(out), hazard.pages);
        const RunResult check = sandbox::shell("qpdf --check '" + out + "'");
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        EXPECT_EQ(testpdf::undecodableStreams(out), std::vector<std::string>{});
        EXPECT_LT(fs::file_size(out), 1u << 20) << "as light as what it shows";
        if (!hazard.inContent.empty()) {
            EXPECT_NE(testpdf::pageContent(out, 1).find(hazard.inContent), std::string::npos)
                << testpdf::pageContent(out, 1);
        }
        if (hazard.alsoCheck) hazard.alsoCheck(source, out);
        if (hazard.looksLikeSource) {
            EXPECT_LT(sandbox::meanDifference(sandbox::renderPage(source, 1, kDpi), sandbox::renderPage(out, 1, kDpi)),
                      3.0);
        }
    }
}

}  // namespace
}  // namespace itest
