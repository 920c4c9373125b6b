// The stand-in fpdfview.dll as its tests see it: loaded by path, every
// operation found by its exported name, as the program finds them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "../FpdfStandin.h"

namespace standin_test {

// Every operation the tests use: its member in FpdfApi, then its export.
#define STANDIN_OPERATIONS(X)                                                       \
    X(initLibrary, FPDF_InitLibrary) X(destroyLibrary, FPDF_DestroyLibrary)         \
    X(loadDocument, FPDF_LoadDocument) X(loadMemDocument, FPDF_LoadMemDocument)     \
    X(getLastError, FPDF_GetLastError)                                              \
    X(getPageCount, FPDF_GetPageCount) X(getDocPermissions, FPDF_GetDocPermissions) \
    X(loadPage, FPDF_LoadPage) X(getPageWidth, FPDF_GetPageWidth)                   \
    X(getPageHeight, FPDF_GetPageHeight) X(renderPage, FPDF_RenderPage)             \
    X(closePage, FPDF_ClosePage) X(closeDocument, FPDF_CloseDocument)

struct FpdfApi {
#define STANDIN_OPERATION_MEMBER(member, exported) decltype(&exported) member = nullptr;
    STANDIN_OPERATIONS(STANDIN_OPERATION_MEMBER)
#undef STANDIN_OPERATION_MEMBER
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
