// Turns a CUPS destination's media database into the printer's paper table:
// one paper per size, Windows paper ids where Windows has one, readable names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "posix/spooler/PrinterDriver.h"

namespace posix {

// One entry of a destination's media database, as cupsGetDestMediaByIndex
// reports it: sizes and margins in hundredths of a millimetre.
struct CupsMedia {
    std::string pwgName;    // e.g. "iso_a4_210x297mm", "iso_a4_210x297mm_borderless"
    int32_t width = 0;
    int32_t length = 0;
    int32_t left = 0;
    int32_t right = 0;
    int32_t top = 0;
    int32_t bottom = 0;
};

// The media name up to and including its size part, without what CUPS
// appends for variants ("_borderless", a tray or a type).
std::string basePwgName(const std::string& pwgName);

// The DMPAPER_ id of a PWG media name (variants included), 0 when Windows
// has none for it.
int16_t windowsPaperId(const std::string& pwgName);

// The name users know a paper by: the PPD name CUPS uses ("A4", "Letter",
// "Env10"), else the media name itself.
std::u16string paperDisplayName(const std::string& pwgName);

// The paper table, in the database's order. A standard paper has its true
// size even where the entry gives it rounded to points, as PPDs do. Entries
// of the same size (within half a millimetre) are one paper; of its
// variants the first one with margins is kept, since that is how the printer
// prints on plain paper, so the printable area is the one really printed and
// "-scale" keeps everything inside it. Sizes that a driver's 16 bits of tenths
// cannot carry (over 3.2 m) and entries whose margins leave nothing printable are left out.
// Sizes without a standard id get ids from kOwnSizePaper + 1 up; kOwnSizePaper
// itself keeps meaning "the size the settings give".
std::vector<Paper> buildPaperTable(const std::vector<CupsMedia>& media);

// The index of the paper of that size (within half a millimetre), or -1.
int findPaperBySize(const std::vector<Paper>& papers, int32_t width, int32_t length);

}  // namespace posix
