// A page of a source document, as the PDF engine hands it to a device
// context that places pages instead of drawing them.
#pragma once

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <cstdint>
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

// Pipes the stream's data, decoded, into out (null: only reads it through).
// False when qpdf cannot decode it all: damaged data, a filter qpdf does
// not decode (JBIG2 or JPEG on content, say), or more than limit bytes.
bool decodeStream(QPDFObjectHandle stream, Pipeline* out, size_t limit = SIZE_MAX);

// What one annotation appearance may inflate to: real ones are a few
// kilobytes, a hostile one can hold gigabytes in a few kilobytes.
constexpr size_t kAppearanceLimit = 64 << 20;

// A PDF held in memory, opened with qpdf (warnings kept, not printed): the
// document owns its bytes. Throws (std::exception) when qpdf cannot open it.
std::shared_ptr<QPDF> openPdfInMemory(std::string bytes, const std::string& description,
                                      const char* password = nullptr);

}  // namespace posix::assembly
