// JPEG data for documents whose content is in a filter qpdf does not
// decode unasked (/DCTDecode): such a page is drawn.
#pragma once

#include <string>

namespace testpdf {

// A JPEG of a few hundred bytes whose frame says 65500 x 65500 pixels:
// its scan data runs out at once and libjpeg gives every row after it as
// mid grey, 4 GiB of it, at little memory.
std::string hugeGreyJpeg();

}  // namespace testpdf
