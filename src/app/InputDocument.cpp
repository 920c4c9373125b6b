#include "app/InputDocument.h"

#include <cstring>

#include "plat/Exception.h"
#include "plat/WinApi.h"

namespace {

// A whole PDF file ends with "%%EOF", which writers may follow with a few
// bytes of their own: it is looked for this far from the end.
constexpr size_t kEndMarkerReach = 1024;

}  // namespace

bool namesStandardInput(const char* pdfFileName) { return pdfFileName && std::strcmp(pdfFileName, "-") == 0; }

std::shared_ptr<const std::string> readInputDocument() {
    auto bytes = std::make_shared<std::string>();
    if (const DWORD error = readStandardInput(*bytes, kLargestInputDocument); error != 0)
        throw plat::SystemException("Unable to read the document from standard input", error);
    if (bytes->empty())
        throw plat::Exception("Nothing came on standard input: -printpdf - reads the PDF document from it");
    if (bytes->size() > kLargestInputDocument)
        throw plat::ExceptionFmt("The document on standard input is larger than %u MiB, the most it may be",
                                 static_cast<unsigned>(kLargestInputDocument >> 20));
    const size_t tail = bytes->size() > kEndMarkerReach ? bytes->size() - kEndMarkerReach : 0;
    if (bytes->find("%%EOF", tail) == std::string::npos)
        throw plat::Exception("The document on standard input ends without %%EOF: it is not a whole PDF file "
                              "(was the pipe cut short?)");
    return bytes;
}
