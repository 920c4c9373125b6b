// The PDF side of the Windows backend: the engine's library, documents and
// pages (the FPDF_ operations), each released as its owner goes.
#pragma once

#include <climits>
#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

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
    // bytes: what a document read from memory was read from, kept until it
    // is closed, as the engine reads from them for as long as it is open.
    explicit EngineDocument(FPDF_DOCUMENT document, std::shared_ptr<const std::string> bytes = nullptr)
        : bytes_(std::move(bytes)), document_(document) {}

    int pageCount() override { return FPDF_GetPageCount(document_.get()); }
    unsigned long permissions() override { return FPDF_GetDocPermissions(document_.get()); }
    std::unique_ptr<PdfPage> loadPage(int index) override {
        FPDF_PAGE page = FPDF_LoadPage(document_.get(), index);
        return page ? std::make_unique<EnginePage>(page, index) : nullptr;
    }

private:
    // Before the document: members go in reverse order, so the document is
    // closed before its bytes are let go.
    std::shared_ptr<const std::string> bytes_;
    std::unique_ptr<std::remove_pointer_t<FPDF_DOCUMENT>, DocumentCloser> document_;
};

// FPDF_LoadMemDocument takes the size as an int: a larger document is
// refused, saying so, rather than cut.
inline void checkMemoryDocumentSize(size_t size) {
    if (size > static_cast<size_t>(INT_MAX))
        throw plat::ExceptionFmt("The PDF engine cannot read a document of more than %d bytes from memory", INT_MAX);
}

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
    std::unique_ptr<PdfDocument> openInMemory(std::shared_ptr<const std::string> bytes,
                                              unsigned long& error) override {
        if (!engineReadsMemory())
            throw plat::Exception("The PDF engine cannot read a document from memory: it has no FPDF_LoadMemDocument");
        checkMemoryDocumentSize(bytes->size());
        FPDF_DOCUMENT document = FPDF_LoadMemDocument(bytes->data(), static_cast<int>(bytes->size()), nullptr);
        if (!document) {
            error = FPDF_GetLastError();
            return nullptr;
        }
        return std::make_unique<EngineDocument>(document, std::move(bytes));
    }
};

}  // namespace winprint
