// The spooler and GDI functions the Windows backend calls, as one table:
// the system's own unless a test has put a recording one in its place, so
// that the order and arguments of the calls can be checked without a
// printer.
#pragma once

#include "plat/WinApi.h"
#include "win32/InstalledTable.h"

namespace winprint {

struct WindowsPrintCalls {
    decltype(&OpenPrinterW) openPrinter;
    decltype(&ClosePrinter) closePrinter;
    decltype(&GetPrinterW) getPrinter;
    decltype(&DeviceCapabilitiesW) deviceCapabilities;
    decltype(&GetJobW) getJob;
    decltype(&CreateDCW) createDC;
    decltype(&ResetDCW) resetDC;
    decltype(&StartDocW) startDoc;
    decltype(&StartPage) startPage;
    decltype(&EndPage) endPage;
    decltype(&EndDoc) endDoc;
    decltype(&AbortDoc) abortDoc;
    decltype(&GetDeviceCaps) getDeviceCaps;
    decltype(&DeleteDC) deleteDC;
};

// The system's functions.
const WindowsPrintCalls& systemPrintCalls();
// The table the backend calls through now.
const WindowsPrintCalls& windowsPrintCalls();

// Puts a table in place of the one in use for its lifetime, then the one
// before back. The table is not copied: it must outlive this object.
class InstalledPrintCalls : public win32::InstalledTable<WindowsPrintCalls> {
public:
    explicit InstalledPrintCalls(const WindowsPrintCalls& calls);
};

}  // namespace winprint
