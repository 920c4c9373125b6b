// Test stand-in for fpdfview.dll, not the real PDF engine: reading a whole
// file named in UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace standin {

// Larger files are refused rather than read, so memory stays bounded.
constexpr std::size_t kMaxFileBytes = 256u << 20;

// The file's bytes, or nothing with FPDF_ERR_FILE in error when the name is
// null or not UTF-8, or the file cannot be opened, read or is too large.
std::optional<std::string> readWholeFile(const char* utf8Name, unsigned long& error);

}  // namespace standin
