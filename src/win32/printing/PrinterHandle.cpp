#include "win32/printing/PrinterHandle.h"

#include <cstdio>
#include <string>
#include <utility>

#include "plat/Exception.h"
#include "print/PrintLogs.h"
#include "win32/printing/WindowsPrintCalls.h"

namespace {

// A heap copy of a UTF-16 text; a null text gives an empty one.
plat::WideChars copyWide(const WCHAR* text) {
    const size_t length = text ? plat::wideLength(text) : 0;
    plat::WideChars copy(static_cast<int>(length + 1));
    if (length > 0) std::char_traits<WCHAR>::copy(copy.chars, text, length);
    copy.chars[length] = 0;
    return copy;
}

}  // namespace

PrinterHandle::~PrinterHandle() { close(); }

void PrinterHandle::open(const char* name, PRINTER_DEFAULTSW* defaults) {
    const plat::WideChars wideName(name);
    open(wideName.get(), defaults);
}

void PrinterHandle::open(const WCHAR* name, PRINTER_DEFAULTSW* defaults) {
    // Copied before closing: the name may be the one this object holds.
    plat::WideChars copy = copyWide(name);
    close();
    printerName = std::move(copy);
    if (winprint::windowsPrintCalls().openPrinter(printerName.chars, &handle, defaults) == 0) {
        // Taken before anything else can overwrite it.
        const DWORD code = GetLastError();
        handle = INVALID_HANDLE_VALUE;
        const plat::NarrowChars narrowName(printerName.get());
        char text[plat::kExceptionMessageSize];
        snprintf(text, sizeof text, "Unable to open Printer %s", narrowName.get());
        throw plat::SystemException(text, code);
    }
}

void PrinterHandle::close() {
    if (handle != INVALID_HANDLE_VALUE) winprint::windowsPrintCalls().closePrinter(handle);
    printerInfo.reset();
    handle = INVALID_HANDLE_VALUE;
    printerName = copyWide(nullptr);
}

PRINTER_INFO_2W* PrinterHandle::getPrinterInfo2() {
    printerInfo.reset();

    const auto getPrinter = winprint::windowsPrintCalls().getPrinter;
    DWORD needed = 0;
    getPrinter(handle, 2, nullptr, 0, &needed);
    if (needed == 0) return nullptr;

    printerInfo.reset(new BYTE[needed]);
    if (getPrinter(handle, 2, printerInfo.get(), needed, &needed) != 0)
        return reinterpret_cast<PRINTER_INFO_2W*>(printerInfo.get());

    const plat::SystemException failure("Unable to get PrinterInfo2", GetLastError());
    printerLog.error("%s", failure.message);
    return nullptr;
}
