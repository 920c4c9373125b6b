// What the job's settings say, written into a DEVMODEW as a Windows program
// passes them: the paper, a size of the printer's own, and the controls
// with their DM_ flags.
#pragma once

#include "plat/WinApi.h"
#include "print/Printer.h"

namespace winprint {

// Writes the paper into the settings: id, form name (cut to 32 units),
// width and length. Orientation and dmFields stay as they are.
void applyPaper(DEVMODEW& settings, const PrinterPaper& paper);
// A size of the printer's own, as Windows programs ask for one.
void writeOwnSize(DEVMODEW& settings, PaperExtent size);
// Each control set, with its DM_ flag; those unset stay as they are.
void writeControls(DEVMODEW& settings, const JobControls& controls);

}  // namespace winprint
