#include "posix/drawing/DrawingContext.h"

#include <cairo.h>

#include <cstring>

#include "posix/assembly/Placement.h"

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

bool DrawingContext::paintPixels(const std::string& pixels, const assembly::TargetRect& target) {
    if (!page_ || target.width <= 0 || target.height <= 0 ||
        pixels.size() != static_cast<size_t>(target.width) * target.height * 4)
        return false;
    OwnedSurface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, target.width, target.height));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(image.get());
    unsigned char* rows = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    const size_t rowBytes = static_cast<size_t>(target.width) * 4;
    for (int y = 0; y < target.height; ++y) std::memcpy(rows + static_cast<size_t>(y) * stride, pixels.data() + y * rowBytes, rowBytes);
    cairo_surface_mark_dirty(image.get());
    cairo_t* cr = page_.get();
    cairo_save(cr);
    cairo_set_source_surface(cr, image.get(), target.x, target.y);
    cairo_paint(cr);
    cairo_restore(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
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
