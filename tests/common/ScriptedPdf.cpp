#include "common/ScriptedPdf.h"

#include <cstdio>

#include "plat/Exception.h"

namespace testsupport {

namespace {

std::string number(double value) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string named(const char* call, const std::string& what) { return std::string(call) + " " + what; }

}  // namespace

void ScriptedPdf::script(const std::string& fileName, ScriptedDocument document) {
    scripts_[fileName] = std::move(document);
}

void ScriptedPdf::startLibrary() {
    ++libraryUsers_;
    log_.add(names_.initLibrary);
}

void ScriptedPdf::endLibrary() {
    --libraryUsers_;
    log_.add(names_.destroyLibrary);
}

void* ScriptedPdf::openDocument(const char* fileName, const char* password, unsigned long& error) {
    const std::string name = fileName ? fileName : "";
    return openScripted(name, names_.loadDocument, name, password, error);
}

void* ScriptedPdf::openScripted(const std::string& key, const char* call, const std::string& shown,
                                const char* password, unsigned long& error) {
    const auto found = scripts_.find(key);
    error = found == scripts_.end() ? kPdfFileError : found->second.loadError;
    if (password != nullptr || error != kPdfLoaded) {
        if (password != nullptr) error = kPdfPasswordError;
        log_.add(named(call, shown + " failed"));
        return nullptr;
    }
    auto open = std::make_unique<const ScriptedDocument*>(&found->second);
    void* handle = open.get();
    documents_.emplace(handle, std::move(open));
    log_.add(named(call, shown));
    return handle;
}

int ScriptedPdf::countPages(void* document) {
    const auto found = documents_.find(document);
    if (found == documents_.end()) {
        log_.add(named(names_.pageCount, "on a closed document"));
        return 0;
    }
    const int count = static_cast<int>((*found->second)->pages.size());
    log_.add(named(names_.pageCount, std::to_string(count)));
    return count;
}

unsigned long ScriptedPdf::permissionsOf(void* document) {
    const auto found = documents_.find(document);
    return found == documents_.end() ? 0 : (*found->second)->permissions;
}

void* ScriptedPdf::openPage(void* document, int index) {
    const auto found = documents_.find(document);
    const std::vector<ScriptedPage>* pages = found == documents_.end() ? nullptr : &(*found->second)->pages;
    if (!pages || index < 0 || index >= static_cast<int>(pages->size()) || !(*pages)[index].loads) {
        log_.add(named(names_.loadPage, std::to_string(index) + " failed"));
        return nullptr;
    }
    auto open = std::make_unique<OpenPage>(OpenPage{index, (*pages)[index]});
    void* handle = open.get();
    pages_.emplace(handle, std::move(open));
    log_.add(named(names_.loadPage, std::to_string(index)));
    return handle;
}

const ScriptedPdf::OpenPage* ScriptedPdf::findPage(void* page, const char* call) {
    const auto found = pages_.find(page);
    if (found != pages_.end()) return found->second.get();
    log_.add(named(call, "on a closed page"));
    return nullptr;
}

double ScriptedPdf::widthOf(void* page) {
    const OpenPage* open = findPage(page, names_.pageWidth);
    if (!open) return 0.0;
    log_.add(named(names_.pageWidth, std::to_string(open->index) + "=" + number(open->script.width)));
    return open->script.width;
}

double ScriptedPdf::heightOf(void* page) {
    const OpenPage* open = findPage(page, names_.pageHeight);
    if (!open) return 0.0;
    log_.add(named(names_.pageHeight, std::to_string(open->index) + "=" + number(open->script.height)));
    return open->script.height;
}

int ScriptedPdf::recordRender(void* page, RenderCall call, const std::string& details) {
    const OpenPage* open = findPage(page, names_.renderPage);
    if (!open) return -1;
    call.page = open->index;
    renders.push_back(call);
    log_.add(named(names_.renderPage, std::to_string(call.page) + " start=(" + std::to_string(call.startX) + "," +
                                          std::to_string(call.startY) + ") size=(" + std::to_string(call.sizeX) +
                                          "," + std::to_string(call.sizeY) + ") rotate=" +
                                          std::to_string(call.rotate) + details));
    if (call.page == failRenderingOfPage) throw plat::Exception("Scripted rendering failure");
    return call.page;
}

void ScriptedPdf::shutPage(void* page) {
    const OpenPage* open = findPage(page, names_.closePage);
    if (!open) return;
    log_.add(named(names_.closePage, std::to_string(open->index)));
    pages_.erase(page);
}

void ScriptedPdf::shutDocument(void* document) {
    if (documents_.erase(document) == 0) {
        log_.add(named(names_.closeDocument, "on a closed document"));
        return;
    }
    log_.add(names_.closeDocument);
}

}  // namespace testsupport
