// The PDF engine of Render=auto: documents are read with qpdf, and each page
// is placed on the device context as it is (its content streams, resources,
// colour spaces, transparency and optional content untouched), with its
// printable annotations flattened over it. A page that placing would spoil
// (a printable annotation without appearance, a form value qpdf cannot
// draw, content qpdf cannot read) is drawn by poppler instead; so is every
// page of a document qpdf cannot read while poppler can.
#pragma once

#include "posix/pdf/PdfEngine.h"

namespace posix::pdf {

class PlacingEngine : public PdfEngine {
public:
    // qpdf reads the document (poppler too, where qpdf had to repair it),
    // and knows whether every page of it needs drawing.
    DocumentHandle loadDocument(const char* fileName, const char* password, unsigned long& error) override;
    unsigned long permissions(DocumentHandle document) override;
    void willLoad(DocumentHandle document, const std::vector<int>& pages) override;
    int pageCount(DocumentHandle document) override;
    void closeDocument(DocumentHandle document) override;

    // A page is prepared with what placing it needs, or why it is drawn;
    // putting it on its sheet places it, or draws it where it must.
    PageHandle loadPage(DocumentHandle document, int index) override;
    PageWay wayOf(PageHandle page) override;
    std::string drawReason(PageHandle page) override;
    double pageWidth(PageHandle page) override;
    double pageHeight(PageHandle page) override;
    std::string renderPage(DeviceContext& context, PageHandle page, int startX, int startY, int sizeX, int sizeY,
                           int rotate) override;
    void closePage(PageHandle page) override;
};

// The placing engine, one per process.
PlacingEngine& placingEngine();

}  // namespace posix::pdf
