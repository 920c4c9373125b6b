#include "posix/drawing/PopplerEngine.h"

#include "posix/pdf/ReadableFile.h"

#include "posix/spooler/DeviceContext.h"
#include "posix/drawing/FormText.h"
#include "posix/drawing/PageDrawing.h"
#include "posix/drawing/PopplerDocuments.h"
#include "posix/pdf/FormFieldTree.h"
#include "print/PrintLogs.h"
#include "print/Printer.h"

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

PopplerDocument* asDocument(DocumentHandle document) {
    return reinterpret_cast<DrawnDocument*>(document)->document.get();
}

DrawnPage* asPage(PageHandle page) { return reinterpret_cast<DrawnPage*>(page); }

}  // namespace

DocumentHandle PopplerEngine::loadDocument(const char* fileName, const char* password,
                                          unsigned long& error) {
    // What is no readable file is a file error before anything reads it,
    // as the placing engine has it.
    if (!readableFile(fileName)) {
        error = kPdfFileError;
        return nullptr;
    }
    const FormFacts form = formFacts(fileName, password);
    if (form.treeTooLarge) {
        pdfPrintLog.error("The document cannot be drawn: its form field tree has more than %zu paths",
                          kMostFormFieldPaths);
        error = kPdfFormatError;
        return nullptr;
    }
    if (form.pageTreeTooLarge) {
        pdfPrintLog.error("The document cannot be drawn: its page tree has more than %zu paths", kMostPageTreePaths);
        error = kPdfFormatError;
        return nullptr;
    }
    PopplerDocumentPtr document = form.copyForDrawing.empty()
                                      ? openPopplerDocument(fileName, password, error)
                                      : openPopplerDocumentCopy(form.copyForDrawing, password, error);
    if (!document) return nullptr;
    return reinterpret_cast<DocumentHandle>(new DrawnDocument{std::move(document), form.appearancesFromValues});
}

int PopplerEngine::pageCount(DocumentHandle document) {
    return document ? poppler_document_get_n_pages(asDocument(document)) : 0;
}

PageHandle PopplerEngine::loadPage(DocumentHandle document, int index) {
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
    return reinterpret_cast<PageHandle>(new DrawnPage{std::move(page), index});
}

double PopplerEngine::pageWidth(PageHandle page) {
    double width = 0, height = 0;
    if (page) poppler_page_get_size(asPage(page)->page.get(), &width, &height);
    return width;
}

double PopplerEngine::pageHeight(PageHandle page) {
    double width = 0, height = 0;
    if (page) poppler_page_get_size(asPage(page)->page.get(), &width, &height);
    return height;
}

std::string PopplerEngine::renderPage(DeviceContext& context, PageHandle page, int startX, int startY,
                                      int sizeX, int sizeY, int rotate) {
    if (!page) return {};
    if (sizeX <= 0 || sizeY <= 0) return smallerThanAPixel(asPage(page)->index);
    if (drawPageOnto(context, asPage(page)->page.get(), {startX, startY, sizeX, sizeY}, rotate))
        pdfPrintLog.info("Page %d drawn: Render=always", asPage(page)->index);
    return {};
}

void PopplerEngine::closePage(PageHandle page) { delete asPage(page); }

void PopplerEngine::closeDocument(DocumentHandle document) { delete reinterpret_cast<DrawnDocument*>(document); }

unsigned long PopplerEngine::permissions(DocumentHandle document) {
    return document ? permissionBits(asDocument(document)) : 0;
}

PopplerEngine& popplerEngine() {
    static PopplerEngine engine;
    return engine;
}

}  // namespace posix::drawing
