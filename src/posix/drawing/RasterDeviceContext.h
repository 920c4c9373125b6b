// The device context of a printer that takes raster and no PDF (IPP
// Everywhere's PWG raster, Apple raster): each page is drawn with cairo and
// sent as raster lines at the printer's resolution, in the pixels it reads,
// the back of a two-sided sheet turned as it wants, streamed into the job
// page by page. Drawing is recorded and rasterised in bands, so that a page
// is never held whole as pixels.
#pragma once

#include <cups/raster.h>

#include <memory>
#include <string>

#include "posix/drawing/RasterLines.h"
#include "posix/spooler/CopyLayout.h"
#include "posix/drawing/DrawingContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/spooler/RasterFormat.h"
#include "posix/spooler/SheetGeometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace posix::drawing {

class RasterDeviceContext : public DrawingContext {
public:
    // The driver must outlive the context.
    RasterDeviceContext(PrinterDriver& driver, const JobSettings& settings, RasterFormat format);
    ~RasterDeviceContext() override;
    RasterDeviceContext(const RasterDeviceContext&) = delete;
    RasterDeviceContext& operator=(const RasterDeviceContext&) = delete;

    int startDoc(const std::u16string& title) override;
    int startPage() override;
    int endPage() override;
    int endDoc() override;

private:
    // A page as raster, header and lines, ready to be sent as often as the
    // copies want it.
    struct EncodedPage {
        std::string bytes;
        SheetGeometry geometry;
    };

    static ssize_t collect(void* context, unsigned char* data, size_t length);
    // The page's raster: its drawing (none for a blank page) rasterised band
    // by band, turned as a back side when back.
    bool encode(cairo_surface_t* drawing, const SheetGeometry& geometry, bool back, std::string& bytes);
    bool deliver(const std::string& bytes);
    void discardDocument() override;

    RasterFormat format_;
    PixelType type_ = PixelType::Gray8;
    std::string sides_ = "one-sided";
    cups_raster_t* raster_ = nullptr;
    std::string* collecting_ = nullptr;      // where the raster stream's bytes go
    std::unique_ptr<CopyLayout<EncodedPage>> copies_;
    int pagesDrawn_ = 0;
};

}  // namespace posix::drawing
