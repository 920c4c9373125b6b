// A page drawn by the drawing helper, a page of the page's displayed size
// in a PDF the helper drew (alone or with other pages), placed on a
// context that places pages as the page itself would have been.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>

namespace posix {

class DeviceContext;

namespace assembly {

struct TargetRect;

// False when the page cannot be taken from the drawing, or the context
// does not place pages.
bool placeDrawnPage(DeviceContext& context, std::shared_ptr<QPDF> drawing, QPDFObjectHandle page,
                    const TargetRect& target, int rotate);

}  // namespace assembly
}  // namespace posix
