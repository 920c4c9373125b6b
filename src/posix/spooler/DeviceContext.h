// A printer device context on POSIX; an HDC is a pointer to one of these.
// Two kinds exist: one that places the pages of PDF documents on its sheets
// (the default) and one that only takes drawing through cairo.
#pragma once

#include <string>

#include "posix/WinApi.h"

typedef struct _cairo cairo_t;

namespace posix {

// What the spooler functions return for a failure (StartDocW, StartPage ...).
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

    virtual bool reset(const DEVMODEW& settings) = 0;        // ResetDCW
    virtual int startDoc(const std::u16string& title) = 0;   // StartDocW: job id > 0, or <= 0
    virtual int startPage() = 0;                             // > 0 on success
    virtual int endPage() = 0;
    virtual int endDoc() = 0;
    virtual int abortDoc() = 0;
    virtual int getDeviceCaps(int index) const = 0;

    // The drawing context of the page in progress: device units are pixels at
    // LOGPIXELSX/Y, (0, 0) is the top-left corner of the printable area and
    // drawing is clipped to it. Null outside a page, or for a context that
    // does not draw.
    virtual cairo_t* cairo() = 0;

    // Puts a page of a PDF document on the sheet in progress, as
    // FPDF_RenderPage would draw it into the target rectangle (device
    // units), turned by rotate quarter turns clockwise, clipped to the
    // printable area. False when this context does not place pages (or no
    // page is in progress); throws std::exception when the page cannot be
    // taken from its document, leaving the sheet as it was.
    virtual bool placePage(const assembly::SourcePage&, const assembly::TargetRect&, int) {
        return false;
    }

    // Withdraws the sheet in progress, for a page that could not be put on
    // it: nothing of the sheet prints. False where the context cannot take
    // a sheet back (it then ends as it is).
    virtual bool dropPage() {
        endPage();
        return false;
    }

    static DeviceContext* fromHandle(HDC dc) { return reinterpret_cast<DeviceContext*>(dc); }
    HDC handle() { return reinterpret_cast<HDC>(this); }
};

}  // namespace posix
