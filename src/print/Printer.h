// The printing seam: what the print job needs of a printer and of the
// document it prints there, in the job's own units. Each platform has one
// implementation (the Windows spooler and GDI; CUPS and the file: printer
// on POSIX), and the tests a recording one.
//
// Sizes a printer reports are in tenths of a millimetre, as its driver
// counts; what a document's sheet measures is in its device units (pixels
// at its resolution), where the job lays each page out.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "print/JobLook.h"
#include "print/PaperChoice.h"
#include "print/StepOutcome.h"

class PdfDocument;
class PdfPage;

// One paper the printer offers: the driver's number for it, its name as
// the driver gives it (at most 64 UTF-16 units) and its size, upright.
struct PrinterPaper {
    uint16_t id = 0;
    std::u16string name;
    PaperExtent size;
};

// A tray name as a driver gives it: at most 24 UTF-16 units.
constexpr int kTrayNameLength = 24;

// One input tray: the driver's number for it and its name (UTF-8).
struct PrinterTray {
    uint16_t id = 0;
    std::string name;
};

enum class Sides { OneSided, LongEdge, ShortEdge };
enum class ColourMode { Colour, Monochrome };

// The tray a job takes its paper from: the printer's choice, or one it names.
struct TrayChoice {
    bool automatic = true;
    uint16_t id = 0;
};

// The job controls a run sets; each one unset leaves the printer's own.
struct JobControls {
    std::optional<int> copies;
    std::optional<bool> collate;
    std::optional<Sides> sides;
    std::optional<TrayChoice> tray;
    std::optional<ColourMode> colour;
};

// What the sheet in progress measures, in device units.
enum class SheetMetric {
    DotsPerInchAcross,
    DotsPerInchDown,
    PaperWidth,
    PaperHeight,
    MarginLeft,    // from the paper's edge to the printable area
    MarginTop,
    PrintableWidth,
    PrintableHeight,
};

// Where a page goes on its sheet: the rectangle it fills (device units,
// from the top-left corner of the printable area), and whether it is
// turned a quarter counter-clockwise, its top to the left.
struct PagePlacement {
    int32_t startX = 0, startY = 0, sizeX = 0, sizeY = 0;
    bool turned = false;

    // At least a pixel across and down: a page smaller prints as nothing.
    bool coversAPixel() const { return sizeX > 0 && sizeY > 0; }
};

// Why a page whose placement covers no pixel is not put on its sheet.
inline std::string smallerThanAPixel(int pageIndex) {
    return "Page " + std::to_string(pageIndex) +
           " could not be printed: it is smaller than a pixel at the printer's resolution";
}

// The document being printed: a spooler job and its sheets. Created for
// the paper the printer's settings hold; one that is begun and not
// finished is cancelled when it goes, so that a failed run leaves no
// partial job.
class PrintDocument {
public:
    virtual ~PrintDocument() = default;

    // Takes the printer's settings as they are now (its paper) for the
    // sheets that follow.
    virtual void takeSettings() = 0;
    // Sets the sheet up for the paper alone, for measuring it; the job's
    // settings stay as they are until takeSettings.
    virtual void probePaper(const PrinterPaper& paper) = 0;
    virtual int32_t measure(SheetMetric metric) = 0;

    // Starts the job under the title (UTF-8): its number at the printer.
    virtual StepOutcome begin(const char* title, uint32_t& jobId) = 0;
    virtual StepOutcome beginSheet() = 0;
    // Puts the page on the sheet in progress, as a viewer prints it (with
    // its printable annotations).
    virtual StepOutcome putPage(PdfPage& page, const PagePlacement& placement) = 0;
    virtual StepOutcome endSheet() = 0;
    // Hands the job over; a failure cancels it.
    virtual StepOutcome finish() = 0;
};

// An open printer, with the settings of the job about to be made.
class Printer {
public:
    virtual ~Printer() = default;

    virtual std::string name() const = 0;   // UTF-8, as opened
    // The papers in the driver's order; none when it reports none. Throws
    // plat::Exception when they change while they are read.
    virtual std::vector<PrinterPaper> papers() = 0;

    // Reads the printer's default settings, which the job then edits.
    // Throws plat::Exception when the printer gives none.
    virtual void loadSettings() = 0;
    // The paper the settings hold (0 where they name none).
    virtual PaperExtent settingsPaper() const = 0;

    // What it offers, as its driver says for the settings.
    virtual int mostCopies() = 0;                  // <= 0: not said
    virtual bool printsTwoSided() = 0;
    virtual bool printsColour() = 0;
    virtual std::vector<PrinterTray> trays() = 0;
    virtual std::optional<CustomRange> customSizes() = 0;

    // Edit the settings: the controls, every sheet portrait, a paper of
    // its list or a size of its own.
    virtual void applyControls(const JobControls& controls) = 0;
    virtual void makePortrait() = 0;
    virtual void selectPaper(const PrinterPaper& paper) = 0;
    virtual void selectSize(PaperExtent size) = 0;

    // A document set up from the settings, for printing the PDF; a failure
    // names the step.
    virtual std::unique_ptr<PrintDocument> createDocument(PdfDocument& pdf, StepOutcome& outcome) = 0;

    // A look at a job it took; last is the look before, kept where the
    // printer cannot be asked.
    virtual JobLook lookAtJob(uint32_t jobId, const JobLook& last) = 0;
};
