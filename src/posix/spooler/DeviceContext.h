// A printer device context on POSIX: what a job's document is made on.
// Two kinds exist: one that places the pages of PDF documents on its sheets
// (the default) and one that only takes drawing through cairo (onto a PDF
// or a printer's raster).
#pragma once

#include <string>

#include "posix/spooler/JobSettings.h"

typedef struct _cairo cairo_t;

namespace posix {

// What the steps of a document return for a failure (startDoc, startPage ...).
constexpr int kSpoolerError = -1;

namespace assembly {
struct SourcePage;
struct TargetRect;
}  // namespace assembly

class DeviceContext {
public:
    // Deleting a context whose document was started and not ended cancels
    // the job: a failed run never leaves a partial job printing.
    virtual ~DeviceContext() = default;

    // The settings the next sheet takes (its paper, the way it lies).
    virtual bool reset(const JobSettings& settings) = 0;
    virtual int startDoc(const std::u16string& title) = 0;   // the job's id > 0, or <= 0
    virtual int startPage() = 0;                             // > 0 on success
    virtual int endPage() = 0;
    virtual int endDoc() = 0;
    virtual int abortDoc() = 0;
    // The sheet in progress, or else the next one, in device units.
    virtual int32_t measure(SheetMetric metric) const = 0;

    // The drawing context of the page in progress: device units are pixels at
    // the sheet's resolution, (0, 0) is the top-left corner of the printable area and
    // drawing is clipped to it. Null outside a page, or for a context that
    // does not draw.
    virtual cairo_t* cairo() = 0;

    // Puts a page of a PDF document on the sheet in progress, as a viewer
    // prints it into the target rectangle (device units), turned by rotate
    // quarter turns clockwise, clipped to the printable area. False when this context does not place pages (or no
    // page is in progress); throws std::exception when the page cannot be
    // taken from its document, leaving the sheet as it was.
    virtual bool placePage(const assembly::SourcePage&, const assembly::TargetRect&, int) {
        return false;
    }

    // Paints a drawing of the page in progress, given as pixels (ARGB32,
    // premultiplied, rows of width * 4 bytes) the size of the target
    // rectangle, at the target. False when this context does not draw.
    virtual bool paintPixels(const std::string&, const assembly::TargetRect&) { return false; }

    // Withdraws the sheet in progress, for a page that could not be put on
    // it: nothing of the sheet prints. False where the context cannot take
    // a sheet back (it then ends as it is).
    virtual bool dropPage() {
        endPage();
        return false;
    }
};

}  // namespace posix
