// The default printer device context on POSIX: the PDF engine places the
// pages of the document on its sheets (PdfAssembly), and the assembled PDF
// goes through a qpdf Pipeline straight into the printer driver's job as it
// is made.
#pragma once

#include <memory>
#include <string>

#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/spooler/SheetGeometry.h"

namespace posix::assembly {

class PdfAssembly;
class SinkPipeline;

class AssemblyDeviceContext : public DeviceContext {
public:
    // The driver must outlive the context.
    AssemblyDeviceContext(PrinterDriver& driver, const DEVMODEW& settings);
    ~AssemblyDeviceContext() override;

    bool reset(const DEVMODEW& settings) override;
    int startDoc(const std::u16string& title) override;
    int startPage() override;
    int endPage() override;
    int endDoc() override;
    int abortDoc() override;
    int getDeviceCaps(int index) const override;
    cairo_t* cairo() override { return nullptr; }
    bool placePage(const SourcePage& page, const TargetRect& target, int rotate) override;

private:
    void discardDocument();
    // A write the job refused: the document is lost.
    void noteFailure();

    PrinterDriver& driver_;
    DEVMODEW settings_;           // the last settings: the job's copies, sides, tray, colour
    SheetGeometry next_;          // from the last settings, for the next sheet
    SheetGeometry sheet_;         // of the sheet in progress
    std::unique_ptr<JobSink> sink_;
    std::unique_ptr<SinkPipeline> pipeline_;
    std::unique_ptr<PdfAssembly> assembly_;
    bool started_ = false;        // StartDocW succeeded, no EndDoc yet
    bool inPage_ = false;
    bool failed_ = false;         // the job took no more of the document
    bool refused_ = false;        // the job refused a sheet's paper; its reason is the last error
};

}  // namespace posix::assembly
