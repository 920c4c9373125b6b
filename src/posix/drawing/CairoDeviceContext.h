// The device context of Render=always: a cairo PDF surface that every page
// is drawn onto, its output streamed into the printer driver's job as pages
// are finished.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/spooler/SheetGeometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace posix::drawing {

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
    // Paints a recorded page as a sheet of its own; a null recording gives a
    // blank sheet.
    void paintSheet(cairo_surface_t* recording, const SheetGeometry& geometry);

    struct SurfaceDestroy {
        void operator()(cairo_surface_t* surface) const;
    };
    using OwnedSurface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;
    struct RecordedPage {
        OwnedSurface recording;
        SheetGeometry geometry;
    };

    PrinterDriver& driver_;
    DEVMODEW settings_;               // the last settings: the job's copies and the like
    // A document that holds its copies itself records each page and paints
    // it that many times: at once (uncollated) or at the end (collated).
    int copies_ = 1;
    bool collated_ = true;
    bool twoSided_ = false;           // each copy starts on a sheet of its own
    OwnedSurface recording_;          // of the page in progress
    std::vector<RecordedPage> recorded_;
    std::unique_ptr<RecordedPage> pendingFront_;   // uncollated on two sides: a front without its back
    SheetGeometry next_;              // from the last settings, for the next page
    SheetGeometry pageGeometry_;      // of the page in progress
    std::unique_ptr<JobSink> sink_;
    std::string title_;              // UTF-8
    bool started_ = false;           // StartDocW succeeded, no EndDoc yet
    cairo_surface_t* surface_ = nullptr;   // from the first page on
    cairo_t* page_ = nullptr;
    bool failed_ = false;
    DWORD sinkError_ = 0;
};

}  // namespace posix::drawing
