#include "posix/CairoDeviceContext.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>
#include <utility>

#include "posix/Utf.h"

namespace posix {

namespace {

constexpr int kSpoolerError = -1;

bool fieldSet(const DEVMODEW& settings, DWORD field) { return (settings.dmFields & field) != 0; }

// Hundredths of a millimetre to whole pixels, truncated.
int toPixels(int32_t hundredths, int dpi) {
    return static_cast<int>(static_cast<int64_t>(hundredths) * dpi / 2540);
}

}  // namespace

struct CairoStream {
    static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length) {
        auto* context = static_cast<CairoDeviceContext*>(closure);
        return context->deliver(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
    }
};

std::string emptyPdf(const std::string& title) {
    // The title as a UTF-16BE hex string, which needs no escaping.
    std::string hexTitle = "<FEFF";
    static const char digits[] = "0123456789ABCDEF";
    for (char16_t unit : toUtf16(title)) {
        for (int shift = 12; shift >= 0; shift -= 4) hexTitle += digits[(unit >> shift) & 0xF];
    }
    hexTitle += ">";
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [ ] /Count 0 >>",
        "<< /Title " + hexTitle + " /Creator (Quorlex) >>",
    };
    std::string pdf = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < std::size(objects); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
           " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

PageGeometry PageGeometry::from(const PrinterDriver& driver, const DEVMODEW& settings) {
    const PrinterDefaults defaults = driver.defaults();
    PageGeometry geometry;
    // dmPrintQuality carries dots per inch when positive (negative values are
    // the DMRES_ quality levels); a missing vertical resolution follows it.
    const bool hasX = fieldSet(settings, DM_PRINTQUALITY) && settings.dmPrintQuality > 0;
    const bool hasY = fieldSet(settings, DM_YRESOLUTION) && settings.dmYResolution > 0;
    geometry.dpiX = hasX ? settings.dmPrintQuality : defaults.dpiX;
    geometry.dpiY = hasY ? settings.dmYResolution : hasX ? settings.dmPrintQuality : defaults.dpiY;
    if (geometry.dpiX <= 0) geometry.dpiX = 600;
    if (geometry.dpiY <= 0) geometry.dpiY = geometry.dpiX;

    Paper paper = driver.paperFor(settings);
    if (paper.width <= 0 || paper.length <= 0) {
        // A printer that names no paper at all: a page still needs a sheet.
        paper = Paper{DMPAPER_A4, u"A4", 21000, 29700, 0, 0, 0, 0};
    }
    const bool landscape =
        fieldSet(settings, DM_ORIENTATION) && settings.dmOrientation == DMORIENT_LANDSCAPE;
    if (landscape) {
        // The sheet turned a quarter: its left edge comes to the top.
        std::swap(paper.width, paper.length);
        paper = Paper{paper.id, paper.name, paper.width, paper.length,
                      paper.marginBottom, paper.marginLeft, paper.marginTop, paper.marginRight};
    }

    geometry.widthPoints = paper.width * 72.0 / 2540.0;
    geometry.heightPoints = paper.length * 72.0 / 2540.0;
    geometry.physicalWidth = toPixels(paper.width, geometry.dpiX);
    geometry.physicalHeight = toPixels(paper.length, geometry.dpiY);
    geometry.offsetX = toPixels(paper.marginLeft, geometry.dpiX);
    geometry.offsetY = toPixels(paper.marginTop, geometry.dpiY);
    geometry.printableWidth =
        std::max(0, geometry.physicalWidth - geometry.offsetX - toPixels(paper.marginRight, geometry.dpiX));
    geometry.printableHeight =
        std::max(0, geometry.physicalHeight - geometry.offsetY - toPixels(paper.marginBottom, geometry.dpiY));
    return geometry;
}

CairoDeviceContext::CairoDeviceContext(PrinterDriver& driver, const DEVMODEW& settings)
    : driver_(driver), next_(PageGeometry::from(driver, settings)) {}

CairoDeviceContext::~CairoDeviceContext() {
    if (started_) discardDocument();
}

bool CairoDeviceContext::reset(const DEVMODEW& settings) {
    // Takes effect at the next StartPage; a page in progress keeps its paper.
    next_ = PageGeometry::from(driver_, settings);
    return true;
}

int CairoDeviceContext::startDoc(const std::u16string& title) {
    if (started_) return kSpoolerError;
    failed_ = false;
    sinkError_ = 0;
    title_ = toUtf8(title);
    sink_ = driver_.startJob(title_);
    if (!sink_) return kSpoolerError;
    started_ = true;
    return 1;
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
    if (!started_ || page_ || failed_) return kSpoolerError;
    if (!surface_ && !openSurface()) return kSpoolerError;
    const PageGeometry& geometry = pageGeometry_ = next_;
    cairo_pdf_surface_set_size(surface_, geometry.widthPoints, geometry.heightPoints);
    page_ = cairo_create(surface_);
    if (cairo_status(page_) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(page_);
        page_ = nullptr;
        return kSpoolerError;
    }
    // Device units are pixels; (0, 0) is the corner of the printable area,
    // and nothing reaches the margins, as on a printer that cannot print there.
    cairo_scale(page_, 72.0 / geometry.dpiX, 72.0 / geometry.dpiY);
    cairo_translate(page_, geometry.offsetX, geometry.offsetY);
    cairo_rectangle(page_, 0, 0, geometry.printableWidth, geometry.printableHeight);
    cairo_clip(page_);
    return 1;
}

void CairoDeviceContext::closePage() {
    cairo_show_page(page_);
    cairo_destroy(page_);
    page_ = nullptr;
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
    bool written = !failed_;
    if (surface_) {
        cairo_surface_finish(surface_);
        written = written && !failed_ && cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    } else if (written) {
        const std::string empty = emptyPdf(title_);
        written = deliver(reinterpret_cast<const unsigned char*>(empty.data()), empty.size());
    }

    started_ = false;
    std::unique_ptr<JobSink> sink = std::move(sink_);
    if (!written) {
        sink->cancel();
        // Keep the sink's own readable text when cancelling left it in place.
        if (sinkError_ && GetLastError() != sinkError_) SetLastError(sinkError_);
        return kSpoolerError;
    }
    if (!sink->finish()) {
        failed_ = true;
        sink->cancel();
        return kSpoolerError;
    }
    return 1;
}

int CairoDeviceContext::abortDoc() {
    if (!started_) return kSpoolerError;
    discardDocument();
    return 1;
}

void CairoDeviceContext::discardDocument() {
    // The sink goes first, so that what the surface still writes on its way
    // out reaches nothing.
    started_ = false;
    std::unique_ptr<JobSink> sink = std::move(sink_);
    if (sink) sink->cancel();
    if (page_) {
        cairo_destroy(page_);
        page_ = nullptr;
    }
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

int CairoDeviceContext::getDeviceCaps(int index) const {
    const PageGeometry& geometry = page_ ? pageGeometry_ : next_;
    switch (index) {
        case LOGPIXELSX: return geometry.dpiX;
        case LOGPIXELSY: return geometry.dpiY;
        case PHYSICALWIDTH: return geometry.physicalWidth;
        case PHYSICALHEIGHT: return geometry.physicalHeight;
        case PHYSICALOFFSETX: return geometry.offsetX;
        case PHYSICALOFFSETY: return geometry.offsetY;
        case HORZRES: return geometry.printableWidth;
        case VERTRES: return geometry.printableHeight;
        default: return 0;
    }
}

}  // namespace posix
