#include "posix/drawing/PopplerEngine.h"

#include "posix/spooler/DeviceContext.h"
#include "posix/drawing/FormText.h"
#include "posix/drawing/PageDrawing.h"
#include "posix/drawing/PopplerDocuments.h"
#include "posix/pdf/FormFieldTree.h"
#include "print/PrintLogs.h"

namespace posix::drawing {

namespace {

struct DrawnDocument {
    PopplerDocumentPtr document;
    bool appearancesFromValues = false;
};

struct DrawnPage {
    PopplerPagePtr page;
    int index = 0;
};

PopplerDocument* asDocument(FPDF_DOCUMENT document) {
    return reinterpret_cast<DrawnDocument*>(document)->document.get();
}

DrawnPage* asPage(FPDF_PAGE page) { return reinterpret_cast<DrawnPage*>(page); }

}  // namespace

FPDF_DOCUMENT PopplerEngine::loadDocument(const char* fileName, const char* password,
                                          unsigned long& error) {
    const FormFacts form = formFacts(fileName, password);
    if (form.treeTooLarge) {
        pdfPrintLog.error("The document cannot be drawn: its form field tree has more than %zu paths",
                          kMostFormFieldPaths);
        error = FPDF_ERR_FORMAT;
        return nullptr;
    }
    PopplerDocumentPtr document = form.copyForDrawing.empty()
                                      ? openPopplerDocument(fileName, password, error)
                                      : openPopplerDocumentCopy(form.copyForDrawing, password, error);
    if (!document) return nullptr;
    return reinterpret_cast<FPDF_DOCUMENT>(new DrawnDocument{std::move(document), form.appearancesFromValues});
}

int PopplerEngine::pageCount(FPDF_DOCUMENT document) {
    return document ? poppler_document_get_n_pages(asDocument(document)) : 0;
}

FPDF_PAGE PopplerEngine::loadPage(FPDF_DOCUMENT document, int index) {
    if (!document || index < 0 || index >= pageCount(document)) return nullptr;
    PopplerPagePtr page(poppler_document_get_page(asDocument(document), index));
    if (!page) return nullptr;
    std::string drawn;
    const std::string lost =
        drawFormValues(page.get(), reinterpret_cast<DrawnDocument*>(document)->appearancesFromValues, drawn);
    if (!lost.empty()) {
        pdfPrintLog.error("Page %d cannot be printed: %s", index, lost.c_str());
        return nullptr;
    }
    return reinterpret_cast<FPDF_PAGE>(new DrawnPage{std::move(page), index});
}

double PopplerEngine::pageWidth(FPDF_PAGE page) {
    double width = 0, height = 0;
    if (page) poppler_page_get_size(asPage(page)->page.get(), &width, &height);
    return width;
}

double PopplerEngine::pageHeight(FPDF_PAGE page) {
    double width = 0, height = 0;
    if (page) poppler_page_get_size(asPage(page)->page.get(), &width, &height);
    return height;
}

std::string PopplerEngine::renderPage(DeviceContext& context, FPDF_PAGE page, int startX, int startY,
                                      int sizeX, int sizeY, int rotate, int) {
    if (!page || sizeX <= 0 || sizeY <= 0) return {};
    if (drawPageOnto(context, asPage(page)->page.get(), {startX, startY, sizeX, sizeY}, rotate))
        pdfPrintLog.info("Page %d drawn: Render=always", asPage(page)->index);
    return {};
}

void PopplerEngine::closePage(FPDF_PAGE page) { delete asPage(page); }

void PopplerEngine::closeDocument(FPDF_DOCUMENT document) { delete reinterpret_cast<DrawnDocument*>(document); }

unsigned long PopplerEngine::permissions(FPDF_DOCUMENT document) {
    return document ? permissionBits(asDocument(document)) : 0;
}

PopplerEngine& popplerEngine() {
    static PopplerEngine engine;
    return engine;
}

}  // namespace posix::drawing
