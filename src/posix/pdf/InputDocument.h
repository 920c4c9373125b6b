// The document a run reads from standard input, held in memory for the
// engines in place of a file: every place that reads a document by its
// name (qpdf, poppler, the checks before them) asks here first, so that no
// copy of it is ever written to disk.
#pragma once

#include <memory>
#include <string>

namespace posix {

// The name the held document goes by; a file of that name is "./-".
inline constexpr const char* kInputDocumentName = "-";

// Holds the bytes as the input document, in place of any held before.
void holdInputDocument(std::shared_ptr<const std::string> bytes);

// The held bytes when the name is the input document's; null for a file.
const std::string* inputDocument(const char* fileName);
inline const std::string* inputDocument(const std::string& fileName) { return inputDocument(fileName.c_str()); }

}  // namespace posix
