// Small string tools and the UTF-8/UTF-16 conversions. Heap strings are
// arrays made with new[]; who owns each is said at the function.
#pragma once

#include <cstdint>

#include "plat/WinApi.h"

namespace plat {

// A new heap copy (owned by the caller) of length characters of text, or of
// all of it when length is negative; null for a null text.
char* dupString(const char* text, int length = -1);

// Splits text at the first (or, fromEnd, the last) delimiter into new heap
// strings for *head and *tail (either pointer may be null). The strings the
// out pointers held before are released after the new ones are made, so text
// may be one of them. Without a delimiter *head is a copy of text and *tail
// null, and the result is false. text must not be null.
bool splitString(const char* text, char delimiter, char** head, char** tail, bool fromEnd);

// Case-insensitive comparison of ASCII letters, as _stricmp / _strnicmp.
int compareNoCase(const char* a, const char* b);
int compareNoCase(const char* a, const char* b, size_t length);

// Cuts a writable string into tokens in place.
struct TokenCursor {
    char* cursor;

    explicit TokenCursor(char* text) : cursor(text) {}
    // The next token, or null when the string is used up.
    char* next(char delimiter);
};

// An owned narrow (UTF-8) string; also the result of the UTF-16 to UTF-8
// conversion ("W2MB"), which throws SystemException when it fails.
struct NarrowChars {
    char* chars = nullptr;

    NarrowChars() = default;
    explicit NarrowChars(char* owned) : chars(owned) {}
    NarrowChars(const WCHAR* wide, UINT codePage = CP_UTF8, int length = -1, DWORD flags = 0,
                const char* defaultChar = nullptr, BOOL* usedDefault = nullptr);
    ~NarrowChars();
    NarrowChars(const NarrowChars&) = delete;
    NarrowChars& operator=(const NarrowChars&) = delete;
    NarrowChars(NarrowChars&& other) noexcept : chars(other.chars) { other.chars = nullptr; }
    NarrowChars& operator=(NarrowChars&& other) noexcept;

    // Two nulls are equal, a null and a text are not, otherwise bytes compare.
    bool equals(const char* text) const;
    // The assignment rule: keep the held copy when equal, else store a copy.
    void assign(const char* text);

    const char* get() const { return chars; }
    operator const char*() const { return chars; }
};

// An owned UTF-16 string; also the result of the UTF-8 to UTF-16 conversion
// ("MB2W"), which throws SystemException when it fails.
struct WideChars {
    WCHAR* chars = nullptr;

    WideChars() = default;
    explicit WideChars(int capacity);
    WideChars(const char* narrow, UINT codePage = CP_UTF8, int length = -1, DWORD flags = 0);
    ~WideChars();
    WideChars(const WideChars&) = delete;
    WideChars& operator=(const WideChars&) = delete;
    WideChars(WideChars&& other) noexcept : chars(other.chars) { other.chars = nullptr; }
    WideChars& operator=(WideChars&& other) noexcept;

    const WCHAR* get() const { return chars; }
    operator const WCHAR*() const { return chars; }
};

// Length of a NUL-terminated UTF-16 text in units.
size_t wideLength(const WCHAR* text);

// An owned array made with new[]; for the heap strings the tools above return.
template <typename T>
struct HeapArray {
    T* data = nullptr;

    HeapArray() = default;
    explicit HeapArray(T* owned) : data(owned) {}
    ~HeapArray() { delete[] data; }
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;
    void reset(T* owned = nullptr) {
        delete[] data;
        data = owned;
    }
    T* release() {
        T* owned = data;
        data = nullptr;
        return owned;
    }
    T* get() const { return data; }
};

}  // namespace plat
