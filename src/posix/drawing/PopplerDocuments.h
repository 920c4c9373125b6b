// Opening PDF documents with poppler-glib, with the print job's load error
// codes (kPdf...Error), and owners that release what poppler hands out.
#pragma once

#include <poppler.h>

#include <memory>
#include <string>

namespace posix::drawing {

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
using PopplerDocumentPtr = std::unique_ptr<PopplerDocument, GObjectUnref>;
using PopplerPagePtr = std::unique_ptr<PopplerPage, GObjectUnref>;

// Null on failure, with error set to a kPdf...Error code: 2 the file, 3 its
// format, 4 a password, 1 anything else.
PopplerDocumentPtr openPopplerDocument(const char* fileName, const char* password,
                                       unsigned long& error);

// The same for a whole PDF file in memory; poppler keeps a copy of it.
PopplerDocumentPtr openPopplerDocumentCopy(const std::string& contents, const char* password,
                                           unsigned long& error);

// The document's permissions as the permission bits of its encryption
// dictionary (bit 3, value 4: printing); all set when nothing is withheld.
unsigned long permissionBits(PopplerDocument* document);

}  // namespace posix::drawing
