#include "win32/unit/support/RecordingEngine.h"

#include <cstdio>

#include "plat/Exception.h"

namespace testsupport {

namespace {

// The engine in use; the operations reach it here.
RecordingEngine* current = nullptr;

std::string number(double value) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    return text;
}

const win32::FpdfOperations kOperations{
    .initLibrary = [](void*) { current->initLibrary(); },
    .destroyLibrary = [] { current->destroyLibrary(); },
    .loadDocument = [](FPDF_STRING file, FPDF_STRING password) { return current->loadDocument(file, password); },
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

// Made current before the operations are installed.
EventLog& becomeCurrent(RecordingEngine* engine, EventLog& log) {
    current = engine;
    return log;
}

}  // namespace

RecordingEngine::RecordingEngine(EventLog& log) : log_(becomeCurrent(this, log)), installed_(kOperations) {}

RecordingEngine::~RecordingEngine() { current = nullptr; }

void RecordingEngine::script(const std::string& fileName, ScriptedDocument document) {
    scripts_[fileName] = std::move(document);
}

void RecordingEngine::initLibrary() {
    ++libraryUsers_;
    log_.add("FPDF_InitLibrary");
}

void RecordingEngine::destroyLibrary() {
    --libraryUsers_;
    log_.add("FPDF_DestroyLibrary");
}

FPDF_DOCUMENT RecordingEngine::loadDocument(const char* fileName, const char* password) {
    const std::string name = fileName ? fileName : "";
    const auto found = scripts_.find(name);
    lastError_ = found == scripts_.end() ? FPDF_ERR_FILE : found->second.loadError;
    if (password != nullptr || lastError_ != FPDF_ERR_SUCCESS) {
        if (password != nullptr) lastError_ = FPDF_ERR_PASSWORD;
        log_.add("FPDF_LoadDocument " + name + " failed");
        return nullptr;
    }
    auto open = std::make_unique<OpenDocument>(OpenDocument{&found->second});
    const auto handle = reinterpret_cast<FPDF_DOCUMENT>(open.get());
    documents_.emplace(handle, std::move(open));
    log_.add("FPDF_LoadDocument " + name);
    return handle;
}

int RecordingEngine::pageCount(FPDF_DOCUMENT document) {
    const auto found = documents_.find(document);
    if (found == documents_.end()) {
        log_.add("FPDF_GetPageCount on a closed document");
        return 0;
    }
    const int count = static_cast<int>(found->second->script->pages.size());
    log_.add("FPDF_GetPageCount " + std::to_string(count));
    return count;
}

unsigned long RecordingEngine::permissions(FPDF_DOCUMENT document) {
    const auto found = documents_.find(document);
    return found == documents_.end() ? 0 : found->second->script->permissions;
}

FPDF_PAGE RecordingEngine::loadPage(FPDF_DOCUMENT document, int index) {
    const auto found = documents_.find(document);
    const std::vector<ScriptedPage>* pages = found == documents_.end() ? nullptr : &found->second->script->pages;
    if (!pages || index < 0 || index >= static_cast<int>(pages->size()) || !(*pages)[index].loads) {
        log_.add("FPDF_LoadPage " + std::to_string(index) + " failed");
        return nullptr;
    }
    auto open = std::make_unique<OpenPage>(OpenPage{index, (*pages)[index]});
    const auto handle = reinterpret_cast<FPDF_PAGE>(open.get());
    pages_.emplace(handle, std::move(open));
    log_.add("FPDF_LoadPage " + std::to_string(index));
    return handle;
}

const RecordingEngine::OpenPage* RecordingEngine::findPage(FPDF_PAGE page, const char* call) {
    const auto found = pages_.find(page);
    if (found != pages_.end()) return found->second.get();
    log_.add(std::string(call) + " on a closed page");
    return nullptr;
}

double RecordingEngine::pageWidth(FPDF_PAGE page) {
    const OpenPage* open = findPage(page, "FPDF_GetPageWidth");
    if (!open) return 0.0;
    log_.add("FPDF_GetPageWidth " + std::to_string(open->index) + "=" + number(open->script.width));
    return open->script.width;
}

double RecordingEngine::pageHeight(FPDF_PAGE page) {
    const OpenPage* open = findPage(page, "FPDF_GetPageHeight");
    if (!open) return 0.0;
    log_.add("FPDF_GetPageHeight " + std::to_string(open->index) + "=" + number(open->script.height));
    return open->script.height;
}

void RecordingEngine::renderPage(FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate,
                                 int flags) {
    const OpenPage* open = findPage(page, "FPDF_RenderPage");
    if (!open) return;
    renders.push_back({open->index, startX, startY, sizeX, sizeY, rotate, flags});
    log_.add("FPDF_RenderPage " + std::to_string(open->index) + " start=(" + std::to_string(startX) + "," +
             std::to_string(startY) + ") size=(" + std::to_string(sizeX) + "," + std::to_string(sizeY) +
             ") rotate=" + std::to_string(rotate) + " flags=" + std::to_string(flags));
    if (open->index == failRenderingOfPage) throw plat::Exception("Scripted rendering failure");
}

void RecordingEngine::closePage(FPDF_PAGE page) {
    const OpenPage* open = findPage(page, "FPDF_ClosePage");
    if (!open) return;
    log_.add("FPDF_ClosePage " + std::to_string(open->index));
    pages_.erase(page);
}

void RecordingEngine::closeDocument(FPDF_DOCUMENT document) {
    if (documents_.erase(document) == 0) {
        log_.add("FPDF_CloseDocument on a closed document");
        return;
    }
    log_.add("FPDF_CloseDocument");
}

}  // namespace testsupport
