// Test stand-in for fpdfview.dll, not the real PDF engine: what the
// standard security handler grants a reader who gives no password. Only
// revisions 2 to 4 (MD5 and RC4) are checked; anything else needs a
// password as far as the stand-in can tell.
#pragma once

#include <optional>
#include <string_view>

#include "PdfObjects.h"

namespace standin {

// The permission bits (/P) when the empty user password opens the document
// that encrypt (the /Encrypt dictionary) protects; firstId is the first
// string of the trailer's /ID. Nothing when a password is needed.
std::optional<unsigned long> permissionsWithoutPassword(const Value& encrypt, std::string_view firstId);

}  // namespace standin
