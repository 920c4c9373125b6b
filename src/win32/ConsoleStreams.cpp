// The console devices and wide output of the Windows build.
#include <io.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/WinApi.h"

const char* consoleInputName() {
    return "CONIN$";
}

const char* consoleOutputName() {
    return "CONOUT$";
}

namespace {

// The console behind a stream, or null when the stream leads elsewhere.
HANDLE consoleOf(FILE* stream) {
    const int descriptor = _fileno(stream);
    if (descriptor < 0) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_CHAR ||
        !GetConsoleMode(handle, &mode))
        return nullptr;
    return handle;
}

}  // namespace

// A console shows the text as it is. Anything else gets UTF-8 through the
// narrow functions, as on every other system: the runtime's wide output
// would write raw UTF-16 into a stream opened in binary mode (as the
// console streams are reopened) and drop characters its locale lacks.
int writeWideText(FILE* stream, const WCHAR* text) {
    if (stream == nullptr || text == nullptr) return -1;
    if (HANDLE console = consoleOf(stream)) {
        fflush(stream);
        const DWORD length = static_cast<DWORD>(wcslen(text));
        DWORD written = 0;
        if (!WriteConsoleW(console, text, length, &written, nullptr)) return -1;
        return static_cast<int>(written);
    }
    try {
        plat::NarrowChars utf8(text);
        if (fputs(utf8.get(), stream) == EOF) return -1;
        return static_cast<int>(strlen(utf8.get()));
    } catch (const plat::Exception&) {
        return -1;
    }
}

DWORD readStandardInput(std::string& bytes, size_t most) {
    bytes.clear();
    // The handle itself, not the C runtime's stream: a program of the
    // GUI subsystem has a pipe there, and its bytes must not be translated.
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    char chunk[1 << 16];
    while (bytes.size() <= most) {
        DWORD got = 0;
        if (!ReadFile(input, chunk, sizeof chunk, &got, nullptr)) {
            const DWORD error = GetLastError();
            // The writer closed its end: that is the end of the input.
            if (error == ERROR_BROKEN_PIPE) break;
            return error;
        }
        if (got == 0) break;
        bytes.append(chunk, std::min<size_t>(got, most + 1 - bytes.size()));
    }
    return 0;
}
