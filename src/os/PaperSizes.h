// The papers a printer's driver offers: id, name and size of each, in the
// driver's order, loaded once per print run.
#pragma once

#include <cstdint>
#include <vector>

#include "print/Printer.h"

// A paper name as a driver gives it: at most 64 UTF-16 units.
constexpr int kPaperNameLength = 64;

class PaperSizeTable {
public:
    PaperSizeTable() = default;
    PaperSizeTable(const PaperSizeTable&) = delete;
    PaperSizeTable& operator=(const PaperSizeTable&) = delete;

    // Replaces the contents with the printer's papers, as its default
    // settings offer them. A printer that reports none, or fails to report,
    // leaves the table empty.
    void load(Printer& printer);
    void clear() { papers_.clear(); }

    int32_t count() const { return static_cast<int32_t>(papers_.size()); }
    // Each requires 0 <= index < count() and throws plat::AssertionFail otherwise.
    const PaperExtent* size(int32_t index) const;
    const std::u16string& name(int32_t index) const;
    uint16_t id(int32_t index) const;
    const PrinterPaper& paper(int32_t index) const;

private:
    std::vector<PrinterPaper> papers_;
};
