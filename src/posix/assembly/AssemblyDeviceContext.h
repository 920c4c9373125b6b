// The default printer device context on POSIX: the PDF engine places the
// pages of the document on its sheets (PdfAssembly), and the assembled PDF
// goes through a qpdf Pipeline straight into the printer driver's job as it
// is made.
#pragma once

#include <memory>
#include <string>

#include "posix/spooler/JobContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/spooler/SheetGeometry.h"

namespace posix::assembly {

class PdfAssembly;
class SinkPipeline;

class AssemblyDeviceContext : public JobContext {
public:
    // The driver must outlive the context.
    AssemblyDeviceContext(PrinterDriver& driver, const JobSettings& settings);
    ~AssemblyDeviceContext() override;

    int startDoc(const std::u16string& title) override;
    int startPage() override;
    int endPage() override;
    int endDoc() override;
    cairo_t* cairo() override { return nullptr; }
    bool placePage(const SourcePage& page, const TargetRect& target, int rotate) override;
    bool dropPage() override;

private:
    bool inSheet() const override { return inPage_; }
    void discardDocument() override;
    // A write the job refused: the document is lost.
    void noteFailure();

    std::unique_ptr<SinkPipeline> pipeline_;
    std::unique_ptr<PdfAssembly> assembly_;
    bool inPage_ = false;
    bool refused_ = false;        // the job refused a sheet's paper; its reason is the last error
};

}  // namespace posix::assembly
