// The PDF side of the printing seam: the document being printed, its
// pages and the library that reads them.
#pragma once

#include <string>
#include <vector>

#include <memory>

// Bits of a document's permissions: bit 3 (4) allows printing at all; a
// document without encryption grants every bit.
constexpr unsigned long kPermissionToPrint = 0x4;
constexpr unsigned long kAllPermissions = 0xFFFFFFFF;

// Why a document did not open, the number its failure line shows: the
// numbers the Windows engine gives.
constexpr unsigned long kPdfLoaded = 0;
constexpr unsigned long kPdfUnknownError = 1;
constexpr unsigned long kPdfFileError = 2;       // not found, not readable
constexpr unsigned long kPdfFormatError = 3;     // not a PDF, or broken
constexpr unsigned long kPdfPasswordError = 4;   // encrypted, no password opens it

// One loaded page; released when it goes.
class PdfPage {
public:
    virtual ~PdfPage() = default;
    virtual double height() = 0;   // points
    virtual double width() = 0;
    // How the page reaches its sheet, for the plan of a dry run: "placed"
    // (as it is) or "drawn".
    virtual const char* way() = 0;
    // Why a page that was drawn was not placed; empty when that is not known.
    virtual std::string drawnBecause() { return {}; }
};

// One loaded document; closed when it goes.
class PdfDocument {
public:
    virtual ~PdfDocument() = default;
    virtual int pageCount() = 0;                 // <= 0: none
    virtual unsigned long permissions() = 0;     // as its encryption grants the user
    // Null when the page cannot be loaded.
    virtual std::unique_ptr<PdfPage> loadPage(int index) = 0;
    // The pages the job will load, in order, told before the first: a
    // library that draws pages may draw them together.
    virtual void willLoad(const std::vector<int>& /*pages*/) {}
};

// The PDF library for one run; released when it goes, after every
// document it opened.
class PdfLibrary {
public:
    virtual ~PdfLibrary() = default;
    // Null on failure, with the library's error code for the message.
    virtual std::unique_ptr<PdfDocument> open(const char* fileName, unsigned long& error) = 0;
    // The same for a whole PDF file held in memory (read from standard
    // input), never written to a file. Throws plat::Exception, saying why,
    // where the library cannot read from memory.
    virtual std::unique_ptr<PdfDocument> openInMemory(std::shared_ptr<const std::string> bytes,
                                                      unsigned long& error) = 0;
};
