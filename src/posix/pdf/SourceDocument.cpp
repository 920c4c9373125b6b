#include "posix/pdf/SourceDocument.h"

#include <qpdf/Constants.h>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QUtil.hh>

#include <cstdint>
#include <exception>
#include <set>
#include <stdexcept>
#include <utility>

#include "posix/pdf/FormFieldTree.h"
#include "posix/pdf/QpdfFiles.h"
#include "posix/pdf/RawFieldTree.h"
#include "posix/pdf/ReadableFile.h"
#include "posix/winapi/LastError.h"
#include "print/PdfSource.h"
#include "print/PrintLogs.h"

namespace posix::pdf {

namespace {

constexpr const char* kUnreadable = "its content could not be read for placing";
constexpr const char* kInflatesTooFar = "its content inflates beyond 256 MiB";
static_assert(assembly::kContentLimit == size_t{256} << 20, "the reason names the limit");
constexpr const char* kAppearanceUnreadable = "an annotation's appearance could not be read for placing";
constexpr const char* kNoAppearance = "a printable annotation has no appearance";
constexpr const char* kFormValue = "a form value has characters placing cannot draw";
constexpr const char* kFormLayout = "a form value is aligned, combed or on several lines, as placing cannot draw it";

// Text field flags: several lines, and a comb of /MaxLen cells.
constexpr int kMultiline = 1 << 12;
constexpr int kComb = 1 << 24;

// Real page trees are a few levels deep; qpdf walks them recursively, so a
// hostile one thousands of levels deep would overflow the stack.
constexpr int kDeepestPageTree = 1000;
// A damaged file can make qpdf warn once per object.
constexpr int kWarningsLogged = 50;

bool printed(QPDFAnnotationObjectHelper& annotation) {
    const int flags = annotation.getFlags();
    if (!(flags & an_print) || (flags & (an_hidden | an_invisible))) return false;
    // A pop-up shows another annotation's text on screen; it does not print.
    return !annotation.getObjectHandle().getKey("/Subtype").isNameAndEquals("/Popup");
}

// Walks the page tree without recursion; throws when it is deeper than qpdf
// can walk.
void checkPageTreeDepth(QPDFObjectHandle root) {
    std::vector<std::pair<QPDFObjectHandle, int>> pending{{root, 1}};
    std::set<QPDFObjGen> seen;
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > kDeepestPageTree)
            throw std::runtime_error("its page tree is more than " + std::to_string(kDeepestPageTree) +
                                     " levels deep");
        if (node.isIndirect() && !seen.insert(node.getObjGen()).second) continue;
        QPDFObjectHandle kids = node.isDictionary() ? node.getKey("/Kids") : QPDFObjectHandle();
        if (!kids.isArray()) continue;
        for (QPDFObjectHandle& kid : kids.aitems()) {
            if (kid.isDictionary() && kid.getKey("/Kids").isArray()) pending.emplace_back(kid, depth + 1);
        }
    }
}

// Whether the page tree's /Count, where it has one, is the number of pages
// qpdf found in it.
bool countAgrees(QPDF& document, size_t pages) {
    try {
        QPDFObjectHandle count = document.getRoot().getKey("/Pages").getKey("/Count");
        return !count.isInteger() || count.getIntValue() == static_cast<long long>(pages);
    } catch (const std::exception&) {
        return false;
    }
}

// The load error of a document qpdf cannot read, as the engine reports it.
unsigned long loadError(const std::exception& failure) {
    const auto* qpdfFailure = dynamic_cast<const QPDFExc*>(&failure);
    if (!qpdfFailure) return kPdfFormatError;
    switch (qpdfFailure->getErrorCode()) {
        case qpdf_e_password: return kPdfPasswordError;
        case qpdf_e_system: return kPdfFileError;
        default: return kPdfFormatError;
    }
}

}  // namespace

std::unique_ptr<SourceDocument> SourceDocument::open(const char* fileName, const char* password,
                                                     unsigned long& error) {
    error = kPdfLoaded;
    if (!readableFile(fileName)) {
        error = kPdfFileError;
        return nullptr;
    }
    std::unique_ptr<SourceDocument> document(new SourceDocument);
    document->fileName_ = fileName;
    document->hasPassword_ = password != nullptr;
    if (password) document->password_ = password;

    unsigned long qpdfError = kPdfLoaded;
    document->readWithQpdf(qpdfError);
    if (document->qpdf_) document->appearancesFromValues_ = appearancesFromValues(*document->qpdf_);
    const size_t qpdfPages = document->pages_.size();
    // Repairs, of the file or of its page tree, are what qpdf warns of.
    const bool repaired = document->qpdf_ && document->qpdf_->anyWarnings();
    const bool doubtful = !document->qpdf_ || repaired || qpdfPages == 0 ||
                          !countAgrees(*document->qpdf_, qpdfPages);
    document->logWarnings();
    document->readWithoutRepairs_ = !doubtful;

    if (doubtful) {
        // Drawing's verdict decides whether a damaged file prints at all,
        // and a page count short of drawing's is not printed short.
        document->openDrawable(error);
        if (!document->drawable_) {
            const bool noDrawing = !document->drawingUnavailable_.empty();
            if (!document->qpdf_) {
                if (noDrawing) error = qpdfError;
                return nullptr;
            }
            // Without drawing, qpdf's repair is all there is.
            if (repaired && !noDrawing) return nullptr;
            error = kPdfLoaded;
        } else if (!document->qpdf_) {
            document->drawAllReason_ = "the document could not be read for placing";
        } else if (document->drawable_->pageCount() > static_cast<int>(qpdfPages)) {
            document->drawAllReason_ = "the document is damaged";
            document->qpdf_.reset();
            document->pages_.clear();
        }
    }
    if (document->qpdf_) {
        document->printedLayers_ = PrintedLayers(*document->qpdf_);
        document->prepareForms();
    }
    return document;
}

void SourceDocument::readWithQpdf(unsigned long& qpdfError) {
    try {
        std::shared_ptr<QPDF> qpdf = openWithQpdf(fileName_, hasPassword_ ? password_.c_str() : nullptr);
        checkPageTreeDepth(qpdf->getRoot().getKey("/Pages"));
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*qpdf).getAllPages())
            pages_.push_back(page.getObjectHandle());
        qpdf_ = std::move(qpdf);
    } catch (const std::exception& failure) {
        pdfPrintLog.info("The document could not be read for placing: %s", failure.what());
        qpdfError = loadError(failure);
        pages_.clear();
        qpdf_.reset();
    }
}

void SourceDocument::logWarnings() {
    if (!qpdf_ || !qpdf_->anyWarnings()) return;
    for (const QPDFExc& warning : qpdf_->getWarnings()) {
        if (warningsLogged_ < kWarningsLogged) {
            pdfPrintLog.info("qpdf: %s", warning.what());
        } else if (warningsLogged_ == kWarningsLogged) {
            pdfPrintLog.info("qpdf: further warnings are not logged");
        }
        ++warningsLogged_;
    }
}

unsigned long SourceDocument::permissions() const {
    if (qpdf_) {
        int revision = 0, bits = 0;
        if (!qpdf_->isEncrypted(revision, bits) || qpdf_->ownerPasswordMatched()) return kAllPermissions;
        return static_cast<uint32_t>(bits);
    }
    return drawable_ ? drawable_->permissions() : kAllPermissions;
}

void SourceDocument::prepareForms() {
    try {
        if (!appearancesFromValues_) return;
        QPDFAcroFormDocumentHelper forms(*qpdf_);
        // qpdf draws the values of text and choice fields in ASCII only,
        // on one line from the left; pages with other values, or values
        // aligned, combed or on several lines, are drawn by poppler.
        for (QPDFFormFieldObjectHelper& field : forms.getFormFields()) {
            const std::string type = field.getFieldType();
            if (type != "/Tx" && type != "/Ch") continue;
            const std::string value = field.getValueAsString();
            std::string ascii;
            const char* reason = nullptr;
            if (!QUtil::utf8_to_ascii(value, ascii)) {
                reason = kFormValue;
            } else if (!value.empty() &&
                       (field.getQuadding() != 0 || (type == "/Tx" && (field.getFlags() & (kMultiline | kComb))))) {
                reason = kFormLayout;
            }
            if (!reason) continue;
            if (reason == kFormValue && wideValueTakesFormAppearance(field)) wideValueTakesFormAppearance_ = true;
            for (QPDFAnnotationObjectHelper& widget : forms.getAnnotationsForField(field))
                undrawableWidgets_.emplace(widget.getObjectHandle().getObjGen(), reason);
        }
        forms.generateAppearancesIfNeeded();
    } catch (const std::exception&) {
        // Appearances that cannot be made: pages with form fields are drawn.
        formsUnprepared_ = true;
    }
}

int SourceDocument::pageCount() const {
    if (qpdf_) return static_cast<int>(pages_.size());
    return drawable_ ? drawable_->pageCount() : 0;
}

void SourceDocument::openDrawable(unsigned long& error) {
    drawableTried_ = true;
    drawing::DrawingPlugin* plugin = drawing::drawingPlugin();
    if (!plugin) {
        drawingUnavailable_ = lastErrorMessage();
        if (drawingUnavailable_.empty()) drawingUnavailable_ = "the drawing plugin cannot be loaded";
        error = kPdfUnknownError;
        return;
    }
    // qpdf's repair of a damaged file is not poppler's: the trees are
    // counted in the file's own bytes then.
    const RawTrees raw = readWithoutRepairs_ ? RawTrees{}
                                             : rawTreesTooLarge(fileName_.c_str(), kMostFormFieldPaths,
                                                                kMostPageTreePaths);
    if ((qpdf_ && formFieldTreeTooLarge(*qpdf_)) || raw.fieldsTooLarge) {
        drawingUnavailable_ = "its form field tree is too large to be drawn";
        error = kPdfFormatError;
        return;
    }
    if (raw.pagesTooLarge) {
        drawingUnavailable_ = "its page tree is too large to be drawn";
        error = kPdfFormatError;
        return;
    }
    const char* password = hasPassword_ ? password_.c_str() : nullptr;
    confined::DrawingSource source;
    source.fileName = fileName_;
    source.password = password_;
    source.hasPassword = hasPassword_;
    source.appearancesFromValues = appearancesFromValues_;
    std::string why;
    if (readWithoutRepairs_ && wideValueTakesFormAppearance_) {
        // qpdf's own reading has its appearances made by now: a new one.
        try {
            source.copy = copyForDrawingForms(*openWithQpdf(fileName_, password));
        } catch (const std::exception&) {
        }
        if (!source.copy.empty()) {
            drawable_ = confined::ConfinedDocument::open(source, error, why);
            if (drawable_) {
                drawable_->drawTogether(drawnTogether_);
                return;
            }
            source.copy.clear();
        }
    }
    drawable_ = confined::ConfinedDocument::open(std::move(source), error, why);
    if (drawable_) drawable_->drawTogether(drawnTogether_);
    // A helper that ended before it had read the document: nothing of it
    // is drawn, and the pages that need drawing say why.
    if (!drawable_ && !why.empty()) drawingUnavailable_ = why;
}

std::unique_ptr<confined::ConfinedPage> SourceDocument::drawablePage(int index) {
    if (!drawableTried_) {
        unsigned long error = kPdfLoaded;
        openDrawable(error);
    }
    return drawable_ ? drawable_->page(index) : nullptr;
}

const std::string& SourceDocument::drawingFailure() const {
    static const std::string none;
    return drawable_ ? drawable_->failure() : none;
}

std::string SourceDocument::annotationsToPlace(QPDFObjectHandle page, std::vector<QPDFObjectHandle>* placed) {
    std::string reason;
    for (QPDFAnnotationObjectHelper& annotation : QPDFPageObjectHelper(page).getAnnotations()) {
        if (!printed(annotation)) continue;
        QPDFObjectHandle object = annotation.getObjectHandle();
        // A layer that does not print hides what it marks.
        if (!printedLayers_.prints(object.getKey("/OC"))) continue;
        const bool widget = object.getKey("/Subtype").isNameAndEquals("/Widget");
        const auto undrawable = widget ? undrawableWidgets_.find(object.getObjGen()) : undrawableWidgets_.end();
        QPDFObjectHandle appearance = annotation.getAppearanceStream("/N");
        if (widget && formsUnprepared_) {
            reason = kFormValue;
        } else if (undrawable != undrawableWidgets_.end()) {
            reason = undrawable->second;
        } else if (appearance.isStream()) {
            // One a form generated is filled in as it is read, once: it is
            // checked while it is copied.
            if (!appearance.isDataModified() &&
                !assembly::decodeStream(appearance, nullptr, assembly::kAppearanceLimit))
                reason = kAppearanceUnreadable;
            if (placed) placed->push_back(object);
        } else if (annotation.getAppearanceDictionary().getKey("/N").isDictionary()) {
            // Appearances by state (a check box's on and off), none for the
            // state it is in: it shows nothing, as viewers show it.
        } else if (!object.getKey("/Subtype").isNameAndEquals("/Link")) {
            // A link without appearance shows nothing in print anyway.
            reason = kNoAppearance;
        }
    }
    return reason;
}

bool SourceDocument::everyPageDrawn(const std::vector<int>& pages) {
    if (!qpdf_) return true;
    for (int index : pages) {
        if (index < 0 || index >= static_cast<int>(pages_.size())) return false;
        try {
            if (annotationsToPlace(pages_[index], nullptr).empty()) return false;
        } catch (const std::exception&) {
            // What cannot be read is drawn.
        }
    }
    return !pages.empty();
}

void SourceDocument::willLoad(const std::vector<int>& pages) {
    if (pages.size() < 2 || !everyPageDrawn(pages)) return;
    drawnTogether_ = pages;
    if (drawable_) drawable_->drawTogether(drawnTogether_);
}

void SourceDocument::checkPlaceable(PreparedPage& page) {
    assembly::SourcePage source = assembly::SourcePage::of(qpdf_, pages_[page.index]);
    page.width = source.displayed.width();
    page.height = source.displayed.height();
    switch (assembly::readContents(source.page, source.openSaves, contentChecks_)) {
    case assembly::ContentReading::Readable:
        break;
    case assembly::ContentReading::Unreadable:
        throw std::runtime_error(kUnreadable);
    case assembly::ContentReading::TooLarge:
        // Not placed: drawing it is held to the drawing budget.
        page.drawReason = kInflatesTooFar;
        return;
    }
    page.drawReason = annotationsToPlace(source.page, &source.annotations);
    page.placeable = std::move(source);
}

std::unique_ptr<PreparedPage> SourceDocument::preparePage(int index) {
    if (index < 0 || index >= pageCount()) return nullptr;
    auto page = std::make_unique<PreparedPage>();
    page->document = this;
    page->index = index;
    if (qpdf_) {
        try {
            checkPlaceable(*page);
            if (page->drawReason.empty()) return page;
        } catch (const std::exception&) {
            page->placeable.reset();
            page->drawReason = kUnreadable;
        }
    } else {
        page->drawReason = drawAllReason_;
    }

    page->drawable = drawablePage(index);
    if (page->drawable) {
        // Text a form holds reaches the paper, or the page does not print.
        const std::string& lost = page->drawable->formValueLost();
        if (!lost.empty()) {
            pdfPrintLog.error("Page %d cannot be printed: %s", index, lost.c_str());
            return nullptr;
        }
        if (!page->placeable) {
            page->width = page->drawable->width();
            page->height = page->drawable->height();
        }
        return page;
    }
    // It cannot be drawn either: skipped, and the log says why, rather
    // than printed without what needed drawing.
    if (!drawingFailure().empty()) {
        pdfPrintLog.error("Page %d cannot be printed: %s", index, drawingFailure().c_str());
    } else if (qpdf_) {
        pdfPrintLog.error("Page %d needs drawing (%s): %s", index, page->drawReason.c_str(),
                          drawingUnavailable_.empty() ? "poppler cannot read it"
                                                      : drawingUnavailable_.c_str());
    }
    return nullptr;
}

}  // namespace posix::pdf
