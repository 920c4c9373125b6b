#include "StandinLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace standin_test {

namespace {

template <typename Fn>
void resolve(StandinLibrary& library, Fn& slot, const char* name) {
    FARPROC proc = GetProcAddress(library.module, name);
    if (!proc) {
        library.missingExports.push_back(name);
        return;
    }
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

StandinLibrary load() {
    StandinLibrary library;
    library.module = LoadLibraryA(STANDIN_DLL_PATH);
    if (!library.module) return library;
#define STANDIN_RESOLVE(member, exported) resolve(library, library.api.member, #exported);
    STANDIN_OPERATIONS(STANDIN_RESOLVE)
#undef STANDIN_RESOLVE
    if (library.missingExports.empty()) library.api.initLibrary(GetModuleHandleW(nullptr));
    return library;
}

}  // namespace

const StandinLibrary& standinLibrary() {
    static const StandinLibrary library = load();
    return library;
}

const FpdfApi& fpdf() {
    const StandinLibrary& library = standinLibrary();
    if (!library.module || !library.missingExports.empty()) {
        // Nothing can be tested without the operations.
        ADD_FAILURE() << "cannot use " << STANDIN_DLL_PATH;
        std::abort();
    }
    return library.api;
}

LoadOutcome loadFile(const std::string& utf8Name) {
    LoadOutcome outcome;
    Document document(fpdf().loadDocument(utf8Name.c_str(), nullptr));
    outcome.error = fpdf().getLastError();
    if (!document) return outcome;
    outcome.loaded = true;
    for (int i = 0; i < fpdf().getPageCount(document.get()); ++i) {
        Page page(fpdf().loadPage(document.get(), i));
        if (!page) {
            ADD_FAILURE() << "page " << i << " of " << utf8Name << " does not load";
            break;
        }
        outcome.pageSizes.emplace_back(fpdf().getPageWidth(page.get()), fpdf().getPageHeight(page.get()));
    }
    return outcome;
}

}  // namespace standin_test
