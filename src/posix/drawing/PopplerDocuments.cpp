#include "posix/drawing/PopplerDocuments.h"

#include "plat/Owned.h"
#include "posix/pdf/InputDocument.h"
#include "posix/pdf/ReadableFile.h"
#include "print/PdfSource.h"

namespace posix::drawing {

namespace {

using GChars = plat::Owned<char, g_free>;
using GErrorPtr = plat::Owned<GError, g_error_free>;

unsigned long errorCode(const GError* error) {
    if (!error) return kPdfUnknownError;
    if (error->domain == G_FILE_ERROR) return kPdfFileError;
    if (error->domain == POPPLER_ERROR) {
        switch (error->code) {
            case POPPLER_ERROR_OPEN_FILE: return kPdfFileError;
            case POPPLER_ERROR_ENCRYPTED: return kPdfPasswordError;
            case POPPLER_ERROR_INVALID:
            case POPPLER_ERROR_DAMAGED: return kPdfFormatError;
            default: return kPdfUnknownError;
        }
    }
    return kPdfUnknownError;
}

}  // namespace

unsigned long permissionBits(PopplerDocument* document) {
    const PopplerPermissions granted = poppler_document_get_permissions(document);
    if ((granted & POPPLER_PERMISSIONS_FULL) == POPPLER_PERMISSIONS_FULL) return kAllPermissions;
    // poppler's flags and the bits they stand for.
    static constexpr struct {
        PopplerPermissions flag;
        unsigned long bit;
    } kBits[] = {
        {POPPLER_PERMISSIONS_OK_TO_PRINT, kPermissionToPrint},
        {POPPLER_PERMISSIONS_OK_TO_MODIFY, 1ul << 3},
        {POPPLER_PERMISSIONS_OK_TO_COPY, 1ul << 4},
        {POPPLER_PERMISSIONS_OK_TO_ADD_NOTES, 1ul << 5},
        {POPPLER_PERMISSIONS_OK_TO_FILL_FORM, 1ul << 8},
        {POPPLER_PERMISSIONS_OK_TO_EXTRACT_CONTENTS, 1ul << 9},
        {POPPLER_PERMISSIONS_OK_TO_ASSEMBLE, 1ul << 10},
        {POPPLER_PERMISSIONS_OK_TO_PRINT_HIGH_RESOLUTION, 1ul << 11},
    };
    unsigned long bits = kAllPermissions;
    for (const auto& [flag, bit] : kBits) {
        if (!(granted & flag)) bits &= ~bit;
    }
    return bits;
}

PopplerDocumentPtr openPopplerDocument(const char* fileName, const char* password,
                                       unsigned long& error) {
    error = kPdfLoaded;
    if (const std::string* input = inputDocument(fileName)) return openPopplerDocumentCopy(*input, password, error);
    if (!readableFile(fileName)) {
        error = kPdfFileError;
        return nullptr;
    }
    GChars absolute(g_canonicalize_filename(fileName, nullptr));
    GError* rawError = nullptr;
    GChars uri(g_filename_to_uri(absolute.get(), nullptr, &rawError));
    if (!uri) {
        GErrorPtr failure(rawError);
        error = kPdfFileError;
        return nullptr;
    }
    PopplerDocumentPtr document(poppler_document_new_from_file(uri.get(), password, &rawError));
    GErrorPtr failure(rawError);
    if (!document) error = errorCode(failure.get());
    return document;
}

PopplerDocumentPtr openPopplerDocumentCopy(const std::string& contents, const char* password,
                                           unsigned long& error) {
    error = kPdfLoaded;
    std::unique_ptr<GBytes, decltype(&g_bytes_unref)> bytes(g_bytes_new(contents.data(), contents.size()),
                                                           g_bytes_unref);
    GError* rawError = nullptr;
    PopplerDocumentPtr document(poppler_document_new_from_bytes(bytes.get(), password, &rawError));
    GErrorPtr failure(rawError);
    if (!document) error = errorCode(failure.get());
    return document;
}

}  // namespace posix::drawing
