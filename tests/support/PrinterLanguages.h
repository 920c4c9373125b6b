// What a printer was sent, read back from the bytes in the languages the
// drivers of the print sandbox speak: PCL (with its PJL), ZPL, PostScript,
// the CUPS raster a raster driver is handed, and Brother's P-touch raster.
// Each gives the sheets (or labels) in the order they were sent, with what
// the bytes say of each: its paper, copies, sides and tray.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace printed {

// One sheet (or label) as the bytes describe it. Absent values were not
// said for it.
struct Sheet {
    std::string paper;                 // PCL's or PJL's paper name ("A4"), or a size ("100.0x150.0mm")
    double widthMm = 0, lengthMm = 0;  // the size, where the language gives one
    int copies = 1;                    // how many the printer makes of it
    std::string sides;                 // "one-sided", "long-edge", "short-edge", or empty
    std::string source;                // the tray, in the language's own terms ("tray-2"), or empty
    std::string color;                 // "gray" or "color" where the language says
    int dpi = 0;                       // CUPS raster: its resolution across
    // CUPS raster: where the ink on the page begins (from its top left
    // corner) and how far it reaches across and down.
    double inkLeftMm = 0, inkTopMm = 0, inkWidthMm = 0, inkLengthMm = 0;
};

struct Reading {
    std::string language;              // "PCL", "ZPL", "PostScript", "CUPS raster", "P-touch"
    std::vector<Sheet> sheets;
    std::vector<std::string> pjl;      // the PJL lines, as sent
    // The sheets the printer puts out: each sheet as many times as its copies.
    int sheetsOut() const;
};

// Reads PCL (HP LaserJet and compatible, with or without PJL): a page (a
// side) at each form feed, page eject, turn to the back side or reset after
// raster data.
Reading readPcl(const std::string& bytes);
// Reads ZPL: a label for each format (^XA ... ^XZ) that prints a graphic,
// sized by the graphic it recalls at the resolution given (dots an inch).
Reading readZpl(const std::string& bytes, int dotsPerInch);
// Reads DSC-conforming PostScript: %%Page, %%PageBoundingBox, the copies
// and the features set up (Duplex, InputSlot, ColorModel).
Reading readPostScript(const std::string& bytes);
// Reads CUPS raster (the stream a raster driver gets); nullopt when it is
// none.
std::optional<Reading> readCupsRaster(const std::string& path);
// Reads Brother P-touch raster: a label at each print command, as long
// as its lines.
Reading readPtouch(const std::string& bytes, int dotsPerInch);

// Reads whatever the bytes are, telling the language by their start;
// Epson's and DYMO's raster languages give no sheets.
// Resolution is for the languages that do not carry it (ZPL, P-touch).
Reading readPrinted(const std::string& bytes, int dotsPerInch = 0);

// One line for a person: "PCL: 4 pages (A4 A4 Letter A5), copies 2,
// one-sided, tray tray-2"; a value the pages share is said once.
std::string describe(const Reading& reading);

}  // namespace printed
