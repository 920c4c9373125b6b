// The engine operations of the print job, forwarded to fpdfview.dll. The
// DLL is loaded by the first FPDF_InitLibrary and released by
// FPDF_DestroyLibrary; a call without a loaded engine does nothing and
// yields nothing. FPDF_GetDocPermissions is optional: with an engine that
// lacks it, every document may be printed, as before it was asked.
#include "win32/printing/FpdfView.h"

#include <memory>

#include "win32/FpdfLibrary.h"

namespace {

std::unique_ptr<win32::FpdfLibrary> engine;

}  // namespace

void FPDF_InitLibrary(HINSTANCE instance) {
    if (!engine) engine = std::make_unique<win32::FpdfLibrary>(win32::enginePath());
    engine->operations().initLibrary(instance);
}

void FPDF_DestroyLibrary() {
    if (!engine) return;
    engine->operations().destroyLibrary();
    engine.reset();
}

FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING fileName, FPDF_STRING password) {
    return engine ? engine->operations().loadDocument(fileName, password) : nullptr;
}

unsigned long FPDF_GetLastError() {
    return engine ? engine->operations().getLastError() : FPDF_ERR_UNKNOWN;
}

int FPDF_GetPageCount(FPDF_DOCUMENT document) {
    return engine ? engine->operations().getPageCount(document) : 0;
}

unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document) {
    if (!engine || !engine->operations().getDocPermissions) return kAllPermissions;
    return engine->operations().getDocPermissions(document);
}

FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex) {
    return engine ? engine->operations().loadPage(document, pageIndex) : nullptr;
}

double FPDF_GetPageWidth(FPDF_PAGE page) {
    return engine ? engine->operations().getPageWidth(page) : 0.0;
}

double FPDF_GetPageHeight(FPDF_PAGE page) {
    return engine ? engine->operations().getPageHeight(page) : 0.0;
}

void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                     int rotate, int flags) {
    if (engine) engine->operations().renderPage(dc, page, startX, startY, sizeX, sizeY, rotate, flags);
}

void FPDF_ClosePage(FPDF_PAGE page) {
    if (engine) engine->operations().closePage(page);
}

void FPDF_CloseDocument(FPDF_DOCUMENT document) {
    if (engine) engine->operations().closeDocument(document);
}
