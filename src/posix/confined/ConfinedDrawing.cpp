#include "posix/confined/ConfinedDrawing.h"

#include <utility>

#include "posix/assembly/DrawnPage.h"
#include "posix/assembly/Placement.h"
#include "posix/spooler/DeviceContext.h"
#include "print/PdfSource.h"

namespace posix::confined {

std::unique_ptr<ConfinedDocument> ConfinedDocument::open(DrawingSource source, unsigned long& error,
                                                         std::string& why) {
    std::unique_ptr<ConfinedDocument> document(new ConfinedDocument(std::move(source), drawingBudget()));
    OpenedDocument opened;
    document->helper_ = DrawingHelper::start(document->source_, document->budget_, opened, why);
    if (!document->helper_) {
        error = kPdfUnknownError;
        return nullptr;
    }
    if (opened.error != kPdfLoaded) {
        error = opened.error;
        return nullptr;
    }
    document->pageCount_ = opened.pageCount;
    document->permissions_ = opened.permissions;
    return document;
}

bool ConfinedDocument::ask(MessageKind request, const std::string& body, MessageKind expected,
                           std::string& answer, std::string& why) {
    if (!helper_) {
        OpenedDocument opened;
        helper_ = DrawingHelper::start(source_, budget_, opened, why);
        if (helper_ && (opened.error != kPdfLoaded || opened.pageCount != pageCount_)) {
            helper_.reset();
            why = "the drawing helper read the document differently";
        }
        if (!helper_) return false;
    }
    if (helper_->ask(request, body, expected, answer, why)) return true;
    helper_.reset();
    return false;
}

std::unique_ptr<ConfinedPage> ConfinedDocument::page(int index) {
    failure_.clear();
    if (index < 0 || index >= pageCount_) return nullptr;
    std::string answer;
    if (!ask(MessageKind::Prepare, MessageOut().number(static_cast<uint32_t>(index)).body(), MessageKind::Prepared,
             answer, failure_))
        return nullptr;
    MessageIn in(answer);
    uint32_t exists = 0;
    double width = 0, height = 0;
    std::string lost;
    if (!in.number(exists) || !in.real(width) || !in.real(height) || !in.bytes(lost) || !in.atEnd()) {
        helper_.reset();
        failure_ = "the drawing helper answered what was not asked";
        return nullptr;
    }
    if (!exists) return nullptr;
    // Sizes beyond any paper (or not numbers) are as good as none.
    if (!(width > 0 && width < 1e7) || !(height > 0 && height < 1e7)) width = height = 0;
    return std::make_unique<ConfinedPage>(*this, index, width, height, std::move(lost));
}

bool ConfinedPage::drawOnto(DeviceContext& context, const assembly::TargetRect& target, int rotate) {
    failure_.clear();
    const uint32_t index = static_cast<uint32_t>(index_);
    std::string answer;
    if (context.cairo()) {
        if (target.width <= 0 || target.height <= 0) return false;
        MessageOut request;
        request.number(index)
            .number(static_cast<uint32_t>(target.width))
            .number(static_cast<uint32_t>(target.height))
            .number(static_cast<uint32_t>(rotate & 3));
        if (!document_.ask(MessageKind::DrawPixels, request.body(), MessageKind::Pixels, answer, failure_))
            return false;
        MessageIn in(answer);
        uint32_t width = 0, height = 0;
        std::string pixels;
        if (!in.number(width) || !in.number(height) || !in.bytes(pixels) || !in.atEnd() ||
            width != static_cast<uint32_t>(target.width) || height != static_cast<uint32_t>(target.height) ||
            (!pixels.empty() && pixels.size() != uint64_t(width) * height * 4)) {
            document_.helper_.reset();
            failure_ = "the drawing helper answered what was not asked";
            return false;
        }
        return !pixels.empty() && context.paintPixels(pixels, target);
    }
    if (!document_.ask(MessageKind::DrawPdf, MessageOut().number(index).body(), MessageKind::Pdf, answer, failure_))
        return false;
    MessageIn in(answer);
    std::string pdf;
    if (!in.bytes(pdf) || !in.atEnd()) {
        document_.helper_.reset();
        failure_ = "the drawing helper answered what was not asked";
        return false;
    }
    return assembly::placeDrawnPage(context, std::move(pdf), target, rotate);
}

}  // namespace posix::confined
