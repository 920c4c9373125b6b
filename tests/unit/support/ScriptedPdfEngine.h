// A PDF engine for unit tests of the print job: documents are scripted
// (page sizes, pages that fail to load, documents that fail with an error
// code) and every call is written into the same event log as the recording
// printer's, so a test sees the whole sequence in order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "posix/pdf/PdfEngine.h"
#include "unit/support/RecordingPrinter.h"

namespace testsupport {

using posix::DocumentHandle;
using posix::PageHandle;

struct ScriptedPage {
    double width = 595.0;    // points
    double height = 842.0;
    bool loads = true;
};

struct ScriptedDocument {
    std::vector<ScriptedPage> pages;
    unsigned long loadError = kPdfLoaded;   // the document fails to load when not 0
    unsigned long permissions = kAllPermissions;  // what its encryption grants
};

// The arguments of one renderPage call.
struct RenderCall {
    int page;                // index of the page drawn
    int startX;
    int startY;
    int sizeX;
    int sizeY;
    int rotate;
};

// Installs itself as the engine runs print with, for its lifetime. A file name that was
// not scripted fails to load with kPdfFileError.
class ScriptedPdfEngine : public posix::PdfEngine {
public:
    explicit ScriptedPdfEngine(EventLog& log);
    ~ScriptedPdfEngine() override;
    ScriptedPdfEngine(const ScriptedPdfEngine&) = delete;
    ScriptedPdfEngine& operator=(const ScriptedPdfEngine&) = delete;

    void script(const std::string& fileName, ScriptedDocument document);

    // Rendering this page index throws a plat::Exception, to stand for any
    // failure that leaves the job part-way.
    int failRenderingOfPage = -1;
    // This page index cannot be put on its sheet: its rendering says why.
    int unplaceablePage = -1;

    std::vector<RenderCall> renders;
    int libraryUsers() const { return libraryUsers_; }
    int openDocuments() const { return static_cast<int>(documents_.size()); }
    int openPages() const { return static_cast<int>(pages_.size()); }

    void initLibrary() override;
    void destroyLibrary() override;
    DocumentHandle loadDocument(const char* fileName, const char* password,
                               unsigned long& error) override;
    int pageCount(DocumentHandle document) override;
    unsigned long permissions(DocumentHandle document) override;
    PageHandle loadPage(DocumentHandle document, int index) override;
    double pageWidth(PageHandle page) override;
    double pageHeight(PageHandle page) override;
    std::string renderPage(posix::DeviceContext& context, PageHandle page, int startX, int startY, int sizeX,
                           int sizeY, int rotate) override;
    void closePage(PageHandle page) override;
    void closeDocument(DocumentHandle document) override;

private:
    struct OpenDocument {
        const ScriptedDocument* script;
    };
    struct OpenPage {
        int index;
        ScriptedPage script;
    };

    const OpenPage* findPage(PageHandle page, const char* call);

    EventLog& log_;
    std::map<std::string, ScriptedDocument> scripts_;
    std::map<DocumentHandle, std::unique_ptr<OpenDocument>> documents_;
    std::map<PageHandle, std::unique_ptr<OpenPage>> pages_;
    int libraryUsers_ = 0;
};

}  // namespace testsupport
