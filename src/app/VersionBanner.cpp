// The version banner, read from the program's own version information.
#include "app/VersionBanner.h"

#include <cstdio>
#include <string>

#include "plat/Exception.h"
#include "plat/TextBuffer.h"

namespace {

using WideString = std::basic_string<WCHAR, std::char_traits<WCHAR>>;

constexpr DWORD kPathUnits = MAX_PATH + 1;
constexpr DWORD kLongestPath = 32768;   // the longest path the system names
constexpr uint32_t kBannerTable = 0x080904B0u;

}  // namespace

plat::NarrowChars moduleFileName(HMODULE module) {
    if (module == nullptr) module = GetModuleHandleW(nullptr);
    // A path that fills the buffer may have been cut: try again, larger.
    for (DWORD units = kPathUnits; units <= kLongestPath; units *= 2) {
        plat::HeapArray<WCHAR> path(new WCHAR[units]);
        DWORD length = GetModuleFileNameW(module, path.get(), units);
        if (length == 0) return plat::NarrowChars();
        if (length < units) return plat::NarrowChars(path.get());
    }
    return plat::NarrowChars();
}

FileVersionInfo::FileVersionInfo(const char* fileName) {
    plat::NarrowChars ownPath = moduleFileName(nullptr);
    const char* name = fileName != nullptr ? fileName : ownPath.get();
    // A program whose path is unknown fails the probe below.
    plat::WideChars wideName(name != nullptr ? name : "");

    HANDLE probe = CreateFileW(wideName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) throw plat::SystemException("Failed to open file", GetLastError());
    CloseHandle(probe);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(wideName, &handle);
    if (size == 0) throw plat::SystemException("GetVersionInfoSize failed", GetLastError());
    block.reset(new unsigned char[size]);
    if (!GetFileVersionInfoW(wideName, handle, size, block.get()))
        throw plat::SystemException("GetVersionInfo failed", GetLastError());
}

const char* FileVersionInfo::getString(const char* key, uint32_t languageCodePage) {
    plat::TextBuffer path;
    path.appendFormat("\\StringFileInfo\\%.08x\\%s", languageCodePage, key);
    LPVOID value = nullptr;
    UINT length = 0;
    BOOL found;
    {
        plat::WideChars widePath(path.data);
        found = VerQueryValueW(block.get(), widePath, &value, &length);
    }
    if (!found || value == nullptr) throw plat::Exception("VerQueryValue failed");
    plat::NarrowChars text(static_cast<const WCHAR*>(value));
    lastValue.assign(text.get());
    return lastValue.get();
}

void printVersionBanner() {
    FileVersionInfo info(nullptr);
    // Each value is copied at once: the next query replaces the last one.
    plat::WideChars version(info.getString("FileVersion", kBannerTable));
    plat::WideChars description(info.getString("FileDescription", kBannerTable));
    plat::WideChars product(info.getString("ProductName", kBannerTable));

    WideString line = WideString(product.get()) + WIDE(" - ") + description.get() + WIDE(", Version ") +
                      version.get() + WIDE("\n");
    writeWideText(stdout, line.c_str());
    fflush(stdout);

    plat::WideChars copyright(info.getString("LegalCopyright", kBannerTable));
    WideString second = WideString(copyright.get()) + WIDE("\n\n");
    writeWideText(stdout, second.c_str());
    // A failed run then waits in the notice; the banner is out before that.
    fflush(stdout);
}
