// Test stand-in for fpdfview.dll, not the real PDF engine and never
// shipped: the exported functions. Nothing may leave them as an exception,
// so each catches everything and fails the way its caller can see.
#include "FpdfStandin.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FileBytes.h"
#include "PdfPageTree.h"
#include "PlaceholderPage.h"

// The handles' real types, opaque to callers. Each is created by a
// unique_ptr, released to the caller, and taken back by its Close function.
struct FpdfDocument__ {
    std::vector<standin::PageSize> pages;
    unsigned long permissions;
};

struct FpdfPage__ {
    standin::PageSize size;
    int number;  // from 1
};

namespace {

thread_local unsigned long lastError = FPDF_ERR_SUCCESS;
// Like the real engine, documents are loaded only between FPDF_InitLibrary
// and FPDF_DestroyLibrary; a caller that forgets either shows up in tests.
std::atomic<bool> initialised{false};

FPDF_DOCUMENT fail(unsigned long error) {
    lastError = error;
    return nullptr;
}

// Tests see how the engine was asked to draw: with QUORLEX_STANDIN_RENDERS
// naming a file, each FPDF_RenderPage adds a line "page N flags 0xF" to it.
void recordRender(int pageNumber, int flags) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"QUORLEX_STANDIN_RENDERS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[64];
    const int size = std::snprintf(line, sizeof line, "page %d flags 0x%x\n", pageNumber, unsigned(flags));
    DWORD written = 0;
    if (size > 0) WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

// The document those bytes hold, read the same whether they came from a
// file or from memory; the handle keeps only what it read from them.
FPDF_DOCUMENT documentOf(std::string_view bytes) {
    standin::PageList list = standin::readPageList(bytes);
    if (list.error != FPDF_ERR_SUCCESS) return fail(list.error);

    auto document = std::make_unique<FpdfDocument__>();
    document->pages = std::move(list.pages);
    document->permissions = list.permissions;
    lastError = FPDF_ERR_SUCCESS;
    return document.release();
}

}  // namespace

extern "C" {

void FPDF_InitLibrary(void*) { initialised = true; }

void FPDF_DestroyLibrary() { initialised = false; }

FPDF_DOCUMENT FPDF_LoadDocument(const char* fileName, const char*) {
    try {
        if (!initialised) return fail(FPDF_ERR_UNKNOWN);
        unsigned long error = FPDF_ERR_SUCCESS;
        std::optional<std::string> bytes = standin::readWholeFile(fileName, error);
        if (!bytes) return fail(error);
        return documentOf(*bytes);
    } catch (...) {  // out of memory
        return fail(FPDF_ERR_UNKNOWN);
    }
}

FPDF_DOCUMENT FPDF_LoadMemDocument(const void* data, int size, const char*) {
    try {
        if (!initialised) return fail(FPDF_ERR_UNKNOWN);
        if (data == nullptr || size < 0) return fail(FPDF_ERR_FILE);
        return documentOf(std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size)));
    } catch (...) {  // out of memory
        return fail(FPDF_ERR_UNKNOWN);
    }
}

unsigned long FPDF_GetLastError() { return lastError; }

int FPDF_GetPageCount(FPDF_DOCUMENT document) {
    return document ? static_cast<int>(document->pages.size()) : 0;
}

unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document) { return document ? document->permissions : 0; }

FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex) {
    if (!document || pageIndex < 0 || static_cast<std::size_t>(pageIndex) >= document->pages.size())
        return nullptr;
    try {
        auto page = std::make_unique<FpdfPage__>();
        page->size = document->pages[static_cast<std::size_t>(pageIndex)];
        page->number = pageIndex + 1;
        return page.release();
    } catch (...) {
        return nullptr;
    }
}

double FPDF_GetPageWidth(FPDF_PAGE page) { return page ? page->size.width : 0.0; }

double FPDF_GetPageHeight(FPDF_PAGE page) { return page ? page->size.height : 0.0; }

void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate,
                     int flags) {
    if (!dc || !page) return;
    recordRender(page->number, flags);
    try {
        standin::drawPlaceholderPage(dc, startX, startY, sizeX, sizeY, page->number, rotate);
    } catch (...) {  // out of memory: the page stays blank
    }
}

void FPDF_ClosePage(FPDF_PAGE page) { std::unique_ptr<FpdfPage__> owned(page); }

void FPDF_CloseDocument(FPDF_DOCUMENT document) { std::unique_ptr<FpdfDocument__> owned(document); }

}  // extern "C"
