// A growable narrow text with printf-style appending.
#pragma once

#include <cstdint>

namespace plat {

struct TextBuffer {
    char* data = nullptr;   // NUL-terminated when not null
    int32_t capacity = 0;   // 0, 8 or a larger power of two

    TextBuffer() = default;
    explicit TextBuffer(int32_t initialCapacity);
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    void reserve(int32_t n);
    TextBuffer& append(const char* text, int maxLength = -1);
    TextBuffer& appendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Empties the text, keeping the storage.
    void clear();
    // Hands the text to the caller (free with delete[]); the buffer is empty after.
    char* release();
    int32_t length() const;
};

}  // namespace plat
