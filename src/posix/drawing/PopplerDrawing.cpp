// The drawing plugin's table: documents opened with poppler, pages drawn
// onto cairo.
#include "posix/drawing/RasterDeviceContext.h"
#include "posix/drawing/DrawingPlugin.h"
#include "posix/drawing/FormText.h"
#include "posix/drawing/PageDrawing.h"
#include "posix/drawing/PopplerDocuments.h"

namespace posix::drawing {

namespace {

class PopplerDrawablePage : public DrawablePage {
public:
    PopplerDrawablePage(PopplerPagePtr page, bool appearancesFromValues)
        : page_(std::move(page)), appearancesFromValues_(appearancesFromValues) {
        poppler_page_get_size(page_.get(), &width_, &height_);
    }
    double width() const override { return width_; }
    double height() const override { return height_; }
    PopplerPage* poppler() const { return page_.get(); }
    std::string formValueLost() override {
        std::string drawn;
        return drawFormValues(page_.get(), appearancesFromValues_, drawn);
    }
    bool drawnAsPixels(int width, int height, int rotate, std::string& pixels) override {
        return drawPageAsPixels(page_.get(), width, height, rotate, pixels);
    }

private:
    PopplerPagePtr page_;
    bool appearancesFromValues_;
    double width_ = 0, height_ = 0;
};

class PopplerDrawableDocument : public DrawableDocument {
public:
    PopplerDrawableDocument(PopplerDocumentPtr document, bool appearancesFromValues)
        : document_(std::move(document)), appearancesFromValues_(appearancesFromValues) {}
    int pageCount() const override { return poppler_document_get_n_pages(document_.get()); }
    std::unique_ptr<DrawablePage> page(int index) override {
        if (index < 0 || index >= pageCount()) return nullptr;
        PopplerPagePtr page(poppler_document_get_page(document_.get(), index));
        if (!page) return nullptr;
        return std::make_unique<PopplerDrawablePage>(std::move(page), appearancesFromValues_);
    }
    unsigned long permissions() const override { return permissionBits(document_.get()); }
    std::string drawnAsPdf(const std::vector<DrawablePage*>& pages,
                           const std::function<void(size_t)>& pageStarts) override {
        std::vector<PopplerPage*> drawn;
        for (DrawablePage* page : pages) drawn.push_back(static_cast<PopplerDrawablePage*>(page)->poppler());
        return drawPagesAsPdf(drawn, pageStarts);
    }

private:
    PopplerDocumentPtr document_;
    bool appearancesFromValues_;
};

class PopplerDrawing : public DrawingPlugin {
public:
    std::unique_ptr<DrawableDocument> open(const char* fileName, const char* password, bool appearancesFromValues,
                                           unsigned long& error) override {
        PopplerDocumentPtr document = openPopplerDocument(fileName, password, error);
        if (!document) return nullptr;
        return std::make_unique<PopplerDrawableDocument>(std::move(document), appearancesFromValues);
    }
    std::unique_ptr<DrawableDocument> openCopy(const std::string& contents, const char* password,
                                               bool appearancesFromValues, unsigned long& error) override {
        PopplerDocumentPtr document = openPopplerDocumentCopy(contents, password, error);
        if (!document) return nullptr;
        return std::make_unique<PopplerDrawableDocument>(std::move(document), appearancesFromValues);
    }
    std::unique_ptr<DeviceContext> rasterDeviceContext(PrinterDriver& driver, const JobSettings& settings,
                                                       const RasterFormat& format) override {
        return std::make_unique<RasterDeviceContext>(driver, settings, format);
    }
};

}  // namespace

}  // namespace posix::drawing

extern "C" posix::drawing::DrawingPlugin* quorlexDrawingPlugin() {
    static posix::drawing::PopplerDrawing plugin;
    return &plugin;
}
