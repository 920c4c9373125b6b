#include "posix/pdf/SourceDocument.h"

#include <qpdf/Constants.h>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QUtil.hh>

#include <exception>
#include <stdexcept>

#include "posix/pdf/ReadableFile.h"
#include "print/FpdfView.h"

namespace posix::pdf {

namespace {

constexpr const char* kUnreadable = "its content could not be read for placing";
constexpr const char* kNoAppearance = "a printable annotation has no appearance";
constexpr const char* kFormValue = "a form value has characters placing cannot draw";

// The content streams must be readable as they are (a single stream is
// copied raw) or decodable (several are joined), or placing would fail
// only while the document is written, too late to draw the page instead.
void checkContents(QPDFObjectHandle page) {
    QPDFObjectHandle contents = page.getKey("/Contents");
    Pl_Discard discard;
    if (contents.isStream()) {
        if (!contents.pipeStreamData(&discard, nullptr, 0, qpdf_dl_none, true))
            throw std::runtime_error(kUnreadable);
    } else if (contents.isArray()) {
        for (QPDFObjectHandle& item : contents.aitems()) {
            if (item.isNull()) continue;
            if (!item.isStream() || !item.pipeStreamData(&discard, nullptr, 0, qpdf_dl_specialized, true))
                throw std::runtime_error(kUnreadable);
        }
    } else if (!contents.isNull()) {
        throw std::runtime_error(kUnreadable);
    }
}

bool printed(QPDFAnnotationObjectHelper& annotation) {
    const int flags = annotation.getFlags();
    if (!(flags & an_print) || (flags & (an_hidden | an_invisible))) return false;
    // A pop-up shows another annotation's text on screen; it does not print.
    return !annotation.getObjectHandle().getKey("/Subtype").isNameAndEquals("/Popup");
}

}  // namespace

std::unique_ptr<SourceDocument> SourceDocument::open(const char* fileName, const char* password,
                                                     unsigned long& error) {
    error = FPDF_ERR_SUCCESS;
    if (!readableFile(fileName)) {
        error = FPDF_ERR_FILE;
        return nullptr;
    }
    std::unique_ptr<SourceDocument> document(new SourceDocument);
    document->fileName_ = fileName;
    document->hasPassword_ = password != nullptr;
    if (password) document->password_ = password;

    bool repaired = false;
    try {
        auto qpdf = std::make_shared<QPDF>();
        qpdf->setSuppressWarnings(true);
        qpdf->processFile(fileName, password);
        repaired = !qpdf->getWarnings().empty();
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*qpdf).getAllPages())
            document->pages_.push_back(page.getObjectHandle());
        document->qpdf_ = std::move(qpdf);
    } catch (const std::exception&) {
        document->pages_.clear();
        document->qpdf_.reset();
    }

    if (!document->qpdf_ || repaired) {
        // Drawing's verdict decides whether a damaged file prints at all.
        document->openDrawable(error);
        if (!document->drawable_) {
            // Without the drawing plugin qpdf's repair is all there is.
            if (!document->qpdf_ || error != FPDF_ERR_UNKNOWN || !document->drawablePluginMissing_)
                return nullptr;
            error = FPDF_ERR_SUCCESS;
            document->prepareForms();
            return document;
        }
        const int drawablePages = document->drawable_->pageCount();
        if (!document->qpdf_) {
            document->drawAllReason_ = "the document could not be read for placing";
        } else if (drawablePages != static_cast<int>(document->pages_.size())) {
            document->drawAllReason_ = "the document is damaged";
            document->qpdf_.reset();
            document->pages_.clear();
        }
    }
    if (document->qpdf_) document->prepareForms();
    return document;
}

void SourceDocument::prepareForms() {
    try {
        if (!qpdf_->getRoot().getKey("/AcroForm").isDictionary()) return;
        QPDFAcroFormDocumentHelper forms(*qpdf_);
        if (!forms.getNeedAppearances()) return;
        // qpdf draws the values of text and choice fields in ASCII only;
        // pages with other values are drawn by poppler.
        for (QPDFFormFieldObjectHelper& field : forms.getFormFields()) {
            const std::string type = field.getFieldType();
            if (type != "/Tx" && type != "/Ch") continue;
            std::string ascii;
            if (QUtil::utf8_to_ascii(field.getValueAsString(), ascii)) continue;
            for (QPDFAnnotationObjectHelper& widget : forms.getAnnotationsForField(field))
                undrawableWidgets_.insert(widget.getObjectHandle().getObjGen());
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
        drawablePluginMissing_ = true;
        error = FPDF_ERR_UNKNOWN;
        return;
    }
    drawable_ = plugin->open(fileName_.c_str(), hasPassword_ ? password_.c_str() : nullptr, error);
}

std::unique_ptr<drawing::DrawablePage> SourceDocument::drawablePage(int index) {
    if (!drawableTried_) {
        unsigned long error = FPDF_ERR_SUCCESS;
        openDrawable(error);
    }
    return drawable_ ? drawable_->page(index) : nullptr;
}

void SourceDocument::checkPlaceable(PreparedPage& page) {
    assembly::SourcePage source = assembly::SourcePage::of(qpdf_, pages_[page.index]);
    page.width = source.displayed.width();
    page.height = source.displayed.height();
    checkContents(source.page);

    for (QPDFAnnotationObjectHelper& annotation : QPDFPageObjectHelper(source.page).getAnnotations()) {
        if (!printed(annotation)) continue;
        QPDFObjectHandle object = annotation.getObjectHandle();
        const bool widget = object.getKey("/Subtype").isNameAndEquals("/Widget");
        if (widget && (formsUnprepared_ || undrawableWidgets_.count(object.getObjGen()))) {
            page.drawReason = kFormValue;
        } else if (annotation.getAppearanceStream("/N").isStream()) {
            source.annotations.push_back(object);
            continue;
        } else if (!object.getKey("/Subtype").isNameAndEquals("/Link")) {
            // A link without appearance shows nothing in print anyway.
            page.drawReason = kNoAppearance;
        }
    }
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
        if (!page->placeable) {
            page->width = page->drawable->width();
            page->height = page->drawable->height();
        }
        return page;
    }
    // It cannot be drawn either: placed as well as it can be, or lost.
    if (page->placeable) {
        page->drawReason.clear();
        return page;
    }
    return nullptr;
}

}  // namespace posix::pdf
