#include "win32/printing/DevModeEdits.h"

namespace winprint {

void applyPaper(DEVMODEW& settings, const PrinterPaper& paper) {
    settings.dmPaperSize = static_cast<SHORT>(paper.id);

    // Copied like wcsncpy: up to the field's 32 units, zeros after the name's
    // end; a name of 32 units or more leaves the field unterminated.
    bool ended = false;
    for (int i = 0; i < CCHFORMNAME; ++i) {
        if (!ended && (static_cast<size_t>(i) >= paper.name.size() || paper.name[static_cast<size_t>(i)] == 0))
            ended = true;
        settings.dmFormName[i] = ended ? WCHAR(0) : static_cast<WCHAR>(paper.name[static_cast<size_t>(i)]);
    }
    settings.dmPaperLength = static_cast<SHORT>(paper.size.length);
    settings.dmPaperWidth = static_cast<SHORT>(paper.size.width);
}

void writeControls(DEVMODEW& settings, const JobControls& controls) {
    if (controls.copies) {
        settings.dmCopies = static_cast<SHORT>(*controls.copies);
        settings.dmFields |= DM_COPIES;
    }
    if (controls.collate) {
        settings.dmCollate = *controls.collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        settings.dmFields |= DM_COLLATE;
    }
    if (controls.sides) {
        static const SHORT kDuplex[] = {DMDUP_SIMPLEX, DMDUP_VERTICAL, DMDUP_HORIZONTAL};
        settings.dmDuplex = kDuplex[static_cast<int>(*controls.sides)];
        settings.dmFields |= DM_DUPLEX;
    }
    if (controls.colour) {
        settings.dmColor = *controls.colour == ColourMode::Colour ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
        settings.dmFields |= DM_COLOR;
    }
    if (controls.tray) {
        settings.dmDefaultSource = static_cast<SHORT>(controls.tray->automatic ? DMBIN_AUTO : controls.tray->id);
        settings.dmFields |= DM_DEFAULTSOURCE;
    }
}

void writeOwnSize(DEVMODEW& settings, PaperExtent size) {
    settings.dmPaperSize = DMPAPER_USER;
    settings.dmPaperWidth = static_cast<SHORT>(size.width);
    settings.dmPaperLength = static_cast<SHORT>(size.length);
    settings.dmFormName[0] = 0;
    settings.dmFields |= DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
}

}  // namespace winprint
