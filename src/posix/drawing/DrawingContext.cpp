#include "posix/drawing/DrawingContext.h"

#include <cairo.h>

namespace posix::drawing {

void DrawingContext::SurfaceDestroy::operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }

void DrawingContext::CairoDestroy::operator()(cairo_t* cairo) const { cairo_destroy(cairo); }

DrawingContext::OwnedSurface DrawingContext::recordingOf(double width, double height) {
    const cairo_rectangle_t extents{0, 0, width, height};
    return OwnedSurface(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents));
}

bool DrawingContext::startSheet() {
    if (!started_ || page_ || failed_) return false;
    if (beginJobSheet()) return true;
    failed_ = true;
    sinkError_ = GetLastError();
    return false;
}

bool DrawingContext::beginDrawing(cairo_surface_t* target, double scaleX, double scaleY) {
    page_.reset(cairo_create(target));
    if (cairo_status(page_.get()) != CAIRO_STATUS_SUCCESS) {
        dropDrawing();
        return false;
    }
    cairo_t* cr = page_.get();
    cairo_scale(cr, scaleX, scaleY);
    cairo_translate(cr, sheet_.offsetX, sheet_.offsetY);
    cairo_rectangle(cr, 0, 0, sheet_.printableWidth, sheet_.printableHeight);
    cairo_clip(cr);
    return true;
}

bool DrawingContext::dropPage() {
    if (!page_ || !recording_) return DeviceContext::dropPage();
    dropDrawing();
    return true;
}

void DrawingContext::dropDrawing() {
    page_.reset();
    recording_.reset();
}

}  // namespace posix::drawing
