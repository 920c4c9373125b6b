// Standard handles and the console on POSIX: handles are file descriptors
// (winapi/Handles.h), the console is the controlling terminal.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "posix/winapi/Handles.h"
#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

namespace {

constexpr const char* kTerminal = "/dev/tty";

using posix::descriptorOf;
using posix::handleForDescriptor;

}  // namespace

HANDLE GetStdHandle(DWORD which) {
    int fd;
    switch (which) {
    case STD_INPUT_HANDLE: fd = 0; break;
    case STD_OUTPUT_HANDLE: fd = 1; break;
    case STD_ERROR_HANDLE: fd = 2; break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (fcntl(fd, F_GETFD) == -1) {
        SetLastError(static_cast<DWORD>(errno));
        return INVALID_HANDLE_VALUE;
    }
    return handleForDescriptor(fd);
}

// The pseudo handle of the calling process, the same value Windows uses.
HANDLE GetCurrentProcess() {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
}

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                     LPHANDLE target, DWORD /*access*/, BOOL inherit, DWORD /*options*/) {
    // Only handles of this process can be duplicated, into this process.
    if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() ||
        target == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int fd = descriptorOf(source);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    int copy = fcntl(fd, inherit ? F_DUPFD : F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    *target = handleForDescriptor(copy);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    int fd = descriptorOf(handle);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (close(fd) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    return TRUE;
}

// Succeeds when the process has a controlling terminal to show its streams
// on; the streams themselves are reopened by the caller.
BOOL AllocConsole() {
    int fd = open(kTerminal, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    close(fd);
    return TRUE;
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    const int fd = descriptorOf(console);
    if (fd < 0 || !isatty(fd)) {
        SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : static_cast<DWORD>(ENOTTY));
        return FALSE;
    }
    if (mode) *mode = 0;
    return TRUE;
}

const char* consoleInputName() {
    return kTerminal;
}

const char* consoleOutputName() {
    return kTerminal;
}

int writeWideText(FILE* stream, const WCHAR* text) {
    if (stream == nullptr || text == nullptr) return -1;
    std::string utf8 = posix::toUtf8(text);
    if (fputs(utf8.c_str(), stream) == EOF) return -1;
    return static_cast<int>(utf8.size());
}

DWORD readStandardInput(std::string& bytes, size_t most) {
    bytes.clear();
    char chunk[1 << 16];
    while (bytes.size() <= most) {
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return static_cast<DWORD>(errno);
        if (got == 0) break;
        bytes.append(chunk, static_cast<size_t>(std::min<size_t>(static_cast<size_t>(got), most + 1 - bytes.size())));
    }
    return 0;
}
