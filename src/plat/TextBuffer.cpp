#include "plat/TextBuffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace plat {

TextBuffer::TextBuffer(int32_t initialCapacity) {
    reserve(initialCapacity);
}

TextBuffer::~TextBuffer() {
    delete[] data;
}

void TextBuffer::reserve(int32_t n) {
    if (data != nullptr && n <= capacity) return;
    int32_t grown = 8;
    while (grown < n) grown *= 2;
    capacity = grown;
    char* storage = new char[static_cast<size_t>(grown)];
    if (data != nullptr) {
        std::memcpy(storage, data, std::strlen(data) + 1);
        delete[] data;
    } else {
        storage[0] = '\0';
    }
    data = storage;
}

int32_t TextBuffer::length() const {
    return data ? static_cast<int32_t>(std::strlen(data)) : 0;
}

TextBuffer& TextBuffer::append(const char* text, int maxLength) {
    size_t count = 0;
    if (text != nullptr && maxLength != 0)
        count = maxLength < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(maxLength));
    int32_t used = length();
    reserve(used + static_cast<int32_t>(count) + 1);
    std::memcpy(data + used, text ? text : "", count);
    data[used + static_cast<int32_t>(count)] = '\0';
    return *this;
}

TextBuffer& TextBuffer::appendFormat(const char* format, ...) {
    int32_t pos = length();
    int32_t guess = static_cast<int32_t>(std::strlen(format));
    for (;;) {
        reserve(pos + guess + 1);
        int32_t room = capacity - pos;
        va_list args;
        va_start(args, format);
        int result = std::vsnprintf(data + pos, static_cast<size_t>(room), format, args);
        va_end(args);
        if (result >= 0 && result < room) return *this;
        guess = result < 0 ? guess * 2 : result;
        data[pos] = '\0';
    }
}

void TextBuffer::clear() {
    if (data != nullptr) data[0] = '\0';
}

char* TextBuffer::release() {
    char* text = data;
    data = nullptr;
    capacity = 0;
    return text;
}

}  // namespace plat
