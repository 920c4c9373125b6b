// The PDF engine that draws every page with poppler onto cairo, as it was
// printed before pages were placed: the engine of Render=always.
#pragma once

#include "posix/pdf/PdfEngine.h"

namespace posix::drawing {

class PopplerEngine : public PdfEngine {
public:
    // Poppler reads the document, once its form field tree is known to be
    // one poppler can walk; the permissions are those poppler reads.
    DocumentHandle loadDocument(const char* fileName, const char* password, unsigned long& error) override;
    unsigned long permissions(DocumentHandle document) override;
    int pageCount(DocumentHandle document) override;
    void closeDocument(DocumentHandle document) override;

    // A page is poppler's own, drawn onto the context's cairo.
    PageHandle loadPage(DocumentHandle document, int index) override;
    double pageWidth(PageHandle page) override;
    double pageHeight(PageHandle page) override;
    std::string renderPage(DeviceContext& context, PageHandle page, int startX, int startY, int sizeX, int sizeY,
                           int rotate) override;
    void closePage(PageHandle page) override;
    std::string drawReason(PageHandle) override { return "Render=always"; }
};

// The poppler engine, one per process.
PopplerEngine& popplerEngine();

}  // namespace posix::drawing
