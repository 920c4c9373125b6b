// A PDF engine for unit tests of the Windows backend: in the place of
// fpdfview.dll, scripted documents (common/ScriptedPdf.h) whose calls go
// into the same event log as the recording spooler's, so a test sees the
// whole sequence in order.
//
// The events: "FPDF_InitLibrary", "FPDF_LoadDocument <file>[ failed]",
// "FPDF_LoadMemDocument <n> bytes[ failed]" (the document scripted under
// those bytes),
// "FPDF_GetPageCount <n>", "FPDF_LoadPage <i>[ failed]",
// "FPDF_GetPageWidth <i>=<points>", "FPDF_GetPageHeight <i>=<points>",
// "FPDF_RenderPage <i> start=(x,y) size=(w,h) rotate=<r> flags=<f>",
// "FPDF_ClosePage <i>", "FPDF_CloseDocument", "FPDF_DestroyLibrary".
#pragma once

#include "common/ScriptedPdf.h"
#include "win32/FpdfLibrary.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace testsupport {

// Installs itself as the FPDF_ engine for its lifetime; one at a time. The
// engine's error codes are the ones the scripts give.
class RecordingEngine : public ScriptedPdf {
public:
    // readsMemory false: an engine without FPDF_LoadMemDocument.
    explicit RecordingEngine(EventLog& log, bool readsMemory = true);
    ~RecordingEngine();

    // Where the last FPDF_LoadMemDocument was given its bytes.
    const void* memoryData = nullptr;
    int memorySize = -1;

    // The operations, each reaching the engine installed.
    void initLibrary() { startLibrary(); }
    void destroyLibrary() { endLibrary(); }
    FPDF_DOCUMENT loadDocument(const char* fileName, const char* password) {
        return static_cast<FPDF_DOCUMENT>(openDocument(fileName, password, lastError_));
    }
    FPDF_DOCUMENT loadMemDocument(const void* data, int size, const char* password) {
        memoryData = data;
        memorySize = size;
        const std::string bytes(static_cast<const char*>(data), static_cast<size_t>(size));
        return static_cast<FPDF_DOCUMENT>(
            openScripted(bytes, "FPDF_LoadMemDocument", std::to_string(size) + " bytes", password, lastError_));
    }
    unsigned long lastError() const { return lastError_; }
    int pageCount(FPDF_DOCUMENT document) { return countPages(document); }
    unsigned long permissions(FPDF_DOCUMENT document) { return permissionsOf(document); }
    FPDF_PAGE loadPage(FPDF_DOCUMENT document, int index) { return static_cast<FPDF_PAGE>(openPage(document, index)); }
    double pageWidth(FPDF_PAGE page) { return widthOf(page); }
    double pageHeight(FPDF_PAGE page) { return heightOf(page); }
    void renderPage(FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate, int flags) {
        recordRender(page, {0, startX, startY, sizeX, sizeY, rotate, flags}, " flags=" + std::to_string(flags));
    }
    void closePage(FPDF_PAGE page) { shutPage(page); }
    void closeDocument(FPDF_DOCUMENT document) { shutDocument(document); }

private:
    unsigned long lastError_ = FPDF_ERR_SUCCESS;
    win32::InstalledFpdfOperations installed_;
};

}  // namespace testsupport
