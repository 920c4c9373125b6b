// The PDF side of the Windows backend: the engine's library, documents and
// pages (the FPDF_ operations), each released as its owner goes.
#pragma once

#include <memory>

#include "print/PdfSource.h"
#include "win32/printing/FpdfView.h"

namespace winprint {

class EnginePage : public PdfPage {
public:
    explicit EnginePage(FPDF_PAGE page) : page_(page) {}
    ~EnginePage() override { FPDF_ClosePage(page_); }
    EnginePage(const EnginePage&) = delete;
    EnginePage& operator=(const EnginePage&) = delete;

    double height() override { return FPDF_GetPageHeight(page_); }
    double width() override { return FPDF_GetPageWidth(page_); }
    const char* way() override { return pageWay(page_); }
    FPDF_PAGE handle() const { return page_; }

private:
    FPDF_PAGE page_;
};

class EngineDocument : public PdfDocument {
public:
    explicit EngineDocument(FPDF_DOCUMENT document) : document_(document) {}
    ~EngineDocument() override { FPDF_CloseDocument(document_); }
    EngineDocument(const EngineDocument&) = delete;
    EngineDocument& operator=(const EngineDocument&) = delete;

    int pageCount() override { return FPDF_GetPageCount(document_); }
    unsigned long permissions() override { return FPDF_GetDocPermissions(document_); }
    std::unique_ptr<PdfPage> loadPage(int index) override {
        FPDF_PAGE page = FPDF_LoadPage(document_, index);
        return page ? std::make_unique<EnginePage>(page) : nullptr;
    }

private:
    FPDF_DOCUMENT document_;
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
};

}  // namespace winprint
