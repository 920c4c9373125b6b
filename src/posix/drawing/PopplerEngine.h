// The PDF engine that draws every page with poppler onto cairo, as it was
// printed before pages were placed: the engine of Render=always.
#pragma once

#include "posix/pdf/PdfEngine.h"

namespace posix::drawing {

class PopplerEngine : public PdfEngine {
public:
    // Poppler reads the document, once its form field tree is known to be
    // one poppler can walk; the permissions are those poppler reads.
    FPDF_DOCUMENT loadDocument(const char* fileName, const char* password, unsigned long& error) override;
    unsigned long permissions(FPDF_DOCUMENT document) override;
    int pageCount(FPDF_DOCUMENT document) override;
    void closeDocument(FPDF_DOCUMENT document) override;

    // A page is poppler's own, drawn onto the context's cairo.
    FPDF_PAGE loadPage(FPDF_DOCUMENT document, int index) override;
    double pageWidth(FPDF_PAGE page) override;
    double pageHeight(FPDF_PAGE page) override;
    std::string renderPage(DeviceContext& context, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                           int rotate, int flags) override;
    void closePage(FPDF_PAGE page) override;
};

// The poppler engine, one per process.
PopplerEngine& popplerEngine();

}  // namespace posix::drawing
