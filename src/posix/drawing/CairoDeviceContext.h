// The device context of Render=always: a cairo PDF surface that every page
// is drawn onto, its output streamed into the printer driver's job as pages
// are finished.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "posix/spooler/CopyLayout.h"
#include "posix/drawing/DrawingContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/spooler/SheetGeometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace posix::drawing {

class CairoDeviceContext : public DrawingContext {
public:
    using DrawingContext::DrawingContext;
    ~CairoDeviceContext() override;

    int startDoc(const std::u16string& title) override;
    int startPage() override;
    int endPage() override;
    int endDoc() override;

    // The job failed to take the output; the document will not be submitted.
    bool failed() const { return failed_; }

private:
    friend struct CairoStream;
    // Hands a piece of the PDF to the job; false once the job has failed.
    bool deliver(const unsigned char* data, size_t length);
    bool openSurface();
    void closePage();
    void discardDocument() override;
    // Paints a recorded page as a sheet of its own; a null recording gives a
    // blank sheet.
    void paintSheet(cairo_surface_t* recording, const SheetGeometry& geometry);

    struct RecordedPage {
        OwnedSurface recording;
        SheetGeometry geometry;
    };

    // A document that holds its copies itself records each page and paints
    // it as often and in the order its copies want; null for one copy.
    std::unique_ptr<CopyLayout<RecordedPage>> copies_;
    std::string title_;              // UTF-8
    cairo_surface_t* surface_ = nullptr;   // from the first page on
};

}  // namespace posix::drawing
