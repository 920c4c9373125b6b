#include "win32/DllSearch.h"

#include "plat/WinApi.h"

namespace win32 {

bool limitDllSearchToSafeFolders() {
    // Looked up, not imported: kernel32 has it only from Windows 8 (and 7
    // with KB2533623), and a missing import would stop the program starting.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (proc == nullptr) return false;
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc));
    return setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS) != FALSE;
}

}  // namespace win32
