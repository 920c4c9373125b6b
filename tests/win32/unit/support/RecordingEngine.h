// A PDF engine for unit tests of the Windows backend: in the place of
// fpdfview.dll, documents are scripted (page sizes, pages that fail to
// load, documents that fail with an error code) and every call is written
// into the same event log as the recording spooler's, so a test sees the
// whole sequence in order.
//
// The events: "FPDF_InitLibrary", "FPDF_LoadDocument <file>[ failed]",
// "FPDF_GetPageCount <n>", "FPDF_LoadPage <i>[ failed]",
// "FPDF_GetPageWidth <i>=<points>", "FPDF_GetPageHeight <i>=<points>",
// "FPDF_RenderPage <i> start=(x,y) size=(w,h) rotate=<r> flags=<f>",
// "FPDF_ClosePage <i>", "FPDF_CloseDocument", "FPDF_DestroyLibrary".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/FpdfLibrary.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace testsupport {

struct ScriptedPage {
    double width = 595.0;    // points
    double height = 842.0;
    bool loads = true;
};

struct ScriptedDocument {
    std::vector<ScriptedPage> pages;
    unsigned long loadError = FPDF_ERR_SUCCESS;   // the document fails to load when not 0
    unsigned long permissions = kAllPermissions;  // what its encryption grants
};

// The arguments of one FPDF_RenderPage call.
struct RenderCall {
    int page;                // index of the page drawn
    int startX;
    int startY;
    int sizeX;
    int sizeY;
    int rotate;
    int flags;
};

// Installs itself as the FPDF_ engine for its lifetime; one at a time. A
// file name that was not scripted fails to load with FPDF_ERR_FILE.
class RecordingEngine {
public:
    explicit RecordingEngine(EventLog& log);
    ~RecordingEngine();
    RecordingEngine(const RecordingEngine&) = delete;
    RecordingEngine& operator=(const RecordingEngine&) = delete;

    void script(const std::string& fileName, ScriptedDocument document);

    // Rendering this page index throws a plat::Exception, to stand for any
    // failure that leaves the job part-way.
    int failRenderingOfPage = -1;

    std::vector<RenderCall> renders;
    int libraryUsers() const { return libraryUsers_; }
    int openDocuments() const { return static_cast<int>(documents_.size()); }
    int openPages() const { return static_cast<int>(pages_.size()); }

    // The operations, each reaching the engine installed.
    void initLibrary();
    void destroyLibrary();
    FPDF_DOCUMENT loadDocument(const char* fileName, const char* password);
    unsigned long lastError() const { return lastError_; }
    int pageCount(FPDF_DOCUMENT document);
    unsigned long permissions(FPDF_DOCUMENT document);
    FPDF_PAGE loadPage(FPDF_DOCUMENT document, int index);
    double pageWidth(FPDF_PAGE page);
    double pageHeight(FPDF_PAGE page);
    void renderPage(FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate, int flags);
    void closePage(FPDF_PAGE page);
    void closeDocument(FPDF_DOCUMENT document);

private:
    struct OpenDocument {
        const ScriptedDocument* script;
    };
    struct OpenPage {
        int index;
        ScriptedPage script;
    };

    const OpenPage* findPage(FPDF_PAGE page, const char* call);

    EventLog& log_;
    std::map<std::string, ScriptedDocument> scripts_;
    std::map<FPDF_DOCUMENT, std::unique_ptr<OpenDocument>> documents_;
    std::map<FPDF_PAGE, std::unique_ptr<OpenPage>> pages_;
    int libraryUsers_ = 0;
    unsigned long lastError_ = FPDF_ERR_SUCCESS;
    win32::InstalledFpdfOperations installed_;
};

}  // namespace testsupport
