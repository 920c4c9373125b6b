// The PDF side of the POSIX backend: the engine the Render parameter names
// (placing on qpdf, or drawing on poppler), or the one a test installed,
// with its documents and pages, each released as its owner goes.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "posix/pdf/PdfEngine.h"
#include "print/PdfSource.h"

namespace posix::printing {

// Gives a page or a document back to the engine that opened it.
struct EngineRelease {
    PdfEngine* engine;
    void operator()(PageHandle page) const { engine->closePage(page); }
    void operator()(DocumentHandle document) const { engine->closeDocument(document); }
};

class EnginePage : public PdfPage {
public:
    EnginePage(PdfEngine& engine, PageHandle page) : page_(page, EngineRelease{&engine}) {}

    double height() override { return engine().pageHeight(page_.get()); }
    double width() override { return engine().pageWidth(page_.get()); }
    const char* way() override { return engine().wayOf(page_.get()) == PageWay::Placed ? "placed" : "drawn"; }
    std::string drawnBecause() override { return engine().drawReason(page_.get()); }
    // Puts the page on the context's sheet as a viewer prints it; empty
    // when it is there, else why not.
    std::string putOnto(DeviceContext& context, int startX, int startY, int sizeX, int sizeY, int rotate) {
        return engine().renderPage(context, page_.get(), startX, startY, sizeX, sizeY, rotate);
    }

private:
    std::unique_ptr<EnginePageData, EngineRelease> page_;
    PdfEngine& engine() const { return *page_.get_deleter().engine; }
};

class EngineDocument : public PdfDocument {
public:
    EngineDocument(PdfEngine& engine, DocumentHandle document) : document_(document, EngineRelease{&engine}) {}

    int pageCount() override { return engine().pageCount(document_.get()); }
    unsigned long permissions() override { return engine().permissions(document_.get()); }
    void willLoad(const std::vector<int>& pages) override { engine().willLoad(document_.get(), pages); }
    std::unique_ptr<PdfPage> loadPage(int index) override {
        PageHandle page = engine().loadPage(document_.get(), index);
        return page ? std::make_unique<EnginePage>(engine(), page) : nullptr;
    }

private:
    std::unique_ptr<EngineDocumentData, EngineRelease> document_;
    PdfEngine& engine() const { return *document_.get_deleter().engine; }
};

// The engine of this run, fixed from start to end so that every document
// is closed by the engine that opened it.
class EngineLibrary : public PdfLibrary {
public:
    EngineLibrary();
    ~EngineLibrary() override;
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    std::unique_ptr<PdfDocument> open(const char* fileName, unsigned long& error) override;
    // The engines read the bytes in place of a file, under the name "-".
    std::unique_ptr<PdfDocument> openInMemory(std::shared_ptr<const std::string> bytes,
                                              unsigned long& error) override;

private:
    PdfEngine& engine_;
};

}  // namespace posix::printing
