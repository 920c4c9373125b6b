// The engine operations of the print job, forwarded to fpdfview.dll. The
// DLL is loaded by the first FPDF_InitLibrary and released by
// FPDF_DestroyLibrary; a call without a loaded engine does nothing and
// yields nothing. Operations a test installs take the DLL's place.
// FPDF_GetDocPermissions is optional: with an engine that lacks it, every
// document may be printed, as before it was asked. FPDF_LoadMemDocument is
// optional too: without it a document read from standard input is refused.
#include "win32/printing/FpdfView.h"

#include <memory>

#include "win32/FpdfLibrary.h"

namespace {

std::unique_ptr<win32::FpdfLibrary> engine;
// Operations a test put in the file's place; null for none.
const win32::FpdfOperations* installed = nullptr;

// The operations in use: the installed ones, else the loaded file's; null
// without either.
const win32::FpdfOperations* active() {
    if (installed) return installed;
    return engine ? &engine->operations() : nullptr;
}

}  // namespace

namespace win32 {

InstalledFpdfOperations::InstalledFpdfOperations(const FpdfOperations& operations)
    : InstalledTable(::installed, operations) {}

}  // namespace win32

void FPDF_InitLibrary(HINSTANCE instance) {
    if (!installed && !engine) engine = std::make_unique<win32::FpdfLibrary>(win32::enginePath());
    active()->initLibrary(instance);
}

void FPDF_DestroyLibrary() {
    if (installed) {
        installed->destroyLibrary();
        return;
    }
    if (!engine) return;
    engine->operations().destroyLibrary();
    engine.reset();
}

FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING fileName, FPDF_STRING password) {
    const win32::FpdfOperations* fpdf = active();
    return fpdf ? fpdf->loadDocument(fileName, password) : nullptr;
}

FPDF_DOCUMENT FPDF_LoadMemDocument(const void* data, int size, FPDF_STRING password) {
    const win32::FpdfOperations* fpdf = active();
    return fpdf && fpdf->loadMemDocument ? fpdf->loadMemDocument(data, size, password) : nullptr;
}

bool engineReadsMemory() {
    const win32::FpdfOperations* fpdf = active();
    return fpdf && fpdf->loadMemDocument;
}

unsigned long FPDF_GetLastError() {
    const win32::FpdfOperations* fpdf = active();
    return fpdf ? fpdf->getLastError() : FPDF_ERR_UNKNOWN;
}

int FPDF_GetPageCount(FPDF_DOCUMENT document) {
    const win32::FpdfOperations* fpdf = active();
    return fpdf ? fpdf->getPageCount(document) : 0;
}

unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document) {
    const win32::FpdfOperations* fpdf = active();
    if (!fpdf || !fpdf->getDocPermissions) return kAllPermissions;
    return fpdf->getDocPermissions(document);
}

FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex) {
    const win32::FpdfOperations* fpdf = active();
    return fpdf ? fpdf->loadPage(document, pageIndex) : nullptr;
}

double FPDF_GetPageWidth(FPDF_PAGE page) {
    const win32::FpdfOperations* fpdf = active();
    return fpdf ? fpdf->getPageWidth(page) : 0.0;
}

double FPDF_GetPageHeight(FPDF_PAGE page) {
    const win32::FpdfOperations* fpdf = active();
    return fpdf ? fpdf->getPageHeight(page) : 0.0;
}

void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                     int rotate, int flags) {
    if (const win32::FpdfOperations* fpdf = active())
        fpdf->renderPage(dc, page, startX, startY, sizeX, sizeY, rotate, flags);
}

void FPDF_ClosePage(FPDF_PAGE page) {
    if (const win32::FpdfOperations* fpdf = active()) fpdf->closePage(page);
}

void FPDF_CloseDocument(FPDF_DOCUMENT document) {
    if (const win32::FpdfOperations* fpdf = active()) fpdf->closeDocument(document);
}
