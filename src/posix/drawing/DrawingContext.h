// What the two device contexts that draw with cairo share: the drawing of
// the page in progress, on the sheet's own surface or on a recording of
// it, in device units from the corner of the printable area and clipped to
// it, as on a printer that cannot print in its margins.
#pragma once

#include <memory>
#include <string>

#include "posix/spooler/JobContext.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace posix::drawing {

class DrawingContext : public JobContext {
public:
    using JobContext::JobContext;
    cairo_t* cairo() override { return page_.get(); }
    // The pixels go onto the page's drawing as an image of their own.
    bool paintPixels(const std::string& pixels, const assembly::TargetRect& target) override;
    // A page drawn onto a recording is taken back with it; one drawn
    // straight onto the document's surface cannot be.
    bool dropPage() override;

protected:

    struct SurfaceDestroy {
        void operator()(cairo_surface_t* surface) const;
    };
    struct CairoDestroy {
        void operator()(cairo_t* cairo) const;
    };
    using OwnedSurface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;

    bool inSheet() const override { return page_ != nullptr; }
    // Begins a sheet of a document in progress: false, the job failed,
    // when the job cannot take its paper.
    bool startSheet();
    // A recording as large as the sheet's paper, in the units given.
    static OwnedSurface recordingOf(double width, double height);
    // Starts drawing the sheet in progress onto the target, pixels scaled
    // by the factors to the target's units; false when cairo cannot.
    bool beginDrawing(cairo_surface_t* target, double scaleX, double scaleY);
    // Lets go of the drawing and of the recording of the page in progress.
    void dropDrawing();

    std::unique_ptr<cairo_t, CairoDestroy> page_;   // the page in progress
    OwnedSurface recording_;                         // its recording, where it has one
};

}  // namespace posix::drawing
