#include "posix/PopplerEngine.h"

#include <fcntl.h>
#include <poppler.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "posix/DeviceContext.h"
#include "posix/GdiHandles.h"

namespace posix {

namespace {

PopplerDocument* asDocument(FPDF_DOCUMENT document) {
    return reinterpret_cast<PopplerDocument*>(document);
}

PopplerPage* asPage(FPDF_PAGE page) { return reinterpret_cast<PopplerPage*>(page); }

struct GFreeDeleter {
    void operator()(void* memory) const { g_free(memory); }
};
using GChars = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

unsigned long errorCode(const GError* error) {
    if (!error) return FPDF_ERR_UNKNOWN;
    if (error->domain == G_FILE_ERROR) return FPDF_ERR_FILE;
    if (error->domain == POPPLER_ERROR) {
        switch (error->code) {
            case POPPLER_ERROR_OPEN_FILE: return FPDF_ERR_FILE;
            case POPPLER_ERROR_ENCRYPTED: return FPDF_ERR_PASSWORD;
            case POPPLER_ERROR_INVALID:
            case POPPLER_ERROR_DAMAGED: return FPDF_ERR_FORMAT;
            default: return FPDF_ERR_UNKNOWN;
        }
    }
    return FPDF_ERR_UNKNOWN;
}

// A file that cannot be opened for reading (missing, unreadable, a folder)
// is a file error, whatever the parser would make of it.
bool readable(const char* fileName) {
    const int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    const bool ok = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    close(fd);
    return ok;
}

// The transformation that takes the page (width by height points, top-left
// origin) onto the target rectangle, turned by rotate quarter turns
// clockwise (3: counter-clockwise, the page's top on the left side).
cairo_matrix_t pageToTarget(double width, double height, int startX, int startY, int sizeX,
                            int sizeY, int rotate) {
    cairo_matrix_t matrix;
    const double sx = sizeX, sy = sizeY;
    switch (((rotate % 4) + 4) % 4) {
        case 1:
            cairo_matrix_init(&matrix, 0, sy / width, -sx / height, 0, startX + sx, startY);
            break;
        case 2:
            cairo_matrix_init(&matrix, -sx / width, 0, 0, -sy / height, startX + sx, startY + sy);
            break;
        case 3:
            cairo_matrix_init(&matrix, 0, -sy / width, sx / height, 0, startX, startY + sy);
            break;
        default:
            cairo_matrix_init(&matrix, sx / width, 0, 0, sy / height, startX, startY);
            break;
    }
    return matrix;
}

}  // namespace

void PopplerEngine::initLibrary() {}

void PopplerEngine::destroyLibrary() {}

FPDF_DOCUMENT PopplerEngine::loadDocument(const char* fileName, const char* password,
                                          unsigned long& error) {
    error = FPDF_ERR_SUCCESS;
    if (!fileName || !*fileName || !readable(fileName)) {
        error = FPDF_ERR_FILE;
        return nullptr;
    }
    GChars absolute(g_canonicalize_filename(fileName, nullptr));
    GError* rawError = nullptr;
    GChars uri(g_filename_to_uri(absolute.get(), nullptr, &rawError));
    if (!uri) {
        GErrorPtr failure(rawError);
        error = FPDF_ERR_FILE;
        return nullptr;
    }
    PopplerDocument* document = poppler_document_new_from_file(uri.get(), password, &rawError);
    GErrorPtr failure(rawError);
    if (!document) {
        error = errorCode(failure.get());
        return nullptr;
    }
    return reinterpret_cast<FPDF_DOCUMENT>(document);
}

int PopplerEngine::pageCount(FPDF_DOCUMENT document) {
    return document ? poppler_document_get_n_pages(asDocument(document)) : 0;
}

FPDF_PAGE PopplerEngine::loadPage(FPDF_DOCUMENT document, int index) {
    if (!document || index < 0 || index >= pageCount(document)) return nullptr;
    return reinterpret_cast<FPDF_PAGE>(poppler_document_get_page(asDocument(document), index));
}

double PopplerEngine::pageWidth(FPDF_PAGE page) {
    double width = 0, height = 0;
    if (page) poppler_page_get_size(asPage(page), &width, &height);
    return width;
}

double PopplerEngine::pageHeight(FPDF_PAGE page) {
    double width = 0, height = 0;
    if (page) poppler_page_get_size(asPage(page), &width, &height);
    return height;
}

void PopplerEngine::renderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX,
                               int sizeY, int rotate, int) {
    DeviceContext* context = liveDeviceContext(dc);
    if (!context || !page || sizeX <= 0 || sizeY <= 0) return;
    cairo_t* cr = context->cairo();
    if (!cr) return;
    double width = 0, height = 0;
    poppler_page_get_size(asPage(page), &width, &height);
    if (width <= 0 || height <= 0) return;

    const cairo_matrix_t matrix = pageToTarget(width, height, startX, startY, sizeX, sizeY, rotate);
    cairo_save(cr);
    cairo_transform(cr, &matrix);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);
    poppler_page_render_for_printing(asPage(page), cr);
    cairo_restore(cr);
}

void PopplerEngine::closePage(FPDF_PAGE page) {
    if (page) g_object_unref(asPage(page));
}

void PopplerEngine::closeDocument(FPDF_DOCUMENT document) {
    if (document) g_object_unref(asDocument(document));
}

PopplerEngine& popplerEngine() {
    static PopplerEngine engine;
    return engine;
}

}  // namespace posix
