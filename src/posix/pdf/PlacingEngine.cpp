#include "posix/pdf/PlacingEngine.h"

#include <exception>
#include <memory>
#include <string>

#include "posix/spooler/DeviceContext.h"
#include "posix/pdf/SourceDocument.h"
#include "print/PrintLogs.h"
#include "print/Printer.h"

namespace posix::pdf {

namespace {

SourceDocument* asDocument(DocumentHandle document) {
    return reinterpret_cast<SourceDocument*>(document);
}

PreparedPage* asPage(PageHandle page) { return reinterpret_cast<PreparedPage*>(page); }

}  // namespace

DocumentHandle PlacingEngine::loadDocument(const char* fileName, const char* password,
                                          unsigned long& error) {
    std::unique_ptr<SourceDocument> document = SourceDocument::open(fileName, password, error);
    return reinterpret_cast<DocumentHandle>(document.release());
}

int PlacingEngine::pageCount(DocumentHandle document) {
    return document ? asDocument(document)->pageCount() : 0;
}

PageHandle PlacingEngine::loadPage(DocumentHandle document, int index) {
    if (!document) return nullptr;
    std::unique_ptr<PreparedPage> page = asDocument(document)->preparePage(index);
    asDocument(document)->logWarnings();
    return reinterpret_cast<PageHandle>(page.release());
}

double PlacingEngine::pageWidth(PageHandle page) { return page ? asPage(page)->width : 0; }

double PlacingEngine::pageHeight(PageHandle page) { return page ? asPage(page)->height : 0; }

std::string PlacingEngine::renderPage(DeviceContext& context, PageHandle handle, int startX, int startY,
                                      int sizeX, int sizeY, int rotate) {
    if (!handle) return {};
    PreparedPage& page = *asPage(handle);
    if (sizeX <= 0 || sizeY <= 0) return smallerThanAPixel(page.index);
    const assembly::TargetRect target{startX, startY, sizeX, sizeY};

    std::string reason = page.drawReason;
    if (page.placeable && reason.empty()) {
        bool placed = false;
        try {
            placed = context.placePage(*page.placeable, target, rotate);
            if (!placed) reason = "the device context only draws";
        } catch (const std::exception& failure) {
            reason = std::string("it could not be copied: ") + failure.what();
        }
        page.document->logWarnings();
        if (placed) {
            pdfPrintLog.info("Page %d placed", page.index);
            return {};
        }
    }
    if (!page.drawable) page.drawable = page.document->drawablePage(page.index);
    if (page.drawable && page.drawable->drawOnto(context, target, rotate)) {
        pdfPrintLog.info("Page %d drawn: %s", page.index, reason.c_str());
        page.drawReason = reason;
        return {};
    }
    // The helper was ended while it drew the page: its budget, a crash.
    const std::string& failure = page.drawable ? page.drawable->failure() : page.document->drawingFailure();
    if (!failure.empty()) return "Page " + std::to_string(page.index) + " cannot be printed: " + failure;
    return "Page " + std::to_string(page.index) + " could not be printed: " + reason;
}

void PlacingEngine::closePage(PageHandle page) { delete asPage(page); }

PageWay PlacingEngine::wayOf(PageHandle handle) {
    const PreparedPage* page = asPage(handle);
    return page && page->placeable && page->drawReason.empty() ? PageWay::Placed : PageWay::Drawn;
}

std::string PlacingEngine::drawReason(PageHandle handle) {
    const PreparedPage* page = asPage(handle);
    return page ? page->drawReason : std::string();
}

void PlacingEngine::willLoad(DocumentHandle document, const std::vector<int>& pages) {
    if (document) asDocument(document)->willLoad(pages);
}

unsigned long PlacingEngine::permissions(DocumentHandle document) {
    return document ? asDocument(document)->permissions() : 0;
}

void PlacingEngine::closeDocument(DocumentHandle document) {
    delete asDocument(document);
}

PlacingEngine& placingEngine() {
    static PlacingEngine engine;
    return engine;
}

}  // namespace posix::pdf
