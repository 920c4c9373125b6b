#include "win32/FpdfLibrary.h"

#include "plat/Exception.h"
#include "plat/Strings.h"

namespace win32 {

namespace {

constexpr wchar_t kEngineFile[] = L"fpdfview.dll";
// The name PDFium's own builds have; taken when fpdfview.dll is not there.
constexpr wchar_t kPdfiumFile[] = L"pdfium.dll";
constexpr DWORD kLongestPath = 32768;

// Finds one export and stores it in slot with the slot's own type.
class Resolver {
public:
    Resolver(HMODULE module, const std::wstring& path) : module_(module), path_(path) {}

    template <typename Fn>
    void operator()(Fn& slot, const char* name) const {
        if (!optional(slot, name)) {
            plat::NarrowChars file(path_.c_str());
            throw plat::ExceptionFmt("The PDF engine %s lacks %s", file.get(), name);
        }
    }

    // An operation the engine may lack: the slot stays null then.
    template <typename Fn>
    bool optional(Fn& slot, const char* name) const {
        FARPROC proc = GetProcAddress(module_, name);
        // Through void*: the export's real type is the slot's, not FARPROC's.
        slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
        return proc != nullptr;
    }

private:
    HMODULE module_;
    const std::wstring& path_;
};

// Loads a library with the system's error boxes off for this thread: an
// unattended program must not wait on a dialog about a broken DLL; the
// failure is reported through the run's own notice instead.
HMODULE loadQuietly(const std::wstring& path) {
    DWORD previousMode = 0;
    const bool modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX,
                                            &previousMode) != FALSE;
    HMODULE module = LoadLibraryW(path.c_str());
    const DWORD error = GetLastError();
    if (modeSet) SetThreadErrorMode(previousMode, nullptr);
    SetLastError(error);
    return module;
}

// A file, not a folder, by that name: only then is it the engine to load.
bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

FpdfLibrary::FpdfLibrary(const std::wstring& path) : module_(loadQuietly(path)) {
    if (!module_) {
        DWORD error = GetLastError();
        plat::NarrowChars file(path.c_str());
        plat::Exception text;
        text.appendFormat("Unable to load the PDF engine %s", file.get());
        throw plat::SystemException(text.message, error);
    }
    const Resolver resolve(module_.get(), path);
    resolve(operations_.initLibrary, "FPDF_InitLibrary");
    resolve(operations_.destroyLibrary, "FPDF_DestroyLibrary");
    resolve(operations_.loadDocument, "FPDF_LoadDocument");
    resolve(operations_.getLastError, "FPDF_GetLastError");
    resolve(operations_.getPageCount, "FPDF_GetPageCount");
    resolve(operations_.loadPage, "FPDF_LoadPage");
    resolve(operations_.getPageWidth, "FPDF_GetPageWidth");
    resolve(operations_.getPageHeight, "FPDF_GetPageHeight");
    resolve(operations_.renderPage, "FPDF_RenderPage");
    resolve(operations_.closePage, "FPDF_ClosePage");
    resolve(operations_.closeDocument, "FPDF_CloseDocument");
    resolve.optional(operations_.getDocPermissions, "FPDF_GetDocPermissions");
    resolve.optional(operations_.loadMemDocument, "FPDF_LoadMemDocument");
}

std::wstring programFolder() {
    // A path that fills the buffer may have been cut: try again, larger.
    for (DWORD units = MAX_PATH + 1; units <= kLongestPath; units *= 2) {
        std::wstring path(units, L'\0');
        DWORD length = GetModuleFileNameW(nullptr, path.data(), units);
        if (length == 0) {
            throw plat::SystemException("Unable to find the folder of the PDF engine",
                                        GetLastError());
        }
        if (length < units) {
            path.resize(length);
            size_t folderEnd = path.find_last_of(L"\\/");
            path.resize(folderEnd == std::wstring::npos ? 0 : folderEnd + 1);
            return path;
        }
    }
    throw plat::SystemException("Unable to find the folder of the PDF engine",
                                ERROR_FILENAME_EXCED_RANGE);
}

std::wstring engineIn(const std::wstring& folder) {
    const std::wstring fpdfview = folder + kEngineFile;
    const std::wstring pdfium = folder + kPdfiumFile;
    if (isFile(fpdfview)) return fpdfview;
    if (isFile(pdfium)) return pdfium;
    plat::NarrowChars fpdfviewName(fpdfview.c_str());
    plat::NarrowChars pdfiumName(pdfium.c_str());
    plat::Exception text;
    text.appendFormat("Unable to load the PDF engine %s or %s", fpdfviewName.get(), pdfiumName.get());
    throw plat::SystemException(text.message, ERROR_MOD_NOT_FOUND);
}

std::wstring enginePath() { return engineIn(programFolder()); }

}  // namespace win32
