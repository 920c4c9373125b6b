// The engine behind the FPDF_ functions on POSIX: the placing engine on
// qpdf (Render=auto) or the drawing engine on poppler (Render=always); unit
// tests install a scripted engine that records what it is asked.
#pragma once

#include "win32/printing/FpdfView.h"

namespace posix {

enum class PageWay { Placed, Drawn };

class PdfEngine {
public:
    virtual ~PdfEngine() = default;
    virtual void initLibrary() = 0;
    virtual void destroyLibrary() = 0;
    // Null on failure; error then holds an FPDF_ERR_ code.
    virtual FPDF_DOCUMENT loadDocument(const char* fileName, const char* password,
                                       unsigned long& error) = 0;
    virtual int pageCount(FPDF_DOCUMENT document) = 0;
    // The permission bits the document's encryption grants the user.
    virtual unsigned long permissions(FPDF_DOCUMENT) { return kAllPermissions; }
    virtual FPDF_PAGE loadPage(FPDF_DOCUMENT document, int index) = 0;
    virtual double pageWidth(FPDF_PAGE page) = 0;
    virtual double pageHeight(FPDF_PAGE page) = 0;
    // Both engines print a page as a viewer prints it, with its printable
    // annotations: what FPDF_ANNOT | FPDF_PRINTING ask for, the flags the
    // print job passes. Other flags have no meaning here and are ignored.
    virtual void renderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX,
                            int sizeY, int rotate, int flags) = 0;
    virtual void closePage(FPDF_PAGE page) = 0;
    virtual void closeDocument(FPDF_DOCUMENT document) = 0;
    // How rendering would put the page on its sheet: placed as it is, or drawn.
    virtual PageWay wayOf(FPDF_PAGE) { return PageWay::Drawn; }
};

// Installs the engine the FPDF_ functions use; null restores the engine
// the Render parameter names. The engine is not owned.
void setPdfEngine(PdfEngine* engine);

}  // namespace posix
