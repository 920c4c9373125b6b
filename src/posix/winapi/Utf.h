// UTF-8 and UTF-16 conversion for the POSIX layer's own use, with the
// semantics of the Windows functions: invalid input is replaced by U+FFFD.
#pragma once

#include <string>

namespace posix {

std::u16string toUtf16(const std::string& utf8);
std::u16string toUtf16(const char* utf8);          // null gives an empty string
std::string toUtf8(const std::u16string& utf16);
std::string toUtf8(const char16_t* utf16);         // null gives an empty string

}  // namespace posix
