// The exception family: plain value records whose whole text is a fixed
// 256-byte message, so building and throwing one needs no heap memory.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace plat {

constexpr size_t kExceptionMessageSize = 256;

// Appends at most maxLength characters of text (all of it when maxLength is
// negative, none when it is 0 or text is null) to the NUL-terminated text in
// buffer, cut to what fits; the buffer stays terminated.
void boundedAppend(char* buffer, size_t bufferSize, const char* text, int maxLength);

// vsnprintf into the free space behind the text in buffer; the last byte of
// the buffer is always set to NUL. Returns vsnprintf's result.
int boundedAppendFormat(char* buffer, size_t bufferSize, const char* format, va_list args);

struct Exception {
    char message[kExceptionMessageSize];

    explicit Exception(const char* text = nullptr);

    Exception& appendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends ": " and then the formatted detail.
    Exception& appendDetail(const char* format, ...) __attribute__((format(printf, 2, 3)));

protected:
    struct Empty {};
    explicit Exception(Empty) { message[0] = '\0'; }
};

struct ExceptionFmt : Exception {
    explicit ExceptionFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

struct SystemException : Exception {
    uint32_t errorCode;

    SystemException(const char* text, uint32_t code);

    // Stores the code and appends ": ", the system's text for it and " (code)".
    void setError(uint32_t code);
};

struct AssertionFail : Exception {
    const char* expression;
    const char* file;
    int32_t line;

    AssertionFail(const char* expression, const char* file, int32_t line);
};

}  // namespace plat
