#include "posix/confined/ConfinedDrawing.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <exception>
#include <utility>

#include "posix/assembly/DrawnPage.h"
#include "posix/assembly/Placement.h"
#include "posix/assembly/SourcePage.h"
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
                           std::string& answer, std::string& why, int* pageReached) {
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
    if (pageReached) *pageReached = helper_->pageReached();
    helper_.reset();
    return false;
}

std::vector<int> ConfinedDocument::drawnWith(int index) const {
    std::vector<int> pages{index};
    const auto at = std::find(together_.begin(), together_.end(), index);
    if (at == together_.end()) return pages;
    for (auto next = at + 1; next != together_.end() && pages.size() < kMostPagesTogether; ++next)
        if (!lost_.count(*next) && *next >= 0 && *next < pageCount_) pages.push_back(*next);
    return pages;
}

bool ConfinedDocument::takeDrawing(const std::string& answer) {
    MessageIn in(answer);
    uint32_t count = 0;
    if (!in.number(count) || count > kMostPagesTogether) return false;
    std::vector<int> indexes;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t index = 0;
        if (!in.number(index) || index >= static_cast<uint32_t>(pageCount_)) return false;
        indexes.push_back(static_cast<int>(index));
    }
    std::string pdf;
    if (!in.bytes(pdf) || !in.atEnd()) return false;
    drawing_.reset();
    drawnPages_.clear();
    if (count == 0) return true;
    try {
        std::shared_ptr<QPDF> drawing = assembly::openPdfInMemory(std::move(pdf), "drawn pages");
        const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*drawing).getAllPages();
        if (pages.size() != count) return false;
        for (uint32_t i = 0; i < count; ++i) drawnPages_[indexes[i]] = pages[i].getObjectHandle();
        drawing_ = std::move(drawing);
    } catch (const std::exception&) {
        drawnPages_.clear();
    }
    return true;
}

bool ConfinedDocument::drawingOf(int index, std::shared_ptr<QPDF>& drawing, QPDFObjectHandle& page,
                                 std::string& why) {
    why.clear();
    std::vector<int> pages = drawnWith(index);
    while (!drawnPages_.count(index)) {
        if (const auto lost = lost_.find(index); lost != lost_.end()) {
            why = lost->second;
            return false;
        }
        MessageOut request;
        request.number(static_cast<uint32_t>(pages.size()));
        for (int each : pages) request.number(static_cast<uint32_t>(each));
        std::string answer;
        int reached = -1;
        if (ask(MessageKind::DrawPdfPages, request.body(), MessageKind::PdfPages, answer, why, &reached)) {
            if (!takeDrawing(answer)) {
                helper_.reset();
                why = "the drawing helper answered what was not asked";
                return false;
            }
            if (!drawnPages_.count(index)) return false;
            break;
        }
        // The page the helper was at is lost; those before it are drawn
        // again, by a fresh helper, without it.
        const auto at = std::find(pages.begin(), pages.end(), reached);
        if (at == pages.end() || at == pages.begin()) {
            lost_[index] = why;
            return false;
        }
        lost_[reached] = why;
        pages.erase(at, pages.end());
    }
    drawing = drawing_;
    page = drawnPages_[index];
    return true;
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
    std::shared_ptr<QPDF> drawing;
    QPDFObjectHandle page;
    if (!document_.drawingOf(index_, drawing, page, failure_)) return false;
    return assembly::placeDrawnPage(context, std::move(drawing), page, target, rotate);
}

}  // namespace posix::confined
