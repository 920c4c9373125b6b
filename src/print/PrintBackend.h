// Where the print job finds the printing of its platform: the PDF library
// and the printers. Each platform defines the backend it runs on; tests
// may put another in its place.
#pragma once

#include <memory>

#include "print/PdfSource.h"
#include "print/Printer.h"

class PrintBackend {
public:
    virtual ~PrintBackend() = default;
    // Readies the PDF library for one run.
    virtual std::unique_ptr<PdfLibrary> startPdfLibrary() = 0;
    // Opens the printer of that name (UTF-8); throws plat::Exception
    // ("Unable to open Printer <name>: ...") when it cannot.
    virtual std::unique_ptr<Printer> openPrinter(const char* name) = 0;
};

// The backend of this platform, or the one a test has installed.
PrintBackend& printBackend();
// Installs a backend in place of the platform's; null restores it. Not owned.
void setPrintBackend(PrintBackend* backend);
// The backend each platform defines.
PrintBackend& platformBackend();
