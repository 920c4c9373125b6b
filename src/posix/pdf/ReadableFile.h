// Small file checks shared by the PDF engines.
#pragma once

namespace posix {

// A file that can be opened for reading and is not a folder. A document
// that fails this is a file error, whatever a parser would make of it.
// The document held from standard input is one.
bool readableFile(const char* fileName);

}  // namespace posix
