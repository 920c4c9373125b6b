// One open spooler printer, the name it was opened with and, on request, its
// PRINTER_INFO_2W record (with the default settings it points to).
#pragma once

#include "plat/Strings.h"
#include "plat/WinApi.h"

class PrinterHandle {
public:
    plat::WideChars printerName;           // null when new, empty after close()
    HANDLE handle = INVALID_HANDLE_VALUE;
    plat::HeapArray<BYTE> printerInfo;     // the whole block GetPrinterW level 2 filled

    PrinterHandle() = default;
    ~PrinterHandle();
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;

    // Closes what is open, then opens the named printer; throws
    // plat::SystemException "Unable to open Printer <name>" on failure.
    void open(const char* name, PRINTER_DEFAULTSW* defaults);
    void open(const WCHAR* name, PRINTER_DEFAULTSW* defaults);
    // Releases the handle and the record; safe on a closed object.
    void close();

    // The printer's record, owned by this object and valid until the next
    // call, close() or open(); null when the spooler cannot give it.
    PRINTER_INFO_2W* getPrinterInfo2();

    const WCHAR* name() const { return printerName.get(); }
};
