// Documents drawn in a helper process: what the placing engine and the
// drawing engine ask of a document whose pages need drawing, each request
// answered by a helper within the budget. A helper that is ended (it passed
// its budget, crashed or was killed) costs the page it was asked about; the
// next request starts a fresh one, which reads the document again.
#pragma once

#include <sys/types.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "posix/confined/DrawingBudget.h"
#include "posix/confined/DrawingHelper.h"
#include "posix/confined/DrawingService.h"

namespace posix {

class DeviceContext;

namespace assembly {
struct TargetRect;
}

namespace confined {

class ConfinedPage;

class ConfinedDocument {
public:
    // Null, with error set (a kPdf...Error code) and why, when the helper
    // cannot read it or ended before it had: why then says how.
    static std::unique_ptr<ConfinedDocument> open(DrawingSource source, unsigned long& error, std::string& why);

    int pageCount() const { return pageCount_; }
    unsigned long permissions() const { return permissions_; }
    // Null when the document has no such page, or when the helper could not
    // be asked: failure() then says why.
    std::unique_ptr<ConfinedPage> page(int index);
    const std::string& failure() const { return failure_; }
    // The helper's process id, or 0 while none runs.
    pid_t helperId() const { return helper_ ? helper_->pid() : 0; }

    // The pages the run will have drawn as PDF, in order: drawn together,
    // kMostPagesTogether at a time, so that what they share (fonts above
    // all) is written once for them. A page not among them is drawn alone.
    void drawTogether(std::vector<int> pages) { together_ = std::move(pages); }
    // The drawing that holds the page, and the page in it; false with why
    // (empty where the helper drew nothing of it) when there is none.
    bool drawingOf(int index, std::shared_ptr<QPDF>& drawing, QPDFObjectHandle& page, std::string& why);

private:
    friend class ConfinedPage;
    ConfinedDocument(DrawingSource source, const DrawingBudget& budget) : source_(std::move(source)), budget_(budget) {}
    // Asks the helper, starting a fresh one when none runs; false with why.
    bool ask(MessageKind request, const std::string& body, MessageKind expected, std::string& answer,
             std::string& why, int* pageReached = nullptr);
    // The pages to draw with the one asked for: it, and those that follow
    // it among the pages drawn together and were not lost.
    std::vector<int> drawnWith(int index) const;
    bool takeDrawing(const std::string& answer);

    DrawingSource source_;
    DrawingBudget budget_;
    std::unique_ptr<DrawingHelper> helper_;
    int pageCount_ = 0;
    unsigned long permissions_ = 0;
    std::string failure_;
    std::vector<int> together_;
    std::map<int, std::string> lost_;   // pages whose helper was ended, and why
    std::shared_ptr<QPDF> drawing_;     // the pages drawn last, together
    std::map<int, QPDFObjectHandle> drawnPages_;
};

class ConfinedPage {
public:
    ConfinedPage(ConfinedDocument& document, int index, double width, double height, std::string lost)
        : document_(document), index_(index), width_(width), height_(height), lost_(std::move(lost)) {}
    double width() const { return width_; }
    double height() const { return height_; }
    // Why a value of the page's form does not reach its drawing, or empty.
    const std::string& formValueLost() const { return lost_; }
    // Draws the page onto the context as a viewer prints it: its drawing,
    // a PDF of its own, placed on a context that places pages; its pixels
    // painted on one that draws. False when nothing could be drawn;
    // failure() then says why where the helper was ended.
    bool drawOnto(DeviceContext& context, const assembly::TargetRect& target, int rotate);
    const std::string& failure() const { return failure_; }

private:
    ConfinedDocument& document_;
    int index_;
    double width_, height_;
    std::string lost_;
    std::string failure_;
};

}  // namespace confined
}  // namespace posix
