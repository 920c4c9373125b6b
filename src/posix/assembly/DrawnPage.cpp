#include "posix/assembly/DrawnPage.h"

#include <exception>
#include <utility>

#include "posix/assembly/SourcePage.h"
#include "posix/spooler/DeviceContext.h"

namespace posix::assembly {

bool placeDrawnPage(DeviceContext& context, std::shared_ptr<QPDF> drawing, QPDFObjectHandle page,
                    const TargetRect& target, int rotate) {
    if (!drawing) return false;
    try {
        SourcePage source = SourcePage::of(std::move(drawing), page);
        source.drawn = true;
        return context.placePage(source, target, rotate);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace posix::assembly
