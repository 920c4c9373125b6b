// The engine behind the FPDF_ functions on POSIX: the placing engine on
// qpdf (Render=auto) or the drawing engine on poppler (Render=always); unit
// tests install a scripted engine that records what it is asked.
#pragma once

#include <string>

#include "win32/printing/FpdfView.h"

namespace posix {

class DeviceContext;

enum class PageWay { Placed, Drawn };

class PdfEngine {
public:
    virtual ~PdfEngine() = default;
    // A run's start and end; neither engine of the program needs them.
    virtual void initLibrary() {}
    virtual void destroyLibrary() {}
    // Null on failure; error then holds an FPDF_ERR_ code.
    virtual FPDF_DOCUMENT loadDocument(const char* fileName, const char* password,
                                       unsigned long& error) = 0;
    virtual int pageCount(FPDF_DOCUMENT document) = 0;
    // The permission bits the document's encryption grants the user.
    virtual unsigned long permissions(FPDF_DOCUMENT) { return kAllPermissions; }
    virtual FPDF_PAGE loadPage(FPDF_DOCUMENT document, int index) = 0;
    virtual double pageWidth(FPDF_PAGE page) = 0;
    virtual double pageHeight(FPDF_PAGE page) = 0;
    // Puts the page on the context's sheet in progress. Both engines print
    // a page as a viewer prints it, with its printable annotations: what
    // FPDF_ANNOT | FPDF_PRINTING ask for, the flags the print job passes.
    // Other flags have no meaning here and are ignored. Empty when the page
    // is on its sheet; otherwise why it is not ("Page 3 could not be
    // printed: ..."), the sheet left as it was.
    virtual std::string renderPage(DeviceContext& context, FPDF_PAGE page, int startX, int startY,
                                   int sizeX, int sizeY, int rotate, int flags) = 0;
    virtual void closePage(FPDF_PAGE page) = 0;
    virtual void closeDocument(FPDF_DOCUMENT document) = 0;
    // Whether every page of the document needs drawing, so that it is
    // drawn whole onto a drawing device context.
    virtual bool drawnWhole(FPDF_DOCUMENT) { return false; }
    // How rendering would put the page on its sheet: placed as it is, or drawn.
    virtual PageWay wayOf(FPDF_PAGE) { return PageWay::Drawn; }
};

// An engine no document loads with (a drawing plugin that cannot be
// loaded, a test's): loadDocument says why.
class EngineWithoutDocuments : public PdfEngine {
public:
    int pageCount(FPDF_DOCUMENT) override { return 0; }
    FPDF_PAGE loadPage(FPDF_DOCUMENT, int) override { return nullptr; }
    double pageWidth(FPDF_PAGE) override { return 0; }
    double pageHeight(FPDF_PAGE) override { return 0; }
    std::string renderPage(DeviceContext&, FPDF_PAGE, int, int, int, int, int, int) override { return {}; }
    void closePage(FPDF_PAGE) override {}
    void closeDocument(FPDF_DOCUMENT) override {}
};

// Installs the engine the FPDF_ functions use; null restores the engine
// the Render parameter names. The engine is not owned.
void setPdfEngine(PdfEngine* engine);
// The engine a run starting now prints with: the installed one, else the
// one the Render parameter names.
PdfEngine& engineForRun();

}  // namespace posix
