// Dynamic loading with dlopen/dlsym. A module handle is the dlopen handle.
// Failures set the last error and keep dlerror()'s text for FormatMessageW.
#include <dlfcn.h>

#include <string>

#include "posix/winapi/LastError.h"
#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

namespace {
void setDlError(DWORD code, const char* fallback) {
    const char* why = dlerror();
    posix::setLastErrorText(code, why ? why : fallback);
}
}  // namespace

HMODULE LoadLibraryW(LPCWSTR fileName) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name = posix::toUtf8(fileName);
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) setDlError(ERROR_FILE_NOT_FOUND, "cannot load library");
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (procName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(module, procName);
    if (symbol == nullptr) setDlError(ERROR_FILE_NOT_FOUND, "function has no address");
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dlclose(module) != 0) {
        setDlError(ERROR_INVALID_HANDLE, "cannot unload library");
        return FALSE;
    }
    return TRUE;
}
