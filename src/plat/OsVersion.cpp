#include "plat/OsVersion.h"

#include <cstring>
#include <string>

#include "plat/Exception.h"

namespace plat {

namespace {

// Exact, case-sensitive equality of the fixed service-pack field with text.
// The field is read only up to its own size, terminated or not.
bool servicePackIs(const WCHAR (&field)[128], const WCHAR* text) {
    size_t length = std::char_traits<WCHAR>::length(text);
    if (length >= 128) return false;
    return std::char_traits<WCHAR>::compare(field, text, length + 1) == 0;
}

}  // namespace

OsVersion::OsVersion() : isWinNT(false), isWin9x(false), isNT4BeforeSP3(false) {
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(&info))
        throw SystemException("unable to get system version info", GetLastError());
    deriveFlags();
}

OsVersion::OsVersion(AtStartup) : isWinNT(false), isWin9x(false), isNT4BeforeSP3(false) {
    std::memset(&info, 0, sizeof info);
    duringStartup([this] { *this = OsVersion(); });
}

void OsVersion::deriveFlags() {
    isWinNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    isWin9x = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    isNT4BeforeSP3 = isWinNT && info.dwMajorVersion == 4 &&
                     (servicePackIs(info.szCSDVersion, WIDE("")) ||
                      servicePackIs(info.szCSDVersion, WIDE("Service Pack 1")) ||
                      servicePackIs(info.szCSDVersion, WIDE("Service Pack 2")));
}

}  // namespace plat
