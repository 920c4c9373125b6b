// UTF-8 <-> UTF-16 conversion with the behaviour of the Windows functions:
// code page 65001 only, invalid input replaced by U+FFFD unless the caller
// asks to fail, a length of -1 counting the terminating NUL, and a size
// query when there is no output buffer.
#include <climits>
#include <cstring>
#include <string>

#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

namespace {

// The Windows flag values that ask for failure instead of replacement.
constexpr DWORD kMultiByteFailOnInvalid = 0x00000008;   // MB_ERR_INVALID_CHARS
constexpr DWORD kWideCharFailOnInvalid = 0x00000080;    // WC_ERR_INVALID_CHARS

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes one code point from UTF-8. Returns the number of bytes consumed;
// an invalid or truncated sequence yields U+FFFD for its longest valid
// prefix (at least one byte), so no valid character after it is swallowed.
// Overlong forms, encoded surrogates and values above U+10FFFF are invalid.
size_t decodeUtf8(const unsigned char* text, size_t length, char32_t& codePoint, bool& valid) {
    unsigned char lead = text[0];
    valid = true;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    size_t trailing;
    unsigned char low = 0x80, high = 0xBF;   // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        codePoint = kReplacement;
        valid = false;
        return 1;
    }
    char32_t value = lead & (0x3F >> trailing);
    size_t used = 1;
    for (size_t k = 0; k < trailing; ++k, ++used) {
        if (used >= length || text[used] < low || text[used] > high) {
            codePoint = kReplacement;
            valid = false;
            return used;
        }
        value = (value << 6) | (text[used] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    codePoint = value;
    return used;
}

// Decodes one code point from UTF-16; an unpaired surrogate yields U+FFFD.
size_t decodeUtf16(const char16_t* text, size_t length, char32_t& codePoint, bool& valid) {
    char32_t unit = text[0];
    valid = true;
    if (isHighSurrogate(unit) && length > 1 && isLowSurrogate(text[1])) {
        codePoint = 0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[1]) - 0xDC00);
        return 2;
    }
    if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
        codePoint = kReplacement;
        valid = false;
    } else {
        codePoint = unit;
    }
    return 1;
}

void appendUtf16(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
    } else {
        codePoint -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// Converts length bytes; false when failOnInvalid is set and the input is invalid.
bool utf8ToUtf16(const char* text, size_t length, bool failOnInvalid, std::u16string& out) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    out.reserve(length);
    for (size_t at = 0; at < length;) {
        char32_t codePoint;
        bool valid;
        at += decodeUtf8(bytes + at, length - at, codePoint, valid);
        if (!valid && failOnInvalid) return false;
        appendUtf16(out, codePoint);
    }
    return true;
}

bool utf16ToUtf8(const char16_t* text, size_t length, bool failOnInvalid, std::string& out) {
    out.reserve(length);
    for (size_t at = 0; at < length;) {
        char32_t codePoint;
        bool valid;
        at += decodeUtf16(text + at, length - at, codePoint, valid);
        if (!valid && failOnInvalid) return false;
        appendUtf8(out, codePoint);
    }
    return true;
}

// The checks both Windows functions make before converting. Returns the
// input length to convert (the NUL included for -1), or -1 after setting
// the last error.
template <typename Char>
long long checkedInputLength(UINT codePage, const Char* text, int length, const void* out,
                             int outSize) {
    if (codePage != CP_UTF8 || text == nullptr || length == 0 || length < -1 || outSize < 0 ||
        (out == nullptr && outSize != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (length == -1) return static_cast<long long>(std::char_traits<Char>::length(text)) + 1;
    return length;
}

// Hands the converted units to the caller: the count for a size query,
// the copy when it fits, else 0 with ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
int deliver(const std::basic_string<Char>& converted, Char* out, int outSize) {
    if (converted.size() > static_cast<size_t>(INT_MAX)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    int count = static_cast<int>(converted.size());
    if (outSize == 0) return count;
    if (count > outSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::char_traits<Char>::copy(out, converted.data(), converted.size());
    return count;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int outSize) {
    long long count = checkedInputLength(codePage, text, length, out, outSize);
    if (count < 0) return 0;
    if ((flags & ~kMultiByteFailOnInvalid) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string converted;
    if (!utf8ToUtf16(text, static_cast<size_t>(count), flags != 0, converted)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return deliver(converted, out, outSize);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int outSize, LPCSTR defaultChar, LPBOOL usedDefault) {
    long long count = checkedInputLength(codePage, text, length, out, outSize);
    if (count < 0) return 0;
    // UTF-8 can encode everything, so Windows refuses a default character here.
    if ((flags & ~kWideCharFailOnInvalid) != 0 || defaultChar != nullptr || usedDefault != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string converted;
    if (!utf16ToUtf8(text, static_cast<size_t>(count), flags != 0, converted)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return deliver(converted, out, outSize);
}

namespace posix {

std::u16string toUtf16(const std::string& utf8) {
    std::u16string out;
    utf8ToUtf16(utf8.data(), utf8.size(), false, out);
    return out;
}

std::u16string toUtf16(const char* utf8) {
    return utf8 ? toUtf16(std::string(utf8)) : std::u16string();
}

std::string toUtf8(const std::u16string& utf16) {
    std::string out;
    utf16ToUtf8(utf16.data(), utf16.size(), false, out);
    return out;
}

std::string toUtf8(const char16_t* utf16) {
    return utf16 ? toUtf8(std::u16string(utf16)) : std::string();
}

}  // namespace posix
