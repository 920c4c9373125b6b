// The stand-in fpdfview.dll as its tests see it: loaded by path, every
// operation found by its exported name, as the program finds them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "../FpdfStandin.h"

namespace standin_test {

struct FpdfApi {
    decltype(&FPDF_InitLibrary) initLibrary = nullptr;
    decltype(&FPDF_DestroyLibrary) destroyLibrary = nullptr;
    decltype(&FPDF_LoadDocument) loadDocument = nullptr;
    decltype(&FPDF_GetLastError) getLastError = nullptr;
    decltype(&FPDF_GetPageCount) getPageCount = nullptr;
    decltype(&FPDF_GetDocPermissions) getDocPermissions = nullptr;
    decltype(&FPDF_LoadPage) loadPage = nullptr;
    decltype(&FPDF_GetPageWidth) getPageWidth = nullptr;
    decltype(&FPDF_GetPageHeight) getPageHeight = nullptr;
    decltype(&FPDF_RenderPage) renderPage = nullptr;
    decltype(&FPDF_ClosePage) closePage = nullptr;
    decltype(&FPDF_CloseDocument) closeDocument = nullptr;
};

// Loaded once per test run and initialised; names of missing exports are
// listed rather than fatal, so one test can report them all.
struct StandinLibrary {
    HMODULE module = nullptr;
    FpdfApi api;
    std::vector<std::string> missingExports;
};

const StandinLibrary& standinLibrary();
// The operations; fails the calling test at once when the DLL is incomplete.
const FpdfApi& fpdf();

struct DocumentCloser {
    void operator()(FPDF_DOCUMENT document) const { fpdf().closeDocument(document); }
};
struct PageCloser {
    void operator()(FPDF_PAGE page) const { fpdf().closePage(page); }
};
using Document = std::unique_ptr<std::remove_pointer_t<FPDF_DOCUMENT>, DocumentCloser>;
using Page = std::unique_ptr<std::remove_pointer_t<FPDF_PAGE>, PageCloser>;

// What loading a file gave: the error code, and for each page its size.
struct LoadOutcome {
    bool loaded = false;
    unsigned long error = 0;
    std::vector<std::pair<double, double>> pageSizes;  // width, height
};

LoadOutcome loadFile(const std::string& utf8Name);

}  // namespace standin_test
