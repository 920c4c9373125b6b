// Opening a PDF file with qpdf, the quick way for small files.
#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>

namespace posix {

// The file read by qpdf, its warnings kept for getWarnings() rather than
// printed. qpdf reads a file in many small pieces, seeking back and forth;
// a small one (up to 4 MiB) is read whole instead, at a fraction of the
// cost, a larger one through a few blocks kept in memory. Throws (std::exception, QPDFExc for qpdf's own failures) when qpdf
// cannot read it.
std::shared_ptr<QPDF> openWithQpdf(const std::string& fileName, const char* password);

}  // namespace posix
