#include "posix/assembly/DrawnPage.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>
#include <memory>
#include <vector>

#include "posix/assembly/SourcePage.h"
#include "posix/spooler/DeviceContext.h"

namespace posix::assembly {

bool placeDrawnPage(DeviceContext& context, std::string pdf, const TargetRect& target, int rotate) {
    if (pdf.empty()) return false;
    try {
        std::shared_ptr<QPDF> drawn = openPdfInMemory(std::move(pdf), "drawn page");
        const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*drawn).getAllPages();
        if (pages.empty()) return false;
        SourcePage source = SourcePage::of(drawn, pages.front().getObjectHandle());
        source.drawn = true;
        return context.placePage(source, target, rotate);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace posix::assembly
