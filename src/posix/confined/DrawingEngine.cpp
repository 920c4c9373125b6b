#include "posix/confined/DrawingEngine.h"

#include <memory>

#include "posix/assembly/Placement.h"
#include "posix/confined/ConfinedDrawing.h"
#include "posix/pdf/FormFieldTree.h"
#include "posix/pdf/ReadableFile.h"
#include "print/PrintLogs.h"
#include "print/Printer.h"

namespace posix::confined {

namespace {

struct DrawnPage {
    std::unique_ptr<ConfinedPage> page;
    int index = 0;
};

ConfinedDocument* asDocument(DocumentHandle document) { return reinterpret_cast<ConfinedDocument*>(document); }

DrawnPage* asPage(PageHandle page) { return reinterpret_cast<DrawnPage*>(page); }

}  // namespace

DocumentHandle DrawingEngine::loadDocument(const char* fileName, const char* password, unsigned long& error) {
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
    DrawingSource source;
    source.fileName = fileName;
    source.copy = form.copyForDrawing;
    source.hasPassword = password != nullptr;
    if (password) source.password = password;
    source.appearancesFromValues = form.appearancesFromValues;
    std::string why;
    std::unique_ptr<ConfinedDocument> document = ConfinedDocument::open(std::move(source), error, why);
    if (!document) {
        if (!why.empty()) pdfPrintLog.error("The document cannot be drawn: %s", why.c_str());
        return nullptr;
    }
    return reinterpret_cast<DocumentHandle>(document.release());
}

int DrawingEngine::pageCount(DocumentHandle document) { return document ? asDocument(document)->pageCount() : 0; }

PageHandle DrawingEngine::loadPage(DocumentHandle document, int index) {
    if (!document) return nullptr;
    std::unique_ptr<ConfinedPage> page = asDocument(document)->page(index);
    if (!page) {
        if (!asDocument(document)->failure().empty())
            pdfPrintLog.error("Page %d cannot be printed: %s", index, asDocument(document)->failure().c_str());
        return nullptr;
    }
    if (!page->formValueLost().empty()) {
        pdfPrintLog.error("Page %d cannot be printed: %s", index, page->formValueLost().c_str());
        return nullptr;
    }
    return reinterpret_cast<PageHandle>(new DrawnPage{std::move(page), index});
}

double DrawingEngine::pageWidth(PageHandle page) { return page ? asPage(page)->page->width() : 0; }

double DrawingEngine::pageHeight(PageHandle page) { return page ? asPage(page)->page->height() : 0; }

std::string DrawingEngine::renderPage(DeviceContext& context, PageHandle handle, int startX, int startY,
                                      int sizeX, int sizeY, int rotate) {
    if (!handle) return {};
    DrawnPage& page = *asPage(handle);
    if (sizeX <= 0 || sizeY <= 0) return smallerThanAPixel(page.index);
    if (page.page->drawOnto(context, assembly::TargetRect{startX, startY, sizeX, sizeY}, rotate)) {
        pdfPrintLog.info("Page %d drawn: Render=always", page.index);
        return {};
    }
    const std::string& why = page.page->failure();
    return "Page " + std::to_string(page.index) + (why.empty() ? " could not be printed: nothing of it could be drawn"
                                                                : " cannot be printed: " + why);
}

void DrawingEngine::closePage(PageHandle page) { delete asPage(page); }

void DrawingEngine::closeDocument(DocumentHandle document) { delete asDocument(document); }

void DrawingEngine::willLoad(DocumentHandle document, const std::vector<int>& pages) {
    if (document) asDocument(document)->drawTogether(pages);
}

unsigned long DrawingEngine::permissions(DocumentHandle document) {
    return document ? asDocument(document)->permissions() : 0;
}

DrawingEngine& drawingEngine() {
    static DrawingEngine engine;
    return engine;
}

}  // namespace posix::confined
