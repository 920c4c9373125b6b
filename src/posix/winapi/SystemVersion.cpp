// The version record from uname: the kernel release numbers; platform id 0,
// so none of the Windows family flags hold.
#include <sys/utsname.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "posix/KernelApi.h"

// Callers pass the size of the Windows structure; check ours matches it.
static_assert(sizeof(OSVERSIONINFOW) == 276);

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    utsname system;
    if (uname(&system) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(system.release, "%u.%u.%u", &major, &minor, &build);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    info->dwPlatformId = VER_PLATFORM_WIN32s;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}
