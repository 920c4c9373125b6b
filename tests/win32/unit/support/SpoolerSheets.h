// What the recording spooler works out from a printer's setup and a job's
// settings: the default settings, the sheet that settings describe, what
// GetDeviceCaps says of it, and the texts of its events.
#pragma once

#include <cstdint>
#include <string>

#include "win32/unit/support/RecordingSpooler.h"

namespace testsupport {

// Hundredths of a millimetre to the tenths that DEVMODEW and
// DeviceCapabilitiesW carry, truncated.
int32_t toTenths(int32_t hundredths);

// Copies a name into a field of capacity units, terminated and zero-padded.
void copyName(WCHAR* field, size_t capacity, const std::wstring& name);

// Settings as the events show them: "paper=9 width=2100 length=2970
// orientation=1 form=A4", then each job control its flag sets.
std::string describe(const DEVMODEW& settings);
// A GetDeviceCaps index by its name, "PHYSICALOFFSETX".
const char* capsName(int index);

// The paper the settings describe, as a driver finds it: by dmPaperSize
// when it names a listed paper, else by the size in tenths (a listed paper
// of that size, or one of its own with the default paper's margins); A4
// without margins when that leaves no sheet.
SpoolerPaper sheetPaperFor(const RecordingSetup& setup, const DEVMODEW& settings);
// The printer's default settings: its default paper, orientation and
// resolution.
DEVMODEW defaultSettings(const RecordingSetup& setup, const std::wstring& printer);
// What GetDeviceCaps gives for a sheet of that paper.
int capsValue(const RecordingSetup& setup, const SpoolerPaper& paper, int index);

}  // namespace testsupport
