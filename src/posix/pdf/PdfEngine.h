// The PDF engine of the POSIX backend: the placing engine on qpdf
// (Render=auto) or the drawing engine on poppler (Render=always); unit
// tests install a scripted engine that records what it is asked.
#pragma once

#include <string>
#include <vector>

#include "print/PdfSource.h"

namespace posix {

class DeviceContext;

enum class PageWay { Placed, Drawn };

// A document and a page as an engine hands them out; only the engine that
// made one knows what it is.
struct EngineDocumentData;
struct EnginePageData;
using DocumentHandle = EngineDocumentData*;
using PageHandle = EnginePageData*;

class PdfEngine {
public:
    virtual ~PdfEngine() = default;
    // A run's start and end; neither engine of the program needs them.
    virtual void initLibrary() {}
    virtual void destroyLibrary() {}
    // Null on failure; error then holds a kPdf...Error code.
    virtual DocumentHandle loadDocument(const char* fileName, const char* password,
                                       unsigned long& error) = 0;
    virtual int pageCount(DocumentHandle document) = 0;
    // The permission bits the document's encryption grants the user.
    virtual unsigned long permissions(DocumentHandle) { return kAllPermissions; }
    virtual PageHandle loadPage(DocumentHandle document, int index) = 0;
    virtual double pageWidth(PageHandle page) = 0;
    virtual double pageHeight(PageHandle page) = 0;
    // Puts the page on the context's sheet in progress, as a viewer prints
    // it: with its printable annotations, as they print. Empty when the page
    // is on its sheet; otherwise why it is not ("Page 3 could not be
    // printed: ..."), the sheet left as it was.
    virtual std::string renderPage(DeviceContext& context, PageHandle page, int startX, int startY,
                                   int sizeX, int sizeY, int rotate) = 0;
    virtual void closePage(PageHandle page) = 0;
    virtual void closeDocument(DocumentHandle document) = 0;
    // The pages that will be loaded, in order, told before the first.
    virtual void willLoad(DocumentHandle, const std::vector<int>& /*pages*/) {}
    // How rendering would put the page on its sheet: placed as it is, or drawn.
    virtual PageWay wayOf(PageHandle) { return PageWay::Drawn; }
    // Why a page drawn was not placed; empty when not known.
    virtual std::string drawReason(PageHandle) { return {}; }
};

// An engine no document loads with (a drawing plugin that cannot be
// loaded, a test's): loadDocument says why.
class EngineWithoutDocuments : public PdfEngine {
public:
    int pageCount(DocumentHandle) override { return 0; }
    PageHandle loadPage(DocumentHandle, int) override { return nullptr; }
    double pageWidth(PageHandle) override { return 0; }
    double pageHeight(PageHandle) override { return 0; }
    std::string renderPage(DeviceContext&, PageHandle, int, int, int, int, int) override { return {}; }
    void closePage(PageHandle) override {}
    void closeDocument(DocumentHandle) override {}
};

// Installs the engine runs print with; null restores the engine
// the Render parameter names. The engine is not owned.
void setPdfEngine(PdfEngine* engine);
// The engine a run starting now prints with: the installed one, else the
// one the Render parameter names.
PdfEngine& engineForRun();

}  // namespace posix
