#include "win32/unit/support/RecordingEngine.h"

namespace testsupport {

namespace {

// The engine in use; the operations reach it here.
RecordingEngine* current = nullptr;

const win32::FpdfOperations kOperations{
    .initLibrary = [](void*) { current->initLibrary(); },
    .destroyLibrary = [] { current->destroyLibrary(); },
    .loadDocument = [](FPDF_STRING file, FPDF_STRING password) { return current->loadDocument(file, password); },
    .loadMemDocument = [](const void* data, int size, FPDF_STRING password) {
        return current->loadMemDocument(data, size, password);
    },
    .getLastError = [] { return current->lastError(); },
    .getPageCount = [](FPDF_DOCUMENT document) { return current->pageCount(document); },
    .getDocPermissions = [](FPDF_DOCUMENT document) { return current->permissions(document); },
    .loadPage = [](FPDF_DOCUMENT document, int index) { return current->loadPage(document, index); },
    .getPageWidth = [](FPDF_PAGE page) { return current->pageWidth(page); },
    .getPageHeight = [](FPDF_PAGE page) { return current->pageHeight(page); },
    .renderPage = [](HDC, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate,
                     int flags) { current->renderPage(page, startX, startY, sizeX, sizeY, rotate, flags); },
    .closePage = [](FPDF_PAGE page) { current->closePage(page); },
    .closeDocument = [](FPDF_DOCUMENT document) { current->closeDocument(document); },
};

// The same engine reading from files only.
const win32::FpdfOperations kFileOnlyOperations = [] {
    win32::FpdfOperations operations = kOperations;
    operations.loadMemDocument = nullptr;
    return operations;
}();

// Made current before the operations are installed.
EventLog& becomeCurrent(RecordingEngine* engine, EventLog& log) {
    current = engine;
    return log;
}

const EngineCallNames kFpdfCalls{"FPDF_InitLibrary",   "FPDF_DestroyLibrary", "FPDF_LoadDocument",
                                 "FPDF_GetPageCount",  "FPDF_LoadPage",       "FPDF_GetPageWidth",
                                 "FPDF_GetPageHeight", "FPDF_RenderPage",     "FPDF_ClosePage",
                                 "FPDF_CloseDocument"};

}  // namespace

RecordingEngine::RecordingEngine(EventLog& log, bool readsMemory)
    : ScriptedPdf(becomeCurrent(this, log), kFpdfCalls), installed_(readsMemory ? kOperations : kFileOnlyOperations) {}

RecordingEngine::~RecordingEngine() { current = nullptr; }

}  // namespace testsupport
