// "-printpdf -": the document read from standard input into memory, so
// that a caller can print what must never touch the disk.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The most a document from standard input may hold: it is kept in memory
// whole, and the engines that read it each take a copy.
constexpr size_t kLargestInputDocument = size_t{256} << 20;

// The file name that stands for standard input.
bool namesStandardInput(const char* pdfFileName);

// Reads the document to the end of standard input. Throws plat::Exception
// saying what was wrong: nothing came, more than kLargestInputDocument,
// an end without "%%EOF" (the pipe cut short), or the read failed.
std::shared_ptr<const std::string> readInputDocument();
