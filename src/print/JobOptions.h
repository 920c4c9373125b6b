// The job controls of a run (Copies, Collate, Duplex, Tray, Color, Pages,
// Scaling), read from their parameters and checked, and written into the
// printer settings the job's device context is created with, as a Windows
// program passes them: dmCopies, dmCollate, dmDuplex, dmDefaultSource and
// dmColor with their DM_ flags.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plat/WinApi.h"
#include "print/PageLayout.h"
#include "print/PaperChoice.h"
#include "print/PageSelection.h"

struct JobOptions {
    std::optional<int> copies;
    std::optional<bool> collate;
    std::optional<SHORT> duplex;          // DMDUP_
    std::optional<std::string> tray;      // as given (UTF-8)
    std::optional<SHORT> color;           // DMCOLOR_
    PageSelection pages;
    std::string pagesText;                // as given, for messages
    std::optional<Scaling> scaling;
    std::optional<PaperRule> paper;
    std::string paperName;                // the paper Paper names (PaperRule::Named)
    int waitSeconds = 0;                  // follow the job at the printer this long
    std::optional<std::string> user;          // who signs in where a server asks
    std::optional<std::string> passwordFile;  // where that user's password is

    // The options the parameters set; throws plat::BadParameterValue,
    // naming the parameter, the value and what is accepted, for a value
    // that is none of those accepted.
    static JobOptions fromParameters();

    // Writes the options into the settings, after checking with
    // DeviceCapabilitiesW that the printer offers them; the tray is looked
    // up among the printer's bins by name. Throws plat::BadParameterValue
    // naming the parameter, the value and what the printer offers.
    void applyTo(DEVMODEW& settings, const WCHAR* printerName) const;

    // The scaling of the pages: the Scaling parameter, else -scale.
    Scaling scalingFor(bool scaleFlag) const {
        return scaling ? *scaling : scaleFlag ? Scaling::Stretch : Scaling::Auto;
    }
};

// The printer's bins (DC_BINS, DC_BINNAMES): id and UTF-8 name of each.
struct PrinterBin {
    WORD id;
    std::string name;
};
std::vector<PrinterBin> printerBins(const WCHAR* printerName, const DEVMODEW* settings);
