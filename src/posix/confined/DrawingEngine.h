// The PDF engine that draws every page (Render=always): the document read
// and its pages drawn by the drawing helper, each drawing placed on its
// sheet (or painted, on a printer of raster).
#pragma once

#include "posix/pdf/PdfEngine.h"

namespace posix::confined {

class DrawingEngine : public PdfEngine {
public:
    // The helper reads the document, once its form field tree and its page
    // tree are known to be ones poppler can walk; the permissions are those
    // poppler reads. Every page is drawn: those the job loads are drawn
    // together.
    DocumentHandle loadDocument(const char* fileName, const char* password, unsigned long& error) override;
    int pageCount(DocumentHandle document) override;
    unsigned long permissions(DocumentHandle document) override;
    void willLoad(DocumentHandle document, const std::vector<int>& pages) override;
    void closeDocument(DocumentHandle document) override;

    PageHandle loadPage(DocumentHandle document, int index) override;
    double pageWidth(PageHandle page) override;
    double pageHeight(PageHandle page) override;
    std::string drawReason(PageHandle) override { return "Render=always"; }
    std::string renderPage(DeviceContext& context, PageHandle page, int startX, int startY, int sizeX, int sizeY,
                           int rotate) override;
    void closePage(PageHandle page) override;
};

// The drawing engine, one per process.
DrawingEngine& drawingEngine();

}  // namespace posix::confined
