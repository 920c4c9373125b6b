// Writes the sample documents of tests/data, or a long document for the
// benchmarks:
//   make_sample_pdfs DIR              mixed.pdf, odd-size.pdf, empty.pdf,
//                                     not-a-pdf.pdf, truncated.pdf in DIR
//   make_sample_pdfs --pages N FILE   an A4 document of N pages of text and
//                                     drawing
//   make_sample_pdfs --letterhead N FILE   N pages that share one content
//                                     stream (a letterhead), each with text
//                                     of its own in a second stream
//   make_sample_pdfs --annotated N FILE    N pages of text, each with a
//                                     printable annotation without
//                                     appearance (every page is drawn)
//   make_sample_pdfs --jbig2-content N FILE   one page whose content is a
//                                     JBIG2 stream of 2 GiB decoded,
//                                     named N times (a hostile document)
//   make_sample_pdfs --dct-content N FILE   the same with a JPEG of 4 GiB
//                                     decoded, a few hundred bytes long
// Every sample page carries its number in big segment digits (drawn as
// paths, so no font is needed to see it), a black square in its top-left
// corner 10 mm in from both edges and a thin frame 5 mm in from the edges,
// so that where a page lands and how it is scaled shows when it is rendered.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/Jbig2.h"
#include "support/Jpeg.h"
#include "support/PdfBuilder.h"

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

struct PageSize {
    double widthMm;
    double heightMm;
};

constexpr PageSize kA4{210, 297};
constexpr PageSize kA4Landscape{297, 210};
constexpr PageSize kLetter{215.9, 279.4};
constexpr PageSize kA5{148, 210};
constexpr PageSize kOdd{100, 100};

// Seven segments a-g of each digit: top, top right, bottom right, bottom,
// bottom left, top left, middle.
const char* const kSegments[10] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg",
                                   "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"};

void drawDigit(cairo_t* cr, int digit, double x, double y, double width, double height) {
    const double t = width / 5;  // stroke thickness
    for (const char* s = kSegments[digit]; *s; ++s) {
        switch (*s) {
            case 'a': cairo_rectangle(cr, x, y, width, t); break;
            case 'b': cairo_rectangle(cr, x + width - t, y, t, height / 2); break;
            case 'c': cairo_rectangle(cr, x + width - t, y + height / 2, t, height / 2); break;
            case 'd': cairo_rectangle(cr, x, y + height - t, width, t); break;
            case 'e': cairo_rectangle(cr, x, y + height / 2, t, height / 2); break;
            case 'f': cairo_rectangle(cr, x, y, t, height / 2); break;
            case 'g': cairo_rectangle(cr, x, y + (height - t) / 2, width, t); break;
        }
    }
    cairo_fill(cr);
}

void drawNumber(cairo_t* cr, int number, double centreX, double centreY, double height) {
    const std::string digits = std::to_string(number);
    const double width = height / 2, gap = height / 6;
    const double total = digits.size() * width + (digits.size() - 1) * gap;
    double x = centreX - total / 2;
    for (char c : digits) {
        drawDigit(cr, c - '0', x, centreY - height / 2, width, height);
        x += width + gap;
    }
}

void drawSamplePage(cairo_t* cr, const PageSize& size, int number) {
    const double w = size.widthMm * kPointsPerMm, h = size.heightMm * kPointsPerMm;
    cairo_set_source_rgb(cr, 0, 0, 0);

    cairo_set_line_width(cr, 0.5);
    cairo_rectangle(cr, 5 * kPointsPerMm, 5 * kPointsPerMm, w - 10 * kPointsPerMm,
                    h - 10 * kPointsPerMm);
    cairo_stroke(cr);

    cairo_rectangle(cr, 10 * kPointsPerMm, 10 * kPointsPerMm, 20 * kPointsPerMm,
                    20 * kPointsPerMm);
    cairo_fill(cr);

    const double smaller = w < h ? w : h;
    drawNumber(cr, number, w / 2, h / 2, smaller / 3);

    char label[64];
    std::snprintf(label, sizeof label, "Page %d: %.1f x %.1f mm", number, size.widthMm,
                  size.heightMm);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 10);
    cairo_move_to(cr, 35 * kPointsPerMm, 20 * kPointsPerMm);
    cairo_show_text(cr, label);
}

cairo_surface_t* createPdf(const std::string& path, const char* title) {
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 100, 100);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "make_sample_pdfs: cannot write %s\n", path.c_str());
        std::exit(2);
    }
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "make_sample_pdfs");
    // A fixed date keeps the files the same from one generation to the next.
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE,
                                   "2024-01-01T00:00:00Z");
    return surface;
}

void finishPdf(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "make_sample_pdfs: %s: %s\n", path.c_str(),
                     cairo_status_to_string(status));
        std::exit(2);
    }
}

void writeSampleDocument(const std::string& path, const char* title,
                         const std::vector<PageSize>& pages) {
    cairo_surface_t* surface = createPdf(path, title);
    int number = 1;
    for (const PageSize& size : pages) {
        cairo_pdf_surface_set_size(surface, size.widthMm * kPointsPerMm,
                                   size.heightMm * kPointsPerMm);
        cairo_t* cr = cairo_create(surface);
        drawSamplePage(cr, size, number++);
        cairo_show_page(cr);
        cairo_destroy(cr);
    }
    finishPdf(surface, path);
}

// cairo gives every document at least one page: the document without
// pages is qpdf's empty document.
void writeEmptyDocument(const std::string& path) {
    testpdf::PdfBuilder empty;
    empty.write(path);
}

void writeTruncated(const std::string& source, const std::string& path) {
    std::ifstream in(source, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Cut inside the first page's content: no cross-reference table, no
    // page tree, nothing a reader could rebuild the document from.
    std::ofstream(path, std::ios::binary) << whole.substr(0, whole.size() / 20);
}

void writeLongDocument(const std::string& path, int pages) {
    cairo_surface_t* surface = createPdf(path, "Long document");
    const double w = kA4.widthMm * kPointsPerMm, h = kA4.heightMm * kPointsPerMm;
    cairo_pdf_surface_set_size(surface, w, h);
    for (int number = 1; number <= pages; ++number) {
        cairo_t* cr = cairo_create(surface);
        drawSamplePage(cr, kA4, number);
        cairo_select_font_face(cr, "serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 9);
        for (int line = 0; line < 60; ++line) {
            std::ostringstream text;
            text << "Page " << number << ", line " << line + 1
                 << ": the quick brown fox jumps over the lazy dog 0123456789.";
            cairo_move_to(cr, 20 * kPointsPerMm, (40 + line * 4) * kPointsPerMm);
            cairo_show_text(cr, text.str().c_str());
        }
        cairo_set_line_width(cr, 1);
        for (int i = 0; i < 20; ++i) {
            cairo_set_source_rgb(cr, i / 20.0, 0.3, 1 - i / 20.0);
            cairo_arc(cr, w * 0.75, h * 0.2, 10.0 + i * 2, 0, 6.283);
            cairo_stroke(cr);
        }
        cairo_show_page(cr);
        cairo_destroy(cr);
    }
    finishPdf(surface, path);
}

// Sixty lines of text for a page of the generated documents, in Helvetica
// as the resources name it /F1.
std::string textLines(int number) {
    std::ostringstream text;
    text << "BT /F1 9 Tf 57 760 Td 11 TL\n";
    for (int line = 0; line < 60; ++line)
        text << "(Page " << number << ", line " << line + 1
             << ": the quick brown fox jumps over the lazy dog 0123456789.) '\n";
    text << "ET\n";
    return text.str();
}

const char* const kHelvetica =
    "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
    "/Encoding /WinAnsiEncoding >> >> >>";

void writeLetterheadDocument(const std::string& path, int pages) {
    testpdf::PdfBuilder pdf;
    // A letterhead of some weight: a frame, a logo of many strokes, a rule.
    std::ostringstream letterhead;
    letterhead << "q 0.2 0.3 0.6 RG 2 w 28 28 539 786 re S\n";
    for (int stroke = 0; stroke < 3000; ++stroke) {
        letterhead << 450 + (stroke * 37) % 100 << " " << 740 + (stroke * 53) % 80 << " m "
                   << 450 + (stroke * 71) % 100 << " " << 740 + (stroke * 29) % 80 << " l S\n";
    }
    letterhead << "0.5 w 57 730 m 538 730 l S Q\n";
    pdf.stream("letterhead", "<< >>", letterhead.str());
    for (int number = 1; number <= pages; ++number) {
        const std::string own = "own" + std::to_string(number);
        pdf.stream(own, "<< >>", "q " + textLines(number) + "Q\n");
        testpdf::Page page{kA4.widthMm * kPointsPerMm, kA4.heightMm * kPointsPerMm, "", kHelvetica};
        page.contents = "[{letterhead} {" + own + "}]";
        pdf.page(page);
    }
    pdf.write(path);
}

void writeAnnotatedDocument(const std::string& path, int pages) {
    testpdf::PdfBuilder pdf;
    for (int number = 1; number <= pages; ++number) {
        testpdf::Page page{kA4.widthMm * kPointsPerMm, kA4.heightMm * kPointsPerMm, textLines(number), kHelvetica};
        page.annotations = {"<< /Type /Annot /Subtype /Square /Rect [400 60 540 120] /F 4 /C [0.8 0 0] "
                            "/BS << /W 3 >> >>"};
        pdf.page(page);
    }
    pdf.write(path);
}

// A hostile document of a few hundred bytes: one page whose content is a
// stream in a filter qpdf does not decode (so the page is drawn), named N
// times in /Contents; poppler decodes it whole each time and reads every
// byte of it as content.
//  - JBIG2: a blank white page 32768 pixels wide and 500,000 high, 2 GiB of
//    bytes 0xFF, none of which makes an operator; two errors for every
//    128. pdftocairo takes minutes for each time, at 2 GB of memory.
//  - DCT: a JPEG whose frame says 65500 x 65500 pixels, 4 GiB of bytes
//    0x80 read row by row at little memory; pdftocairo reports 64,000
//    errors a second of it, some 67 million for each time.
void writeHostileContentDocument(const std::string& path, const char* filter, const std::string& data, int times) {
    testpdf::PdfBuilder pdf;
    pdf.encodedStream("content", filter, data);
    std::string contents = "[";
    for (int time = 0; time < times; ++time) contents += "{content} ";
    testpdf::Page page{kA4.widthMm * kPointsPerMm, kA4.heightMm * kPointsPerMm, ""};
    page.contents = contents + "]";
    pdf.page(page);
    pdf.write(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4) {
        const std::string kind = argv[1];
        const int pages = std::atoi(argv[2]);
        if (pages <= 0) {
            std::fprintf(stderr, "make_sample_pdfs: page count must be positive\n");
            return 2;
        }
        if (kind == "--pages") {
            writeLongDocument(argv[3], pages);
            return 0;
        }
        if (kind == "--letterhead") {
            writeLetterheadDocument(argv[3], pages);
            return 0;
        }
        if (kind == "--annotated") {
            writeAnnotatedDocument(argv[3], pages);
            return 0;
        }
        if (kind == "--jbig2-content") {
            writeHostileContentDocument(argv[3], "/JBIG2Decode", testpdf::jbig2::blankPage(32768, 500000, false), pages);
            return 0;
        }
        if (kind == "--dct-content") {
            writeHostileContentDocument(argv[3], "/DCTDecode", testpdf::hugeGreyJpeg(), pages);
            return 0;
        }
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_pdfs DIR | make_sample_pdfs --pages|--letterhead|--annotated|--jbig2-content|--dct-content N FILE\n");
        return 2;
    }
    const std::string dir = argv[1];
    writeSampleDocument(dir + "/mixed.pdf", "Mixed page sizes", {kA4, kA4Landscape, kLetter, kA5});
    writeSampleDocument(dir + "/odd-size.pdf", "A page no paper matches", {kA4, kOdd, kA4});
    writeEmptyDocument(dir + "/empty.pdf");
    std::ofstream(dir + "/not-a-pdf.pdf") << "This is a plain text file, not a PDF document.\n";
    writeTruncated(dir + "/mixed.pdf", dir + "/truncated.pdf");
    return 0;
}
