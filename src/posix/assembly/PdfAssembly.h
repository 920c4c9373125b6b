// The document a job assembles: one sheet per printed page, each holding the
// pages placed on it under a transformation, clipped to the printable area:
// a page as a form XObject, or a page of several content streams with its
// streams themselves in the sheet's content, so that streams pages share
// are written once. It is written while it is made (PdfWriter): a page placed
// goes out at once with whatever of its document it needs that has not gone
// out before, so that neither the document nor its copy is ever held whole.
#pragma once

#include <qpdf/Pipeline.hh>
#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "posix/assembly/PdfWriter.h"
#include "posix/assembly/Placement.h"
#include "posix/assembly/SourcePage.h"
#include "posix/spooler/CopyLayout.h"

namespace posix::assembly {

class PdfAssembly {
public:
    // Starts the document in out; the title (UTF-8) goes into its
    // information. out must outlive the assembly.
    PdfAssembly(Pipeline& out, std::string title);
    PdfAssembly(const PdfAssembly&) = delete;
    PdfAssembly& operator=(const PdfAssembly&) = delete;

    // A new sheet of the size (points); a sheet in progress is ended first.
    void beginSheet(double widthPoints, double heightPoints);
    // Puts the page on the sheet in progress: the page's own space goes
    // through the transformation, and nothing shows outside clip (sheet
    // space). Throws (std::exception) when the page cannot be taken from
    // its document; the sheet is then as it was.
    void putOnSheet(const SourcePage& page, const Matrix& pageToSheet, const Box& clip);
    void endSheet();
    // Forgets the sheet in progress: nothing of it is written.
    void dropSheet();
    bool inSheet() const { return sheet_.open; }

    // The document holds the copies itself (a file printer, a driver that
    // wants manual copies): the whole document that many times over
    // (collated), or each sheet that many times. Printed on two sides, each
    // copy starts on a sheet of its own: a copy of an odd number of pages
    // ends with a blank one, and uncollated copies repeat the two sides of
    // a sheet together.
    void setCopies(const DocumentCopies& copies);
    // The document holds one copy and tells the driver to make that many,
    // each sheet its copies together, in the comments CUPS's raster filters
    // read them from (as CUPS's PDF filter writes them). Before the first sheet.
    void tellCopies(int copies);

    // Ends the document: the page tree, the catalog and the information,
    // the cross-reference table. Throws (std::exception) on failure.
    void finish();

private:
    struct Sheet {
        bool open = false;
        double width = 0, height = 0;
        std::string content;       // the sheet's own content (after the page's, when it has them)
        std::string resources;     // entries of its resources but /XObject
        std::string xobjects;      // entries of the /XObject dictionary
        std::string group;         // the sheet's transparency group, or empty
        int namesGiven = 0;        // resource names the sheet gave so far
        // A page whose content streams run as they are: the references to
        // them, what the sheet draws before them, and the names its
        // resources hold, which the sheet's own names must not take.
        std::string pageContents;
        std::string before;
        std::set<std::string> pageNames;
    };

    // A resource name for the sheet that none of it holds yet.
    static std::string freshName(const char* prefix, Sheet& sheet);

    // A page object of the document, as written: its body and its size.
    struct PageBody {
        std::string body;
        double width = 0, height = 0;
    };

    void noteSource(const std::shared_ptr<QPDF>& document);
    void addPage(const std::string& body);
    // A stream of the program's own, written compressed; the number of the
    // one written before when it is small and the same.
    int ownStream(const std::string& data);
    std::string blankPage(const PageBody& like) const;
    // The drawing whose pages were placed last: what they share is written
    // once, until a page of another drawing comes.
    std::shared_ptr<QPDF> lastDrawing_;
    // Forgets a document let go before the end.
    void letGo(const std::shared_ptr<QPDF>& document);
    // The number of a form made before from the document under the key.
    int* knownForm(const QPDF* document, const std::string& key);
    int formFor(const SourcePage& page);
    // A reference to the appearance stream's copy.
    std::string appearanceFor(QPDFObjectHandle appearance);

    PdfWriter writer_;
    std::string title_;
    int catalog_, pages_, info_;
    std::vector<int> kids_;
    std::unique_ptr<CopyLayout<PageBody>> copyLayoutFor(const DocumentCopies& copies);
    std::unique_ptr<CopyLayout<PageBody>> copies_ = copyLayoutFor(DocumentCopies{});
    Sheet sheet_;
    std::set<std::shared_ptr<QPDF>> sources_;   // their content is read as it is written
    // Forms made of source pages and appearances, by their document and
    // what they were made of.
    std::map<const QPDF*, std::map<std::string, int>> forms_;
    PDFVersion header_{1, 4};                   // the version the header names
    PDFVersion version_{1, 4};                  // the highest of what the document holds
    std::map<std::string, int> smallStreams_;  // by their data
    std::string optionalContent_;               // of the first document that has some
};

// A complete PDF of no pages with the title (UTF-8).
std::string emptyPdf(const std::string& title);

// Formats a number for a content stream: fixed point, no exponent, no
// trailing zeros.
std::string pdfNumber(double value);

}  // namespace posix::assembly
