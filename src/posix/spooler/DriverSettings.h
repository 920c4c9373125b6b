// The printer settings a driver reports as its defaults, shared by
// GetPrinterW (the DEVMODEW of PRINTER_INFO_2W) and CreateDCW without
// settings.
#pragma once

#include "posix/spooler/PrinterDriver.h"

namespace posix {

// The DEVMODEW for the driver's default paper, orientation and resolution.
DEVMODEW defaultSettings(const PrinterDriver& driver);

// Copies a name into a fixed field of capacity units, always terminated
// and zero-padded; a cut never splits a surrogate pair.
void copyName(WCHAR* field, size_t capacity, const std::u16string& name);

// Whether the settings carry a field (a DM_ flag of dmFields).
inline bool hasField(const DEVMODEW& settings, DWORD field) { return (settings.dmFields & field) != 0; }

// The copies a job's document holds itself: on a driver whose spooler
// cannot make them (a file, a driver that wants manual copies), as many as
// the settings ask, collated unless they say otherwise; one everywhere else.
// Printed on both sides, each copy starts on a sheet of its own.
// On a driver told the copies in the document, told holds them instead;
// a document that cannot tell them (canTell false) holds them itself.
struct DocumentCopies {
    int copies = 1;
    bool collated = true;
    bool twoSided = false;
    int told = 1;
};
DocumentCopies documentCopies(const PrinterDriver& driver, const DEVMODEW& settings, bool canTell);

// Hundredths of a millimetre to the tenths that DEVMODEW and
// DeviceCapabilitiesW carry, truncated.
inline int32_t toTenths(int32_t hundredths) { return hundredths / 10; }

}  // namespace posix
