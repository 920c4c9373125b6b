// The papers a printer's driver offers: id, name and size of each, in the
// driver's order, loaded once per print run.
#pragma once

#include <cstdint>

#include "plat/Strings.h"
#include "plat/WinApi.h"

// A paper name as DC_PAPERNAMES returns it: 64 UTF-16 units, NUL-padded.
constexpr int kPaperNameLength = 64;
struct PaperName {
    WCHAR text[kPaperNameLength];
};

class PaperSizeTable {
public:
    int32_t num = 0;                      // number of papers; 0 when empty
    plat::HeapArray<WORD> ids;            // DMPAPER_ values
    plat::HeapArray<PaperName> names;
    plat::HeapArray<POINT> sizes;         // x = width, y = length, tenths of a mm

    PaperSizeTable() = default;
    ~PaperSizeTable() { clear(); }
    PaperSizeTable(const PaperSizeTable&) = delete;
    PaperSizeTable& operator=(const PaperSizeTable&) = delete;

    // Replaces the contents with the papers of the named printer, asked with
    // the printer's default settings. A printer that reports none, or fails
    // to report, leaves the table empty.
    void load(const WCHAR* printerName);
    void clear();

    int32_t count() const { return num; }
    // Each requires 0 <= index < count() and throws plat::AssertionFail otherwise.
    const POINT* size(int32_t index) const;
    const WCHAR* name(int32_t index) const;      // 64 units, not always terminated
    WORD id(int32_t index) const;

    // Writes paper index into the settings: id, form name (cut to 32 units),
    // width and length. Orientation and dmFields stay as they are.
    void applyTo(DEVMODEW& settings, int32_t index) const;
};
