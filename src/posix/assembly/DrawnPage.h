// A page drawn by the drawing helper, as a PDF of one page of the page's
// displayed size, placed on a context that places pages as the page itself
// would have been.
#pragma once

#include <string>

namespace posix {

class DeviceContext;

namespace assembly {

struct TargetRect;

// False when the drawing is no PDF of a page qpdf reads, or the context
// does not place pages.
bool placeDrawnPage(DeviceContext& context, std::string pdf, const TargetRect& target, int rotate);

}  // namespace assembly
}  // namespace posix
