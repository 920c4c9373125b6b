#include "plat/Strings.h"

#include <cstring>
#include <string>

#include "plat/Exception.h"

namespace plat {

char* dupString(const char* text, int length) {
    if (text == nullptr) return nullptr;
    size_t count = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    char* copy = new char[count + 1];
    std::memcpy(copy, text, count);
    copy[count] = '\0';
    return copy;
}

bool splitString(const char* text, char delimiter, char** head, char** tail, bool fromEnd) {
    // The old parts are released only after the new ones are made: text may be one of them.
    HeapArray<char> oldHead(head ? *head : nullptr);
    HeapArray<char> oldTail(tail ? *tail : nullptr);

    const char* hit = fromEnd ? std::strrchr(text, delimiter) : std::strchr(text, delimiter);
    if (delimiter == '\0') hit = nullptr;
    if (hit != nullptr) {
        if (head) *head = dupString(text, static_cast<int>(hit - text));
        if (tail) *tail = dupString(hit + 1);
        return true;
    }
    if (head) *head = dupString(text);
    if (tail) *tail = nullptr;
    return false;
}

namespace {
int foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}
}  // namespace

int compareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = foldAscii(static_cast<unsigned char>(*a));
        int cb = foldAscii(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

int compareNoCase(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        int ca = foldAscii(static_cast<unsigned char>(a[i]));
        int cb = foldAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb || ca == 0) return ca - cb;
    }
    return 0;
}

char* TokenCursor::next(char delimiter) {
    if (cursor == nullptr) return nullptr;
    char* token = cursor;
    char* hit = std::strchr(cursor, delimiter);
    if (hit != nullptr && delimiter != '\0') {
        *hit = '\0';
        cursor = hit + 1;
    } else {
        cursor = nullptr;
    }
    return token;
}

size_t wideLength(const WCHAR* text) {
    return text ? std::char_traits<WCHAR>::length(text) : 0;
}

NarrowChars::NarrowChars(const WCHAR* wide, UINT codePage, int length, DWORD flags,
                         const char* defaultChar, BOOL* usedDefault) {
    if (wide == nullptr) return;
    if (length < 0) length = static_cast<int>(wideLength(wide));
    int needed = 0;
    if (length != 0)
        needed = WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, defaultChar,
                                     usedDefault);
    HeapArray<char> buffer(new char[static_cast<size_t>(needed) + 1]);
    if (needed != 0)
        needed = WideCharToMultiByte(codePage, flags, wide, length, buffer.get(), needed,
                                     defaultChar, usedDefault);
    if (length != 0 && needed == 0) throw SystemException("W2MB", GetLastError());
    buffer.get()[needed] = '\0';
    chars = buffer.release();
}

NarrowChars::~NarrowChars() {
    delete[] chars;
}

NarrowChars& NarrowChars::operator=(NarrowChars&& other) noexcept {
    if (this != &other) {
        delete[] chars;
        chars = other.chars;
        other.chars = nullptr;
    }
    return *this;
}

bool NarrowChars::equals(const char* text) const {
    if (chars == nullptr || text == nullptr) return chars == text;
    return std::strcmp(chars, text) == 0;
}

void NarrowChars::assign(const char* text) {
    if (equals(text)) return;
    char* copy = dupString(text);
    delete[] chars;
    chars = copy;
}

WideChars::WideChars(int capacity) {
    if (capacity > 0) chars = new WCHAR[static_cast<size_t>(capacity)];
}

WideChars::WideChars(const char* narrow, UINT codePage, int length, DWORD flags) {
    if (narrow == nullptr) return;
    if (length < 0) length = static_cast<int>(std::strlen(narrow));
    if (length == 0) {
        chars = new WCHAR[1];
        chars[0] = 0;
        return;
    }
    int needed = MultiByteToWideChar(codePage, flags, narrow, length, nullptr, 0);
    WideChars buffer(needed + 1);
    if (needed != 0) needed = MultiByteToWideChar(codePage, flags, narrow, length, buffer.chars, needed);
    if (needed == 0) throw SystemException("MB2W", GetLastError());
    buffer.chars[needed] = 0;
    chars = buffer.chars;
    buffer.chars = nullptr;
}

WideChars::~WideChars() {
    delete[] chars;
}

WideChars& WideChars::operator=(WideChars&& other) noexcept {
    if (this != &other) {
        delete[] chars;
        chars = other.chars;
        other.chars = nullptr;
    }
    return *this;
}

}  // namespace plat
