// Where a page that matches none of the printer's papers goes when the
// Paper parameter asks for more than the paper before it: the smallest
// paper that holds the page at its true size (upright before turned), else
// the one that shrinks it least; or, where the printer takes sizes of its
// own, a paper of exactly the page's size. Geometry alone, in tenths of a
// millimetre, as the printer counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Paper=: unset leaves a page that matches no paper on the paper before it.
enum class PaperRule {
    Smallest,   // the smallest paper that holds it
    Exact,      // a paper of its own size where the printer takes one, else as Smallest
    Named,      // every page on the one paper named
};

struct PaperExtent {
    int32_t width = 0;    // across, tenths of a millimetre
    int32_t length = 0;   // down
};

// The sizes a printer takes besides its papers (DC_MINEXTENT, DC_MAXEXTENT).
struct CustomRange {
    PaperExtent smallest;
    PaperExtent largest;
    // A range a printer can mean: sizes above nothing, the largest no
    // smaller than the smallest.
    bool usable() const {
        return smallest.width > 0 && smallest.length > 0 && largest.width >= smallest.width &&
               largest.length >= smallest.length;
    }
    bool holds(PaperExtent size) const {
        return size.width >= smallest.width && size.width <= largest.width && size.length >= smallest.length &&
               size.length <= largest.length;
    }
};

struct PaperPick {
    int32_t index = -1;       // the paper's place in the list; -1 for a size of the page's own
    PaperExtent size;         // the paper, upright
    int32_t rotation = 0;     // 0, or 3 for the page turned a quarter on it
    bool trueSize = true;     // the page fits at its true size
};

// The smallest paper (by area; the first of equal ones) that holds the page
// at its true size, upright, or turned where it holds it only turned;
// where none does, the one that shrinks it least. Nothing for no papers.
std::optional<PaperPick> smallestPaperFor(const std::vector<PaperExtent>& papers, PaperExtent page);

// A paper of the page's own size the range allows: upright, else turned
// (a page wider than the widest the printer takes, as a receipt lying on
// its side). Nothing when neither is in the range.
std::optional<PaperPick> ownSizePaperFor(const CustomRange& range, PaperExtent page);

// The rule a Paper value names: smallest and exact ignoring case, anything
// else a paper's name.
PaperRule paperRuleOf(const std::string& value);

// Paper names compare ignoring case, with blanks, dashes and underscores alike.
bool samePaperName(const std::string& a, const std::string& b);
