// The thread's last error, and the texts FormatMessageW gives for codes.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "posix/winapi/LastError.h"
#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

namespace {
thread_local DWORD lastError = 0;
thread_local std::string lastErrorText;   // for lastError only; empty when none
const char* (*ippStatusText)(unsigned status) = nullptr;
}  // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
    lastErrorText.clear();
}

namespace posix {

void setLastErrorText(DWORD code, const std::string& text) {
    lastError = code;
    lastErrorText = text;
}

void setIppStatusText(const char* (*text)(unsigned status)) { ippStatusText = text; }

}  // namespace posix

namespace {

// What FormatMessageW says for a code; empty when it knows nothing.
std::string textOf(DWORD messageId) {
    std::string text;
    if (messageId == lastError && !lastErrorText.empty()) {
        text = lastErrorText;
    } else if (messageId >= QUORLEX_IPP_ERROR_BASE) {
        const unsigned status = messageId - QUORLEX_IPP_ERROR_BASE;
        if (ippStatusText) {
            text = ippStatusText(status);
        } else {
            char words[32];
            std::snprintf(words, sizeof words, "IPP status 0x%04x", status);
            text = words;
        }
    } else if (messageId != 0 && messageId < 0x10000) {
        char local[256];
        // GNU strerror_r returns the text, which may not be in local.
        text = strerror_r(static_cast<int>(messageId), local, sizeof local);
        if (text.rfind("Unknown error", 0) == 0) text.clear();
    } else if (messageId == 0) {
        text = "Success";
    }
    return text;
}

}  // namespace

std::string posix::lastErrorMessage() { return textOf(lastError); }

DWORD FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer, DWORD size,
                     void*) {
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string text = textOf(messageId);
    if (text.empty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    std::u16string wide = posix::toUtf16(text);
    if (wide.size() >= size) wide.resize(size - 1);
    std::char_traits<char16_t>::copy(buffer, wide.data(), wide.size());
    buffer[wide.size()] = 0;
    return static_cast<DWORD>(wide.size());
}
