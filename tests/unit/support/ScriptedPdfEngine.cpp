#include "unit/support/ScriptedPdfEngine.h"

#include <cstdio>

#include "plat/Exception.h"

namespace testsupport {

namespace {

std::string number(double value) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

ScriptedPdfEngine::ScriptedPdfEngine(EventLog& log) : log_(log) { posix::setPdfEngine(this); }

ScriptedPdfEngine::~ScriptedPdfEngine() { posix::setPdfEngine(nullptr); }

void ScriptedPdfEngine::script(const std::string& fileName, ScriptedDocument document) {
    scripts_[fileName] = std::move(document);
}

void ScriptedPdfEngine::initLibrary() {
    ++libraryUsers_;
    log_.add("initLibrary");
}

void ScriptedPdfEngine::destroyLibrary() {
    --libraryUsers_;
    log_.add("destroyLibrary");
}

DocumentHandle ScriptedPdfEngine::loadDocument(const char* fileName, const char* password,
                                              unsigned long& error) {
    const std::string name = fileName ? fileName : "";
    const auto found = scripts_.find(name);
    error = found == scripts_.end() ? kPdfFileError : found->second.loadError;
    if (password != nullptr || error != kPdfLoaded) {
        if (password != nullptr) error = kPdfPasswordError;
        log_.add("loadDocument " + name + " failed");
        return nullptr;
    }
    auto open = std::make_unique<OpenDocument>(OpenDocument{&found->second});
    const auto handle = reinterpret_cast<DocumentHandle>(open.get());
    documents_.emplace(handle, std::move(open));
    log_.add("loadDocument " + name);
    return handle;
}

int ScriptedPdfEngine::pageCount(DocumentHandle document) {
    const auto found = documents_.find(document);
    if (found == documents_.end()) {
        log_.add("pageCount on a closed document");
        return 0;
    }
    const int count = static_cast<int>(found->second->script->pages.size());
    log_.add("pageCount " + std::to_string(count));
    return count;
}

unsigned long ScriptedPdfEngine::permissions(DocumentHandle document) {
    const auto found = documents_.find(document);
    return found == documents_.end() ? 0 : found->second->script->permissions;
}

PageHandle ScriptedPdfEngine::loadPage(DocumentHandle document, int index) {
    const auto found = documents_.find(document);
    const std::vector<ScriptedPage>* pages =
        found == documents_.end() ? nullptr : &found->second->script->pages;
    if (!pages || index < 0 || index >= static_cast<int>(pages->size()) ||
        !(*pages)[index].loads) {
        log_.add("loadPage " + std::to_string(index) + " failed");
        return nullptr;
    }
    auto open = std::make_unique<OpenPage>(OpenPage{index, (*pages)[index]});
    const auto handle = reinterpret_cast<PageHandle>(open.get());
    pages_.emplace(handle, std::move(open));
    log_.add("loadPage " + std::to_string(index));
    return handle;
}

const ScriptedPdfEngine::OpenPage* ScriptedPdfEngine::findPage(PageHandle page, const char* call) {
    const auto found = pages_.find(page);
    if (found != pages_.end()) return found->second.get();
    log_.add(std::string(call) + " on a closed page");
    return nullptr;
}

double ScriptedPdfEngine::pageWidth(PageHandle page) {
    const OpenPage* open = findPage(page, "pageWidth");
    if (!open) return 0.0;
    log_.add("pageWidth " + std::to_string(open->index) + "=" + number(open->script.width));
    return open->script.width;
}

double ScriptedPdfEngine::pageHeight(PageHandle page) {
    const OpenPage* open = findPage(page, "pageHeight");
    if (!open) return 0.0;
    log_.add("pageHeight " + std::to_string(open->index) + "=" +
             number(open->script.height));
    return open->script.height;
}

std::string ScriptedPdfEngine::renderPage(posix::DeviceContext&, PageHandle page, int startX, int startY,
                                          int sizeX, int sizeY, int rotate) {
    const OpenPage* open = findPage(page, "renderPage");
    if (!open) return {};
    renders.push_back({open->index, startX, startY, sizeX, sizeY, rotate});
    log_.add("renderPage " + std::to_string(open->index) + " start=(" +
             std::to_string(startX) + "," + std::to_string(startY) + ") size=(" +
             std::to_string(sizeX) + "," + std::to_string(sizeY) + ") rotate=" +
             std::to_string(rotate));
    if (open->index == failRenderingOfPage) throw plat::Exception("Scripted rendering failure");
    if (open->index == unplaceablePage) return "Page " + std::to_string(open->index) + " could not be printed: scripted";
    return {};
}

void ScriptedPdfEngine::closePage(PageHandle page) {
    const OpenPage* open = findPage(page, "closePage");
    if (!open) return;
    log_.add("closePage " + std::to_string(open->index));
    pages_.erase(page);
}

void ScriptedPdfEngine::closeDocument(DocumentHandle document) {
    if (documents_.erase(document) == 0) {
        log_.add("closeDocument on a closed document");
        return;
    }
    log_.add("closeDocument");
}

}  // namespace testsupport
