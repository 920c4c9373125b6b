// The document of the POSIX backend: a device context of the printer's
// driver (placing pages, drawing them onto cairo, or sending raster), the
// job it starts, and the PDF engine putting each page on its sheets.
#pragma once

#include <memory>

#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "print/Printer.h"

namespace posix::printing {

class DriverPrinter;

class ContextDocument : public PrintDocument {
public:
    ContextDocument(std::shared_ptr<PrinterDriver> driver, std::unique_ptr<DeviceContext> context,
                    const DriverPrinter& printer);
    // The context goes first, while its driver still exists; a document
    // begun and not finished is cancelled with it.
    ~ContextDocument() override;
    ContextDocument(const ContextDocument&) = delete;
    ContextDocument& operator=(const ContextDocument&) = delete;

    // The sheets that follow take the printer's settings, or a paper's
    // alone for measuring it; a sheet in progress keeps its own.
    void takeSettings() override;
    void probePaper(const PrinterPaper& paper) override;
    int32_t measure(SheetMetric metric) override;

    // The steps, failing with the names and errors the Windows calls give,
    // so that a run reads alike on both systems.
    StepOutcome begin(const char* title, uint32_t& jobId) override;
    StepOutcome beginSheet() override;
    // A page the engine cannot put on its sheet takes the sheet with it.
    StepOutcome putPage(PdfPage& page, const PagePlacement& placement) override;
    StepOutcome endSheet() override;
    StepOutcome finish() override;

private:
    std::shared_ptr<PrinterDriver> driver_;
    std::unique_ptr<DeviceContext> context_;
    const DriverPrinter& printer_;
    bool started_ = false;
};

}  // namespace posix::printing
