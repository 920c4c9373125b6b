// The job controls of a run (Copies, Collate, Duplex, Tray, Color, Pages,
// Scaling), read from their parameters, checked against what the printer
// offers and handed to it as the job's controls.
#pragma once

#include <optional>
#include <string>

#include "print/PageLayout.h"
#include "print/PaperChoice.h"
#include "print/Printer.h"
#include "print/PageSelection.h"

struct JobOptions {
    std::optional<int> copies;
    std::optional<bool> collate;
    std::optional<Sides> duplex;
    std::optional<std::string> tray;      // as given (UTF-8)
    std::optional<ColourMode> color;
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

    // Hands the options to the printer's settings, after checking that the
    // printer offers them; the tray is looked up among its trays by name.
    // Throws plat::BadParameterValue naming the parameter, the value and
    // what the printer offers.
    void applyTo(Printer& printer) const;

    // The scaling of the pages: the Scaling parameter, else -scale.
    Scaling scalingFor(bool scaleFlag) const {
        return scaling ? *scaling : scaleFlag ? Scaling::Stretch : Scaling::Auto;
    }
};
