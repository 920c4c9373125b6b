#include "plat/Exception.h"

#include <cstdio>
#include <cstring>

#include "plat/Strings.h"
#include "plat/WinApi.h"

namespace plat {

void boundedAppend(char* buffer, size_t bufferSize, const char* text, int maxLength) {
    if (text == nullptr || maxLength == 0 || bufferSize == 0) return;
    size_t count = maxLength < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(maxLength));
    size_t used = strnlen(buffer, bufferSize - 1);
    size_t room = bufferSize - used - 1;
    if (count > room) count = room;
    std::memcpy(buffer + used, text, count);
    buffer[used + count] = '\0';
}

int boundedAppendFormat(char* buffer, size_t bufferSize, const char* format, va_list args) {
    size_t used = strnlen(buffer, bufferSize - 1);
    int result = std::vsnprintf(buffer + used, bufferSize - used, format, args);
    buffer[bufferSize - 1] = '\0';
    return result;
}

Exception::Exception(const char* text) {
    message[0] = '\0';
    boundedAppend(message, sizeof message, text, -1);
}

Exception& Exception::appendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    boundedAppendFormat(message, sizeof message, format, args);
    va_end(args);
    return *this;
}

Exception& Exception::appendDetail(const char* format, ...) {
    boundedAppend(message, sizeof message, ": ", -1);
    va_list args;
    va_start(args, format);
    boundedAppendFormat(message, sizeof message, format, args);
    va_end(args);
    return *this;
}

ExceptionFmt::ExceptionFmt(const char* format, ...) : Exception(Empty{}) {
    va_list args;
    va_start(args, format);
    boundedAppendFormat(message, sizeof message, format, args);
    va_end(args);
}

SystemException::SystemException(const char* text, uint32_t code) : Exception(text), errorCode(0) {
    setError(code);
}

void SystemException::setError(uint32_t code) {
    errorCode = code;
    if (message[0] != '\0') boundedAppend(message, sizeof message, ": ", -1);

    switch (code) {
    case 10053: boundedAppend(message, sizeof message, "Connection aborted", -1); break;
    case 10054: boundedAppend(message, sizeof message, "Connection reset by peer", -1); break;
    case 10060: boundedAppend(message, sizeof message, "Connection timed out", -1); break;
    case 10061: boundedAppend(message, sizeof message, "Connection refused", -1); break;
    default: {
        WCHAR text[256];
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, 256, nullptr);
        if (length >= 256) length = 255;
        text[length] = 0;
        NarrowChars narrow(text);
        boundedAppend(message, sizeof message, narrow.get(), -1);
        size_t used = std::strlen(message);
        if (used >= 2 && message[used - 2] == '\r' && message[used - 1] == '\n')
            message[used - 2] = '\0';
        break;
    }
    }

    char number[16];
    if (static_cast<int32_t>(code) >= 0)
        std::snprintf(number, sizeof number, " (%d)", static_cast<int32_t>(code));
    else
        std::snprintf(number, sizeof number, " (%x)", code);
    boundedAppend(message, sizeof message, number, -1);
}

AssertionFail::AssertionFail(const char* expression_, const char* file_, int32_t line_)
    : Exception(Empty{}), expression(expression_), file(file_), line(line_) {
    appendFormat("Assertion '%s' failed at %s:%d", expression, file, line);
}

}  // namespace plat
