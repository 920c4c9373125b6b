#include "posix/drawing/PopplerDocuments.h"

#include "posix/pdf/ReadableFile.h"
#include "print/FpdfView.h"

namespace posix::drawing {

namespace {

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

}  // namespace

PopplerDocumentPtr openPopplerDocument(const char* fileName, const char* password,
                                       unsigned long& error) {
    error = FPDF_ERR_SUCCESS;
    if (!readableFile(fileName)) {
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
    PopplerDocumentPtr document(poppler_document_new_from_file(uri.get(), password, &rawError));
    GErrorPtr failure(rawError);
    if (!document) error = errorCode(failure.get());
    return document;
}

}  // namespace posix::drawing
