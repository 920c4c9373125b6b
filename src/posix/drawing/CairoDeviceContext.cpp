#include "posix/drawing/CairoDeviceContext.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <utility>

#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/Utf.h"
#include "posix/assembly/PdfAssembly.h"
#include "print/Units.h"

namespace posix::drawing {

struct CairoStream {
    static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length) {
        auto* context = static_cast<CairoDeviceContext*>(closure);
        return context->deliver(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
    }
};

CairoDeviceContext::~CairoDeviceContext() {
    if (started_) discardDocument();
}

int CairoDeviceContext::startDoc(const std::u16string& title) {
    if (started_) return kSpoolerError;
    failed_ = false;
    sinkError_ = 0;
    title_ = toUtf8(title);
    if (!openJob(title_)) return kSpoolerError;
    // Cairo writes its own header: copies a driver would be told there are
    // made in the document instead.
    const DocumentCopies copies = documentCopies(driver_, settings_, false);
    copies_.reset();
    if (copies.copies > 1)
        copies_ = std::make_unique<CopyLayout<RecordedPage>>(copies, [this](const RecordedPage& page, bool blank) {
            paintSheet(blank ? nullptr : page.recording.get(), page.geometry);
        });
    started_ = true;
    return std::max(sink_->id(), 1);
}

// The surface is made with the first page: cairo gives a document that never
// had a page a blank one.
bool CairoDeviceContext::openSurface() {
    surface_ = cairo_pdf_surface_create_for_stream(&CairoStream::write, this,
                                                   next_.widthPoints, next_.heightPoints);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
        failed_ = true;
        return false;
    }
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title_.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Quorlex");
    return true;
}

int CairoDeviceContext::startPage() {
    if (!startSheet()) return kSpoolerError;
    if (!surface_ && !openSurface()) return kSpoolerError;
    // A document of copies records each page to paint it as often as they want.
    if (copies_) {
        recording_ = recordingOf(sheet_.widthPoints, sheet_.heightPoints);
    } else {
        cairo_pdf_surface_set_size(surface_, sheet_.widthPoints, sheet_.heightPoints);
    }
    // Device units are pixels at the sheet's resolution; the surface's are points.
    const bool drawing = beginDrawing(recording_ ? recording_.get() : surface_, kPointsPerInch / sheet_.dpiX, kPointsPerInch / sheet_.dpiY);
    return drawing ? 1 : kSpoolerError;
}

void CairoDeviceContext::closePage() {
    if (!recording_) {
        cairo_show_page(page_.get());
        page_.reset();
        return;
    }
    page_.reset();
    copies_->add(RecordedPage{std::move(recording_), sheet_});
}

void CairoDeviceContext::paintSheet(cairo_surface_t* recording, const SheetGeometry& geometry) {
    cairo_pdf_surface_set_size(surface_, geometry.widthPoints, geometry.heightPoints);
    cairo_t* sheet = cairo_create(surface_);
    if (recording) {
        cairo_set_source_surface(sheet, recording, 0, 0);
        cairo_paint(sheet);
    }
    cairo_show_page(sheet);
    cairo_destroy(sheet);
}

int CairoDeviceContext::endPage() {
    if (!page_) return kSpoolerError;
    closePage();
    if (failed_ || cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return kSpoolerError;
    return 1;
}

int CairoDeviceContext::endDoc() {
    if (!started_) return kSpoolerError;
    if (page_) closePage();
    if (copies_ && surface_) copies_->finish();
    copies_.reset();
    bool written = !failed_;
    if (surface_) {
        cairo_surface_finish(surface_);
        written = written && !failed_ && cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    } else if (written) {
        const std::string empty = assembly::emptyPdf(title_);
        written = deliver(reinterpret_cast<const unsigned char*>(empty.data()), empty.size());
    }

    return handOver(written);
}

void CairoDeviceContext::discardDocument() {
    // The sink goes first, so that what the surface still writes on its way
    // out reaches nothing.
    const std::unique_ptr<JobSink> cancelled = cancelJob();
    dropDrawing();
    copies_.reset();
    if (surface_) {
        cairo_surface_finish(surface_);
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
}

bool CairoDeviceContext::deliver(const unsigned char* data, size_t length) {
    if (!sink_) return true;  // the document is being discarded
    if (failed_) return false;
    if (!sink_->write(data, length)) {
        failed_ = true;
        sinkError_ = GetLastError();
        return false;
    }
    return true;
}

}  // namespace posix::drawing
