// The document of the Windows backend: a GDI device context of the
// printer, the spooler document started on it, and the engine drawing
// each page onto it (FPDF_RenderPage).
#pragma once

#include "plat/WinApi.h"
#include "print/Printer.h"

namespace winprint {

class SpoolerPrinter;

class GdiDocument : public PrintDocument {
public:
    // Takes the device context, made from the printer's settings.
    GdiDocument(HDC dc, SpoolerPrinter& printer) : dc_(dc), printer_(printer) {}
    // Cancels a document started and not ended (AbortDoc), then DeleteDC.
    ~GdiDocument() override;
    GdiDocument(const GdiDocument&) = delete;
    GdiDocument& operator=(const GdiDocument&) = delete;

    void takeSettings() override;                                 // ResetDCW
    void probePaper(const PrinterPaper& paper) override;          // ResetDCW with a copy
    int32_t measure(SheetMetric metric) override;                 // GetDeviceCaps
    StepOutcome begin(const char* title, uint32_t& jobId) override;   // StartDocW
    StepOutcome beginSheet() override;                            // StartPage
    // FPDF_RenderPage, which says nothing of how it went: always put.
    StepOutcome putPage(PdfPage& page, const PagePlacement& placement) override;
    StepOutcome endSheet() override;                              // EndPage
    StepOutcome finish() override;                                // EndDoc

private:
    HDC dc_;
    SpoolerPrinter& printer_;
    bool started_ = false;
};

}  // namespace winprint
