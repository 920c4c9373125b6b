// The PDF engine that draws every page with poppler onto cairo, as it was
// printed before pages were placed: the engine of Render=always.
#pragma once

#include "posix/pdf/PdfEngine.h"

namespace posix::drawing {

class PopplerEngine : public PdfEngine {
public:
    FPDF_DOCUMENT loadDocument(const char* fileName, const char* password,
                               unsigned long& error) override;
    int pageCount(FPDF_DOCUMENT document) override;
    FPDF_PAGE loadPage(FPDF_DOCUMENT document, int index) override;
    double pageWidth(FPDF_PAGE page) override;
    double pageHeight(FPDF_PAGE page) override;
    std::string renderPage(DeviceContext& context, FPDF_PAGE page, int startX, int startY, int sizeX,
                    int sizeY, int rotate, int flags) override;
    void closePage(FPDF_PAGE page) override;
    void closeDocument(FPDF_DOCUMENT document) override;
    unsigned long permissions(FPDF_DOCUMENT document) override;
};

// The poppler engine, one per process.
PopplerEngine& popplerEngine();

}  // namespace posix::drawing
