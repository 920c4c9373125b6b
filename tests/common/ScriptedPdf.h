// The documents a scripted PDF engine serves (page sizes, pages that fail
// to load, documents that fail with an error code) and what it keeps open,
// for the engines of each backend's unit tests. Every call is written into
// the event log under the name the backend's engine gives it, so a test
// sees the whole sequence of a job in order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/EventLog.h"
#include "print/PdfSource.h"

namespace testsupport {

struct ScriptedPage {
    double width = 595.0;    // points
    double height = 842.0;
    bool loads = true;
};

struct ScriptedDocument {
    std::vector<ScriptedPage> pages;
    unsigned long loadError = kPdfLoaded;         // the document fails to load when not 0
    unsigned long permissions = kAllPermissions;  // what its encryption grants
};

// The arguments of one page drawn.
struct RenderCall {
    int page;                // index of the page drawn
    int startX;
    int startY;
    int sizeX;
    int sizeY;
    int rotate;
    int flags = 0;           // where the engine takes any
};

// What each engine call is called in the event log.
struct EngineCallNames {
    const char* initLibrary;
    const char* destroyLibrary;
    const char* loadDocument;
    const char* pageCount;
    const char* loadPage;
    const char* pageWidth;
    const char* pageHeight;
    const char* renderPage;
    const char* closePage;
    const char* closeDocument;
};

// Handles are the addresses of what is open. A file name that was not
// scripted fails to load with kPdfFileError, any password with
// kPdfPasswordError.
class ScriptedPdf {
public:
    ScriptedPdf(EventLog& log, const EngineCallNames& names) : log_(log), names_(names) {}
    ScriptedPdf(const ScriptedPdf&) = delete;
    ScriptedPdf& operator=(const ScriptedPdf&) = delete;

    void script(const std::string& fileName, ScriptedDocument document);

    // Rendering this page index throws a plat::Exception, to stand for any
    // failure that leaves the job part-way.
    int failRenderingOfPage = -1;

    std::vector<RenderCall> renders;
    const EngineCallNames& calls() const { return names_; }
    int libraryUsers() const { return libraryUsers_; }
    int openDocuments() const { return static_cast<int>(documents_.size()); }
    int openPages() const { return static_cast<int>(pages_.size()); }

protected:
    void startLibrary();
    void endLibrary();
    void* openDocument(const char* fileName, const char* password, unsigned long& error);
    // The document scripted under key, its event "<call> <shown>": for an
    // engine's other ways of opening one (from memory, say).
    void* openScripted(const std::string& key, const char* call, const std::string& shown, const char* password,
                       unsigned long& error);
    int countPages(void* document);
    unsigned long permissionsOf(void* document);
    void* openPage(void* document, int index);
    double widthOf(void* page);
    double heightOf(void* page);
    // Records the call (the page field is filled in here) and returns the
    // index of the page drawn, or -1 for a page not open; details follow
    // the arguments in the event.
    int recordRender(void* page, RenderCall call, const std::string& details = "");
    void shutPage(void* page);
    void shutDocument(void* document);

private:
    struct OpenPage {
        int index;
        ScriptedPage script;
    };
    const OpenPage* findPage(void* page, const char* call);

    EventLog& log_;
    const EngineCallNames& names_;
    std::map<std::string, ScriptedDocument> scripts_;
    std::map<void*, std::unique_ptr<const ScriptedDocument*>> documents_;
    std::map<void*, std::unique_ptr<OpenPage>> pages_;
    int libraryUsers_ = 0;
};

}  // namespace testsupport
