// The FPDF_ functions the print job calls, forwarded to the engine the
// Render parameter names (or the one a test has installed). The engine is
// fixed from FPDF_InitLibrary to FPDF_DestroyLibrary, so that a document
// is always closed by the engine that opened it.
#include "posix/drawing/DrawingPlugin.h"
#include "posix/pdf/PdfEngine.h"
#include "posix/pdf/PlacingEngine.h"
#include "posix/pdf/RenderMode.h"
#include "posix/spooler/GdiHandles.h"
#include "posix/winapi/LastError.h"
#include "win32/printing/FpdfView.h"
#include "print/PrintLogs.h"

namespace posix {

namespace {

PdfEngine* installedEngine = nullptr;
PdfEngine* libraryEngine = nullptr;
unsigned long lastLoadError = FPDF_ERR_SUCCESS;

// Stands in for the drawing engine when its plugin cannot be loaded: no
// document loads, and the log says why.
class MissingEngine : public EngineWithoutDocuments {
public:
    FPDF_DOCUMENT loadDocument(const char*, const char*, unsigned long& error) override {
        pdfPrintLog.error("Render=always: %s", lastErrorMessage().c_str());
        error = FPDF_ERR_UNKNOWN;
        return nullptr;
    }
};

PdfEngine& engineOfRenderMode() {
    if (renderMode() == RenderMode::Always) {
        if (drawing::DrawingPlugin* plugin = drawing::drawingPlugin()) return plugin->engine();
        static MissingEngine missing;
        return missing;
    }
    return pdf::placingEngine();
}

PdfEngine& engine() {
    if (installedEngine) return *installedEngine;
    if (libraryEngine) return *libraryEngine;
    return engineOfRenderMode();
}

}  // namespace

void setPdfEngine(PdfEngine* engine) { installedEngine = engine; }

PdfEngine& engineForRun() { return installedEngine ? *installedEngine : engineOfRenderMode(); }

}  // namespace posix

using posix::engine;

void FPDF_InitLibrary(HINSTANCE) {
    posix::libraryEngine = &posix::engineOfRenderMode();
    engine().initLibrary();
}

void FPDF_DestroyLibrary() {
    engine().destroyLibrary();
    posix::libraryEngine = nullptr;
}

FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING fileName, FPDF_STRING password) {
    unsigned long error = FPDF_ERR_SUCCESS;
    FPDF_DOCUMENT document = engine().loadDocument(fileName, password, error);
    posix::lastLoadError = document ? FPDF_ERR_SUCCESS : (error ? error : FPDF_ERR_UNKNOWN);
    return document;
}

unsigned long FPDF_GetLastError() { return posix::lastLoadError; }

int FPDF_GetPageCount(FPDF_DOCUMENT document) { return engine().pageCount(document); }

unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document) { return engine().permissions(document); }

FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex) {
    return engine().loadPage(document, pageIndex);
}

double FPDF_GetPageWidth(FPDF_PAGE page) { return engine().pageWidth(page); }

double FPDF_GetPageHeight(FPDF_PAGE page) { return engine().pageHeight(page); }

void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                     int rotate, int flags) {
    // FPDF_RenderPage says nothing of how it went: a page that could not be
    // put on its sheet leaves the sheet as it was, and the log says why.
    posix::DeviceContext* context = posix::liveDeviceContext(dc);
    if (!context) return;
    const std::string failure = engine().renderPage(*context, page, startX, startY, sizeX, sizeY, rotate, flags);
    if (!failure.empty()) pdfPrintLog.error("%s", failure.c_str());
}

void FPDF_ClosePage(FPDF_PAGE page) { engine().closePage(page); }

void FPDF_CloseDocument(FPDF_DOCUMENT document) { engine().closeDocument(document); }

const char* pageWay(FPDF_PAGE page) {
    return engine().wayOf(page) == posix::PageWay::Placed ? "placed" : "drawn";
}
