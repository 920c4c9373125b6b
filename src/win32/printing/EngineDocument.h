// The PDF side of the Windows backend: the engine's library, documents and
// pages (the FPDF_ operations), each released as its owner goes.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "plat/Exception.h"
#include "print/PdfSource.h"
#include "win32/printing/FpdfView.h"

namespace winprint {

struct PageCloser {
    void operator()(FPDF_PAGE page) const { FPDF_ClosePage(page); }
};
struct DocumentCloser {
    void operator()(FPDF_DOCUMENT document) const { FPDF_CloseDocument(document); }
};

class EnginePage : public PdfPage {
public:
    EnginePage(FPDF_PAGE page, int index) : page_(page), index_(index) {}

    double height() override { return FPDF_GetPageHeight(handle()); }
    double width() override { return FPDF_GetPageWidth(handle()); }
    const char* way() override { return pageWay(handle()); }
    FPDF_PAGE handle() const { return page_.get(); }
    int index() const { return index_; }

private:
    std::unique_ptr<std::remove_pointer_t<FPDF_PAGE>, PageCloser> page_;
    int index_;
};

class EngineDocument : public PdfDocument {
public:
    explicit EngineDocument(FPDF_DOCUMENT document) : document_(document) {}

    int pageCount() override { return FPDF_GetPageCount(document_.get()); }
    unsigned long permissions() override { return FPDF_GetDocPermissions(document_.get()); }
    std::unique_ptr<PdfPage> loadPage(int index) override {
        FPDF_PAGE page = FPDF_LoadPage(document_.get(), index);
        return page ? std::make_unique<EnginePage>(page, index) : nullptr;
    }

private:
    std::unique_ptr<std::remove_pointer_t<FPDF_DOCUMENT>, DocumentCloser> document_;
};

// FPDF_InitLibrary with the program's own module; FPDF_DestroyLibrary as it goes.
class EngineLibrary : public PdfLibrary {
public:
    EngineLibrary() { FPDF_InitLibrary(GetModuleHandleW(nullptr)); }
    ~EngineLibrary() override { FPDF_DestroyLibrary(); }
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    std::unique_ptr<PdfDocument> open(const char* fileName, unsigned long& error) override {
        FPDF_DOCUMENT document = FPDF_LoadDocument(fileName, nullptr);
        if (!document) {
            error = FPDF_GetLastError();
            return nullptr;
        }
        return std::make_unique<EngineDocument>(document);
    }
    std::unique_ptr<PdfDocument> openInMemory(std::shared_ptr<const std::string>, unsigned long&) override {
        throw plat::Exception("The PDF engine cannot read a document from memory: it has no FPDF_LoadMemDocument");
    }
};

}  // namespace winprint
