// A page of a source document, as the PDF engine hands it to a device
// context that places pages instead of drawing them.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <string>
#include <vector>

#include "posix/assembly/Placement.h"

namespace posix::assembly {

struct SourcePage {
    // The document the page belongs to; kept alive until the assembled
    // document has been written, since its content is copied from there.
    std::shared_ptr<QPDF> document;
    // The page dictionary: its content streams, resources and transparency
    // group pass through as they are.
    QPDFObjectHandle page;
    // The region a viewer shows and how it turns it.
    DisplayedPage displayed;
    // Printable annotations with an appearance stream, drawn over the page
    // as a viewer prints them.
    std::vector<QPDFObjectHandle> annotations;

    // The page with its displayed region read from its boxes (inherited ones
    // too), /Rotate and /UserUnit; no annotations. Throws (std::exception)
    // when the page cannot be read.
    static SourcePage of(std::shared_ptr<QPDF> document, QPDFObjectHandle page);
};

// A PDF held in memory, opened with qpdf: the document owns its bytes.
// Throws (std::exception) when qpdf cannot open it.
std::shared_ptr<QPDF> openPdfInMemory(std::string bytes, const std::string& description);

}  // namespace posix::assembly
