// The drawing plugin's table: documents opened with poppler, pages drawn
// onto cairo.
#include "posix/drawing/CairoDeviceContext.h"
#include "posix/drawing/DrawingPlugin.h"
#include "posix/drawing/PageDrawing.h"
#include "posix/drawing/PopplerDocuments.h"
#include "posix/drawing/PopplerEngine.h"

namespace posix::drawing {

namespace {

class PopplerDrawablePage : public DrawablePage {
public:
    explicit PopplerDrawablePage(PopplerPagePtr page) : page_(std::move(page)) {
        poppler_page_get_size(page_.get(), &width_, &height_);
    }
    double width() const override { return width_; }
    double height() const override { return height_; }
    bool drawOnto(DeviceContext& context, const assembly::TargetRect& target, int rotate) override {
        return drawPageOnto(context, page_.get(), target, rotate);
    }

private:
    PopplerPagePtr page_;
    double width_ = 0, height_ = 0;
};

class PopplerDrawableDocument : public DrawableDocument {
public:
    explicit PopplerDrawableDocument(PopplerDocumentPtr document) : document_(std::move(document)) {}
    int pageCount() const override { return poppler_document_get_n_pages(document_.get()); }
    std::unique_ptr<DrawablePage> page(int index) override {
        if (index < 0 || index >= pageCount()) return nullptr;
        PopplerPagePtr page(poppler_document_get_page(document_.get(), index));
        if (!page) return nullptr;
        return std::make_unique<PopplerDrawablePage>(std::move(page));
    }
    unsigned long permissions() const override { return permissionBits(document_.get()); }

private:
    PopplerDocumentPtr document_;
};

class PopplerDrawing : public DrawingPlugin {
public:
    std::unique_ptr<DrawableDocument> open(const char* fileName, const char* password,
                                           unsigned long& error) override {
        PopplerDocumentPtr document = openPopplerDocument(fileName, password, error);
        if (!document) return nullptr;
        return std::make_unique<PopplerDrawableDocument>(std::move(document));
    }
    PdfEngine& engine() override { return popplerEngine(); }
    std::unique_ptr<DeviceContext> deviceContext(PrinterDriver& driver,
                                                 const DEVMODEW& settings) override {
        return std::make_unique<CairoDeviceContext>(driver, settings);
    }
};

}  // namespace

}  // namespace posix::drawing

extern "C" posix::drawing::DrawingPlugin* quorlexDrawingPlugin() {
    static posix::drawing::PopplerDrawing plugin;
    return &plugin;
}
