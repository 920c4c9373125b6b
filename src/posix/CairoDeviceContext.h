// The printer device context on POSIX: a cairo PDF surface whose output is
// streamed into the printer driver's job as pages are finished.
#pragma once

#include <memory>
#include <string>

#include "posix/DeviceContext.h"
#include "posix/PrinterDriver.h"

typedef struct _cairo_surface cairo_surface_t;

namespace posix {

// Where one page lies, in device pixels at the page's resolution.
// A complete PDF of no pages with the given title (UTF-8): what a document
// ended without a page becomes, since cairo would give it one blank page.
std::string emptyPdf(const std::string& title);

struct PageGeometry {
    int dpiX = 0;
    int dpiY = 0;
    double widthPoints = 0;     // the sheet as the page is set up (landscape turned)
    double heightPoints = 0;
    int physicalWidth = 0;      // PHYSICALWIDTH / PHYSICALHEIGHT
    int physicalHeight = 0;
    int offsetX = 0;            // PHYSICALOFFSETX / Y: left and top margins
    int offsetY = 0;
    int printableWidth = 0;     // HORZRES / VERTRES
    int printableHeight = 0;

    // The paper the settings describe on the driver, landscape turning it.
    static PageGeometry from(const PrinterDriver& driver, const DEVMODEW& settings);
};

class CairoDeviceContext : public DeviceContext {
public:
    // The driver must outlive the context.
    CairoDeviceContext(PrinterDriver& driver, const DEVMODEW& settings);
    ~CairoDeviceContext() override;

    bool reset(const DEVMODEW& settings) override;
    int startDoc(const std::u16string& title) override;
    int startPage() override;
    int endPage() override;
    int endDoc() override;
    int abortDoc() override;
    int getDeviceCaps(int index) const override;
    cairo_t* cairo() override { return page_; }

    // The job failed to take the output; the document will not be submitted.
    bool failed() const { return failed_; }

private:
    friend struct CairoStream;
    // Hands a piece of the PDF to the job; false once the job has failed.
    bool deliver(const unsigned char* data, size_t length);
    bool openSurface();
    void closePage();
    void discardDocument();

    PrinterDriver& driver_;
    PageGeometry next_;              // from the last settings, for the next page
    PageGeometry pageGeometry_;     // of the page in progress
    std::unique_ptr<JobSink> sink_;
    std::string title_;              // UTF-8
    bool started_ = false;           // StartDocW succeeded, no EndDoc yet
    cairo_surface_t* surface_ = nullptr;   // from the first page on
    cairo_t* page_ = nullptr;
    bool failed_ = false;
    DWORD sinkError_ = 0;
};

}  // namespace posix
