// Debugger output on POSIX goes to syslog at debug priority, one entry per
// message, as UTF-8 and without the line end Windows debuggers expect.
#include <syslog.h>

#include <string>

#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

void OutputDebugStringW(LPCWSTR text) {
    if (text == nullptr) return;
    static const bool opened = [] {
        openlog("quorlex", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    std::string line = posix::toUtf8(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    syslog(LOG_DEBUG, "%s", line.c_str());
}
