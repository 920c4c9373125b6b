// A page of a source document, as the PDF engine hands it to a device
// context that places pages instead of drawing them.
#pragma once

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <cstdint>
#include <map>
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
    // A page of several content streams that can run as they are on the
    // sheet, between what the sheet draws before and after them: the q
    // they leave open at their end. -1 when they are joined into a form
    // instead (a single stream is made a form as it is).
    int openSaves = -1;
    // Drawn for the job: its document (the drawing of this page, or of
    // pages drawn together) is let go once a page of another drawing is
    // placed.
    bool drawn = false;

    // The page with its displayed region read from its boxes (inherited ones
    // too), /Rotate and /UserUnit; no annotations. Throws (std::exception)
    // when the page cannot be read.
    static SourcePage of(std::shared_ptr<QPDF> document, QPDFObjectHandle page);
};

// What reading a content stream through found: whether it decodes, and
// for one of several streams of a page, how its graphics state saves and
// text objects go.
struct ContentCheck {
    bool tried = false;     // read once: what is known stays so
    bool readable = false;
    bool tooLarge = false;  // stopped at kContentLimit, not read to the end
    bool counted = false;   // the rest is known
    int lowest = 0;         // the fewest saves open on the way, from 0 at its start
    int net = 0;            // saves open at its end
    int textAtEnd = 0;      // 1 inside a text object, -1 outside, 0 as at its start
};

// The checks of a document's content streams, each read through once
// however many pages share it.
using ContentChecks = std::map<QPDFObjGen, ContentCheck>;

// What one content stream may inflate to before the check stops reading
// it: real pages hold a few megabytes of content, a hostile stream can
// inflate a few kilobytes to gigabytes.
constexpr size_t kContentLimit = size_t{256} << 20;

enum class ContentReading {
    Readable,
    Unreadable,  // a stream does not decode, or the contents are not streams
    TooLarge,    // a stream inflates beyond kContentLimit
};

// Decodes every content stream of the page (a printer's interpreter that
// meets data it cannot decode may abort the whole job), each up to
// kContentLimit. For several readable streams, openSaves is set as
// SourcePage has it.
ContentReading readContents(QPDFObjectHandle page, int& openSaves, ContentChecks& checks);

// Pipes the stream's data, decoded, into out (null: only reads it through).
// False when qpdf cannot decode it all: damaged data, a filter qpdf does
// not decode (JBIG2 or JPEG on content, say), or more than limit bytes
// (then tooLarge, when given, is set).
bool decodeStream(QPDFObjectHandle stream, Pipeline* out, size_t limit = SIZE_MAX,
                  bool* tooLarge = nullptr);

// What one annotation appearance may inflate to: real ones are a few
// kilobytes, a hostile one can hold gigabytes in a few kilobytes.
constexpr size_t kAppearanceLimit = 64 << 20;

// A PDF held in memory, opened with qpdf (warnings kept, not printed): the
// document owns its bytes. Throws (std::exception) when qpdf cannot open it.
std::shared_ptr<QPDF> openPdfInMemory(std::string bytes, const std::string& description,
                                      const char* password = nullptr);

}  // namespace posix::assembly
