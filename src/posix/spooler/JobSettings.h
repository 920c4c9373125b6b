// What a job asks of a printer driver on POSIX: its paper (one of the
// driver's, or a size of its own), the way the sheet lies, the resolution,
// and the job controls a run sets. Each device context and job of a driver
// is made from these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "print/Printer.h"

namespace posix {

// The numbers drivers give the standard papers, as Windows drivers number
// them: the ids a run's log and its dry-run plan show. A paper of no
// standard number gets one above kOwnSizePaper, which itself stands for
// "the size the settings give".
namespace paper_id {
constexpr int16_t Letter = 1, Tabloid = 3, Ledger = 4, Legal = 5, Statement = 6, Executive = 7;
constexpr int16_t A3 = 8, A4 = 9, A5 = 11, B4 = 12, B5 = 13, Folio = 14, Quarto = 15;
constexpr int16_t Env9 = 19, Env10 = 20, Env11 = 21, Env12 = 22, Env14 = 23;
constexpr int16_t EnvDL = 27, EnvC5 = 28, EnvC3 = 29, EnvC4 = 30, EnvC6 = 31, EnvC65 = 32;
constexpr int16_t EnvB4 = 33, EnvB5 = 34, EnvB6 = 35, EnvMonarch = 37;
constexpr int16_t IsoB4 = 42, A2 = 66, A6 = 70, B6Jis = 88;
}  // namespace paper_id
constexpr int16_t kOwnSizePaper = 256;

// The numbers of the trays that have one (as Windows drivers number them);
// any other tray from kFirstNamedTray up.
namespace tray_id {
constexpr int16_t Manual = 4, Envelope = 5, Automatic = 7, LargeCapacity = 11;
}  // namespace tray_id
constexpr int16_t kFirstNamedTray = 256;

enum class Orientation { Portrait, Landscape };

struct JobSettings {
    // The paper: one of the driver's by its id (0 names none) with its
    // name, and a size in tenths of a millimetre (0 where none is given).
    // A size that is no paper of the driver's is a paper of its own.
    int16_t paperId = 0;
    std::u16string paperName;
    int32_t paperWidth = 0, paperLength = 0;
    Orientation orientation = Orientation::Portrait;
    // Dots per inch; 0 takes the driver's.
    int dpiX = 0, dpiY = 0;

    // The controls the run set; unset leaves the printer's own.
    std::optional<int> copies;
    std::optional<bool> collate;
    std::optional<Sides> sides;
    std::optional<int16_t> tray;    // a Tray::id, or tray_id::Automatic
    std::optional<ColourMode> colour;

    int copiesAsked() const { return copies.value_or(1); }
    bool collated() const { return collate.value_or(true); }
    bool twoSided() const { return sides && *sides != Sides::OneSided; }
    bool monochrome() const { return colour == ColourMode::Monochrome; }
};

}  // namespace posix
