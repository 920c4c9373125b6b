#include "posix/drawing/RasterDeviceContext.h"

#include <cairo.h>

#include <algorithm>
#include <vector>

#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/LastError.h"
#include "posix/winapi/Utf.h"
#include "print/Units.h"

namespace posix::drawing {

namespace {

// Pixels rasterised at once: 16 MiB of cairo's 32-bit pixels.
constexpr long kBandPixels = 4L * 1024 * 1024;

const char* typeKeyword(PixelType type) {
    switch (type) {
        case PixelType::Rgb8: return "srgb_8";
        case PixelType::Gray8: return "sgray_8";
        case PixelType::Black1: return "black_1";
    }
    return "sgray_8";
}

// The pixels the job is sent in: colour where the printer reads it and the
// job does not ask for monochrome; else grey; else dithered black.
PixelType pixelTypeFor(const RasterFormat& format, const JobSettings& settings) {
    const bool monochrome = settings.monochrome();
    if (format.rgb8 && !monochrome) return PixelType::Rgb8;
    if (format.gray8) return PixelType::Gray8;
    if (format.black1) return PixelType::Black1;
    return PixelType::Rgb8;
}

const char* sidesFor(const JobSettings& settings) {
    if (settings.sides == Sides::LongEdge) return "two-sided-long-edge";
    if (settings.sides == Sides::ShortEdge) return "two-sided-short-edge";
    return "one-sided";
}

}  // namespace

RasterDeviceContext::RasterDeviceContext(PrinterDriver& driver, const JobSettings& settings, RasterFormat format)
    : DrawingContext(driver, settings), format_(std::move(format)) {}

RasterDeviceContext::~RasterDeviceContext() {
    if (started_) discardDocument();
}

ssize_t RasterDeviceContext::collect(void* context, unsigned char* data, size_t length) {
    auto* self = static_cast<RasterDeviceContext*>(context);
    if (!self->collecting_) return -1;
    self->collecting_->append(reinterpret_cast<const char*>(data), length);
    return static_cast<ssize_t>(length);
}

int RasterDeviceContext::startDoc(const std::u16string& title) {
    if (started_) return kSpoolerError;
    failed_ = false;
    sinkError_ = 0;
    pagesDrawn_ = 0;
    type_ = pixelTypeFor(format_, settings_);
    sides_ = sidesFor(settings_);
    if (!openJob(toUtf8(title))) return kSpoolerError;
    started_ = true;

    std::string start;
    collecting_ = &start;
    raster_ = cupsRasterOpenIO(&RasterDeviceContext::collect, this,
                               format_.apple() ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
    collecting_ = nullptr;
    if (!raster_ || !deliver(start)) {
        if (!raster_) setLastErrorText(ERROR_INVALID_DATA, "Unable to start the raster of the document");
        discardDocument();
        return kSpoolerError;
    }
    // Copies the printer does not make are in the raster, page by page.
    copies_ = std::make_unique<CopyLayout<EncodedPage>>(
        documentCopies(driver_, settings_, false), [this](const EncodedPage& page, bool blank) {
            if (!blank) {
                deliver(page.bytes);
                return;
            }
            std::string bytes;
            if (encode(nullptr, page.geometry, false, bytes)) deliver(bytes);
        });
    return std::max(sink_->id(), 1);
}

int RasterDeviceContext::startPage() {
    if (!startSheet()) return kSpoolerError;
    // Device units are the raster's pixels.
    recording_ = recordingOf(sheet_.physicalWidth, sheet_.physicalHeight);
    return beginDrawing(recording_.get(), 1, 1) ? 1 : kSpoolerError;
}

bool RasterDeviceContext::encode(cairo_surface_t* drawing, const SheetGeometry& geometry, bool back,
                                 std::string& bytes) {
    cups_page_header2_t header;
    const auto hundredths = [](double points) { return static_cast<int>(points * kHundredthsPerInch / kPointsPerInch + 0.5); };
    pwg_media_t* media = pwgMediaForSize(hundredths(geometry.widthPoints), hundredths(geometry.heightPoints));
    if (!media || !cupsRasterInitPWGHeader(&header, media, typeKeyword(type_), geometry.dpiX, geometry.dpiY,
                                           sides_.c_str(), format_.sheetBack.c_str())) {
        setLastErrorText(ERROR_INVALID_DATA, std::string("Unable to describe the page as raster: ") +
                                                 cupsRasterErrorString());
        return false;
    }
    const int width = static_cast<int>(header.cupsWidth), height = static_cast<int>(header.cupsHeight);
    const BackSide turn = back ? backSideFor(format_.sheetBack, sides_ == "two-sided-short-edge") : BackSide{};
    std::vector<unsigned char> line(bytesPerLine(type_, width));
    std::string* before = collecting_;
    collecting_ = &bytes;
    bool written = cupsRasterWriteHeader2(raster_, &header) != 0;
    const int band = static_cast<int>(std::clamp<long>(kBandPixels / std::max(width, 1), 1, height));
    for (int first = 0; written && first < height; first += band) {
        // Bands from the bottom up where the lines go bottom to top.
        const int rows = std::min(band, height - first);
        const int top = turn.flipped ? height - first - rows : first;
        OwnedSurface pixels(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, rows));
        cairo_t* cr = cairo_create(pixels.get());
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        if (drawing) {
            cairo_set_source_surface(cr, drawing, 0, -top);
            cairo_paint(cr);
        }
        written = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(cr);
        cairo_surface_flush(pixels.get());
        const unsigned char* data = cairo_image_surface_get_data(pixels.get());
        const int stride = cairo_image_surface_get_stride(pixels.get());
        for (int row = 0; written && data && row < rows; ++row) {
            const int source = turn.flipped ? rows - 1 - row : row;
            const int y = turn.flipped ? height - 1 - (first + row) : first + row;
            convertLine(reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(source) * stride), width, y,
                        type_, turn.mirrored, line.data());
            written = cupsRasterWritePixels(raster_, line.data(), static_cast<unsigned>(line.size())) != 0;
        }
        written = written && data;
    }
    collecting_ = before;
    if (!written) setLastErrorText(ERROR_INVALID_DATA, "Unable to rasterise the page");
    return written;
}

int RasterDeviceContext::endPage() {
    if (!page_) return kSpoolerError;
    page_.reset();
    OwnedSurface drawing = std::move(recording_);
    if (failed_) return kSpoolerError;
    cairo_surface_flush(drawing.get());
    EncodedPage page{std::string(), sheet_};
    const bool back = sides_ != "one-sided" && pagesDrawn_ % 2 == 1;
    if (!encode(drawing.get(), sheet_, back, page.bytes)) {
        failed_ = true;
        sinkError_ = GetLastError();
        return kSpoolerError;
    }
    ++pagesDrawn_;
    copies_->add(std::move(page));
    return failed_ ? kSpoolerError : 1;
}

bool RasterDeviceContext::deliver(const std::string& bytes) {
    if (!sink_ || failed_) return false;
    if (bytes.empty()) return true;
    if (!sink_->write(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
        failed_ = true;
        sinkError_ = GetLastError();
        return false;
    }
    return true;
}

int RasterDeviceContext::endDoc() {
    if (!started_) return kSpoolerError;
    if (page_) endPage();
    if (copies_) copies_->finish();
    std::string end;
    collecting_ = &end;
    if (raster_) cupsRasterClose(raster_);
    raster_ = nullptr;
    collecting_ = nullptr;
    deliver(end);
    copies_.reset();
    return handOver(!failed_);
}

void RasterDeviceContext::discardDocument() {
    // The sink goes first, so that nothing still written reaches it.
    const std::unique_ptr<JobSink> cancelled = cancelJob();
    dropDrawing();
    copies_.reset();
    std::string ignored;
    collecting_ = &ignored;
    if (raster_) cupsRasterClose(raster_);
    raster_ = nullptr;
    collecting_ = nullptr;
}

}  // namespace posix::drawing
