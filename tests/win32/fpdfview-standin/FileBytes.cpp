// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "FileBytes.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <type_traits>

#include "FpdfErrors.h"

namespace standin {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::optional<std::wstring> wideFromUtf8(const char* text) {
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), units) != units)
        return std::nullopt;
    wide.resize(static_cast<std::size_t>(units) - 1);  // the terminator
    return wide;
}

}  // namespace

std::optional<std::string> readWholeFile(const char* utf8Name, unsigned long& error) {
    error = FPDF_ERR_FILE;
    if (utf8Name == nullptr) return std::nullopt;
    std::optional<std::wstring> name = wideFromUtf8(utf8Name);
    if (!name) return std::nullopt;

    HANDLE opened = CreateFileW(name->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
    FileHandle file(opened);

    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > kMaxFileBytes)
        return std::nullopt;

    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got,
                      nullptr))
            return std::nullopt;
        if (got == 0) break;  // the file shrank while being read
        filled += got;
    }
    bytes.resize(filled);
    error = FPDF_ERR_SUCCESS;
    return bytes;
}

}  // namespace standin
