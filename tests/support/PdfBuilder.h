// Small PDF documents for the tests, built with qpdf from content streams
// and objects written in PDF syntax, and ways to look inside a PDF.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <string>
#include <vector>

namespace testpdf {

struct Rect {
    double left = 0, bottom = 0, right = 0, top = 0;
};

struct Page {
    Page() = default;
    Page(double w, double h, std::string pageContent, std::string pageResources = "<< >>")
        : width(w), height(h), content(std::move(pageContent)), resources(std::move(pageResources)) {}

    double width = 595.276;        // media box from (0, 0), points
    double height = 841.89;
    std::string content;           // the content stream
    std::string resources = "<< >>";   // PDF syntax; may name objects as "{name}"
    std::optional<Rect> cropBox;
    int rotate = 0;
    double userUnit = 0;           // 0: none given
    std::vector<std::string> annotations;   // annotation dictionaries, PDF syntax
    std::vector<std::string> moreContent;   // streams ("{name}") after the content
    std::string contents;          // PDF syntax for /Contents instead of the above
    std::vector<std::pair<std::string, std::string>> entries;   // more keys, PDF syntax
};

class PdfBuilder {
public:
    PdfBuilder();

    // An indirect object from PDF syntax; "{name}" in later texts refers to it.
    void object(const std::string& name, const std::string& syntax);
    // An indirect stream with the dictionary (PDF syntax) and data.
    void stream(const std::string& name, const std::string& dictionary, const std::string& data);
    // A stream whose data is given already encoded with the filter, which
    // it need not be (a damaged stream), with more entries (PDF syntax).
    void encodedStream(const std::string& name, const std::string& filter, const std::string& data,
                       const std::string& dictionary = "<< >>");
    void page(const Page& page);
    // Sets a key of the document catalog (PDF syntax).
    void catalog(const std::string& key, const std::string& syntax);

    void write(const std::string& path);
    QPDF& pdf() { return pdf_; }

private:
    QPDFObjectHandle parse(const std::string& syntax);

    QPDF pdf_;
    std::vector<std::pair<std::string, QPDFObjectHandle>> named_;
};

// A PDF file of these objects, numbered from 1 in order, the first the
// catalog: for structures qpdf itself would not write.
std::string pdfOfObjects(const std::vector<std::string>& objects);

// A minimal ICC profile of one grey channel, so that ICC-based colour has
// a profile to refer to.
std::string grayIccProfile();

// ------------------------------------------------------------- looking inside

// The decoded content of the page (from 1) and of every form XObject it
// draws, however deep.
std::string pageContent(const std::string& pdf, int page);
// The colour space families its resources use (/DeviceCMYK, /Separation,
// /ICCBased, ...), forms and patterns included.
std::set<std::string> colourSpaceFamilies(const std::string& pdf, int page);
// The image XObjects the page draws, however deep.
int imageCount(const std::string& pdf, int page);
int pageCount(const std::string& pdf);
// The streams of the file whose data qpdf cannot decode with the filters
// it knows (Flate, LZW, ASCII, run-length; image filters are left as they
// are), as "object N G: why"; empty when every one decodes.
std::vector<std::string> undecodableStreams(const std::string& pdf);
// The objects of the file for which counted is true.
int countObjects(const std::string& pdf, const std::function<bool(QPDFObjectHandle)>& counted);

}  // namespace testpdf
