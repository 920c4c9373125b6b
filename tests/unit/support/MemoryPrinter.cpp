#include "unit/support/MemoryPrinter.h"

#include <cairo.h>
#include <poppler.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <iterator>

namespace testing_support {

namespace {

class MemorySink : public posix::JobSink {
public:
    explicit MemorySink(std::shared_ptr<MemoryJobLog> log) : log_(std::move(log)) {}

    bool write(const unsigned char* data, size_t length) override {
        if (log_->bytes.size() + length > log_->failWritesAfter) {
            SetLastError(28);  // ENOSPC
            return false;
        }
        log_->bytes.append(reinterpret_cast<const char*>(data), length);
        ++log_->writes;
        return true;
    }
    bool finish() override {
        if (log_->failFinish) {
            SetLastError(5);  // EIO
            return false;
        }
        log_->finished = true;
        return true;
    }
    void cancel() override { log_->cancelled = true; }

private:
    std::shared_ptr<MemoryJobLog> log_;
};

struct DocumentDeleter {
    void operator()(PopplerDocument* document) const { g_object_unref(document); }
};
using Document = std::unique_ptr<PopplerDocument, DocumentDeleter>;

Document openPdf(const std::string& pdf) {
    GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    return Document(document);
}

}  // namespace

MemoryPrinter::MemoryPrinter(std::string name, std::shared_ptr<MemoryJobLog> log)
    : name_(std::move(name)), log_(std::move(log)) {}

std::unique_ptr<posix::JobSink> MemoryPrinter::startJob(const std::string& title, const posix::JobSettings&) {
    if (log_->failStart) {
        SetLastError(13);  // EACCES
        return nullptr;
    }
    ++log_->jobsStarted;
    log_->title = title;
    log_->bytes.clear();
    log_->writes = 0;
    log_->finished = log_->cancelled = false;
    return std::make_unique<MemorySink>(log_);
}

std::vector<posix::Paper> standardPapers(int margin) {
    return {
        {posix::paper_id::A4, u"A4", 21000, 29700, margin, margin, margin, margin},
        {posix::paper_id::Letter, u"Letter", 21590, 27940, margin, margin, margin, margin},
        {posix::paper_id::A5, u"A5", 14800, 21000, margin, margin, margin, margin},
    };
}

MemoryPrinterRegistration::MemoryPrinterRegistration(std::string prefix)
    : prefix_(std::move(prefix)) {
    posix::registerPrinterDriver(prefix_, [this](const std::string& name) {
        auto driver = std::make_unique<MemoryPrinter>(name, log);
        driver->papers_ = papers;
        driver->defaults_ = defaults;
        return driver;
    });
}

MemoryPrinterRegistration::~MemoryPrinterRegistration() {
    posix::unregisterPrinterDriver(prefix_);
}

std::vector<PdfPage> pageSizes(const std::string& pdf, bool* ok) {
    std::vector<PdfPage> pages;
    Document document = openPdf(pdf);
    if (ok) *ok = document != nullptr;
    if (!document) return pages;
    for (int i = 0; i < poppler_document_get_n_pages(document.get()); ++i) {
        PopplerPage* page = poppler_document_get_page(document.get(), i);
        PdfPage size;
        poppler_page_get_size(page, &size.width, &size.height);
        pages.push_back(size);
        g_object_unref(page);
    }
    return pages;
}

double darknessAt(const std::string& pdf, int pageIndex, double xMm, double yMm) {
    Document document = openPdf(pdf);
    if (!document || pageIndex >= poppler_document_get_n_pages(document.get())) return -1;
    PopplerPage* page = poppler_document_get_page(document.get(), pageIndex);
    constexpr double kPixelsPerMm = 2;
    constexpr int kSpan = 3;  // pixels on each side of the point
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 2 * kSpan + 1, 2 * kSpan + 1);
    cairo_t* cr = cairo_create(image);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_translate(cr, kSpan - xMm * kPixelsPerMm, kSpan - yMm * kPixelsPerMm);
    cairo_scale(cr, kPixelsPerMm * 25.4 / 72, kPixelsPerMm * 25.4 / 72);
    poppler_page_render_for_printing(page, cr);
    cairo_destroy(cr);
    cairo_surface_flush(image);

    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    double dark = 0;
    int count = 0;
    for (int y = 0; y < 2 * kSpan + 1; ++y) {
        for (int x = 0; x < 2 * kSpan + 1; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, data + y * stride + x * 4, sizeof pixel);
            const double grey = ((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF)) / 765.0;
            dark += 1 - grey;
            ++count;
        }
    }
    cairo_surface_destroy(image);
    g_object_unref(page);
    return dark / count;
}

bool containsImages(const std::string& pdf) {
    Document document = openPdf(pdf);
    if (!document) return false;
    for (int i = 0; i < poppler_document_get_n_pages(document.get()); ++i) {
        PopplerPage* page = poppler_document_get_page(document.get(), i);
        GList* images = poppler_page_get_image_mapping(page);
        const bool found = images != nullptr;
        poppler_page_free_image_mapping(images);
        g_object_unref(page);
        if (found) return true;
    }
    return false;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TempFolder::TempFolder() {
    char pattern[] = "/tmp/quorlex-unit-XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::path(const std::string& name) const {
    return name.empty() ? path_ : path_ + "/" + name;
}

size_t TempFolder::entries() const {
    std::error_code ignored;
    size_t count = 0;
    for (auto it = std::filesystem::directory_iterator(path_, ignored);
         it != std::filesystem::directory_iterator(); ++it)
        ++count;
    return count;
}

}  // namespace testing_support
