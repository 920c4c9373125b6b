#include "posix/drawing/PageDrawing.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstring>
#include <memory>

namespace posix::drawing {

namespace {

struct SurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDestroy {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void drawPage(cairo_t* cr, PopplerPage* page, const assembly::TargetRect& target, int rotate) {
    double width = 0, height = 0;
    poppler_page_get_size(page, &width, &height);
    if (width <= 0 || height <= 0 || target.width <= 0 || target.height <= 0) return;

    const assembly::Matrix m = assembly::displayedToDevice(width, height, assembly::DeviceRect(target), rotate);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, m.a, m.b, m.c, m.d, m.e, m.f);
    cairo_save(cr);
    cairo_transform(cr, &matrix);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);
    poppler_page_render_for_printing(page, cr);
    cairo_restore(cr);
}

std::string drawPageAsPdf(PopplerPage* page) {
    double width = 0, height = 0;
    poppler_page_get_size(page, &width, &height);
    if (width <= 0 || height <= 0) return {};

    std::string pdf;
    {
        std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
            cairo_pdf_surface_create_for_stream(appendTo, &pdf, width, height));
        std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
        poppler_page_render_for_printing(page, cr.get());
        cairo_show_page(cr.get());
        const bool drawn = cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
        cr.reset();
        cairo_surface_finish(surface.get());
        if (!drawn || cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
    }
    return pdf;
}

std::string drawPagesAsPdf(const std::vector<PopplerPage*>& pages, const std::function<void(size_t)>& pageStarts) {
    std::string pdf;
    {
        std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
            cairo_pdf_surface_create_for_stream(appendTo, &pdf, 612, 792));
        std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
        for (size_t at = 0; at < pages.size(); ++at) {
            PopplerPage* page = pages[at];
            pageStarts(at);
            double width = 0, height = 0;
            poppler_page_get_size(page, &width, &height);
            if (width <= 0 || height <= 0) return {};
            cairo_pdf_surface_set_size(surface.get(), width, height);
            poppler_page_render_for_printing(page, cr.get());
            cairo_show_page(cr.get());
            if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return {};
        }
        cr.reset();
        cairo_surface_finish(surface.get());
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
    }
    return pdf;
}

bool drawPageAsPixels(PopplerPage* page, int width, int height, int rotate, std::string& pixels) {
    std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
    {
        std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
        drawPage(cr.get(), page, assembly::TargetRect{0, 0, width, height}, rotate);
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return false;
    }
    cairo_surface_flush(surface.get());
    const unsigned char* rows = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    pixels.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + y * rowBytes, rows + static_cast<size_t>(y) * stride, rowBytes);
    return true;
}

}  // namespace posix::drawing
