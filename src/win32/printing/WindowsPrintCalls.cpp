#include "win32/printing/WindowsPrintCalls.h"

namespace winprint {

namespace {

// Null: the system's table.
const WindowsPrintCalls* installed = nullptr;

}  // namespace

const WindowsPrintCalls& systemPrintCalls() {
    // Made on first use: the addresses of imported functions are known only
    // once the program is loaded.
    static const WindowsPrintCalls system{
        &OpenPrinterW, &ClosePrinter, &GetPrinterW,   &DeviceCapabilitiesW, &GetJobW,
        &CreateDCW,    &ResetDCW,     &StartDocW,     &StartPage,           &EndPage,
        &EndDoc,       &AbortDoc,     &GetDeviceCaps, &DeleteDC,
    };
    return system;
}

const WindowsPrintCalls& windowsPrintCalls() { return installed ? *installed : systemPrintCalls(); }

InstalledPrintCalls::InstalledPrintCalls(const WindowsPrintCalls& calls) : InstalledTable(installed, calls) {}

}  // namespace winprint
