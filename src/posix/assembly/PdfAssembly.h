// The document a job assembles: one sheet per printed page, each holding the
// pages placed on it as form XObjects under a transformation, clipped to the
// printable area. Written out in one go through a qpdf Pipeline once the job
// ends; the content of the source pages is copied from their documents only
// then, as it is written.
#pragma once

#include <qpdf/PDFVersion.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "posix/assembly/Placement.h"
#include "posix/assembly/SourcePage.h"

namespace posix::assembly {

class PdfAssembly {
public:
    // The title (UTF-8) goes into the document information.
    explicit PdfAssembly(const std::string& title);
    PdfAssembly(const PdfAssembly&) = delete;
    PdfAssembly& operator=(const PdfAssembly&) = delete;

    // A new sheet of the size (points); a sheet in progress is ended first.
    void beginSheet(double widthPoints, double heightPoints);
    // Places the page on the sheet in progress: the page's own space goes
    // through the transformation, and nothing shows outside clip (sheet
    // space). Throws (std::exception) when the page cannot be copied; the
    // sheet is then as it was.
    void place(const SourcePage& page, const Matrix& pageToSheet, const Box& clip);
    void endSheet();
    bool inSheet() const { return sheet_.open; }
    int sheets() const { return sheetCount_; }

    // Writes the document into out; throws (std::exception) on failure.
    void write(Pipeline& out);

private:
    struct Sheet {
        bool open = false;
        double width = 0, height = 0;
        std::string content;
        QPDFObjectHandle xobjects;
        QPDFObjectHandle group;
        int names = 0;
    };

    void noteSource(const std::shared_ptr<QPDF>& document);
    QPDFObjectHandle formFor(const SourcePage& page);
    QPDFObjectHandle copied(QPDFObjectHandle foreign);

    QPDF out_;
    std::set<std::shared_ptr<QPDF>> sources_;
    std::map<std::pair<const QPDF*, QPDFObjGen>, QPDFObjectHandle> forms_;
    Sheet sheet_;
    int sheetCount_ = 0;
    PDFVersion version_{1, 4};
    bool objectStreams_ = false;
};

// A complete PDF of no pages with the title (UTF-8).
std::string emptyPdf(const std::string& title);

// Formats a number for a content stream: fixed point, no exponent, no
// trailing zeros.
std::string pdfNumber(double value);

}  // namespace posix::assembly
