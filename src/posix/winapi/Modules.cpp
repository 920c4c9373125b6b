// Modules and file probes on POSIX. A module handle is a dlopen handle, as
// LoadLibraryW gives; the program's own module is the handle of the main
// program, whose path comes from /proc/self/exe.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "posix/winapi/Handles.h"
#include "posix/winapi/ProgramPath.h"
#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

namespace {

HMODULE programModule() {
    static void* const handle = dlopen(nullptr, RTLD_LAZY);
    return static_cast<HMODULE>(handle);
}

std::string modulePath(HMODULE module) {
    if (module == programModule()) return posix::executablePath();
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return {};
    }
    // The main program's entry has an empty name.
    if (map->l_name == nullptr || map->l_name[0] == '\0') return posix::executablePath();
    return map->l_name;
}

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName == nullptr) return programModule();
    std::string name = posix::toUtf8(moduleName);
    // Only modules already loaded count; the reference dlopen takes is given
    // back at once, as GetModuleHandleW takes none.
    void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    dlclose(handle);
    return static_cast<HMODULE>(handle);
}

// As on Windows: the result is the number of units copied without the NUL;
// a path that does not fit is cut to size - 1 units, terminated, and the
// result is size with ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string path = modulePath(module == nullptr ? programModule() : module);
    if (path.empty()) {
        fileName[0] = u'\0';
        return 0;
    }
    std::u16string wide = posix::toUtf16(path);
    if (wide.size() >= size) {
        std::memcpy(fileName, wide.data(), (size - 1) * sizeof(WCHAR));
        fileName[size - 1] = u'\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(wide.size());
}

// Only what the program uses: opening an existing file for reading. The
// handle is the descriptor plus one, closed by CloseHandle.
HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition, DWORD /*flags*/,
                   HANDLE /*templateFile*/) {
    if (fileName == nullptr || access != GENERIC_READ || disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = posix::toUtf8(fileName);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(static_cast<DWORD>(errno));
        return INVALID_HANDLE_VALUE;
    }
    // A folder is not a file to read, as on Windows without backup semantics.
    struct stat info {};
    int error = fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    if (error != 0) {
        close(fd);
        SetLastError(static_cast<DWORD>(error));
        return INVALID_HANDLE_VALUE;
    }
    return posix::handleForDescriptor(fd);
}
