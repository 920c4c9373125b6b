#include "print/JobOptions.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/TextBuffer.h"
#include "print/JobParameters.h"

namespace {

constexpr int kMostCopies = 999;
constexpr int kLongestWait = 24 * 60 * 60;   // seconds

bool isSet(const plat::VoidParameter& parameter) { return parameter.priority < 10; }

std::string valueOf(plat::StringParameter& parameter) {
    plat::HeapArray<char> value(parameter.getValueStr());
    return value.get();
}

[[noreturn]] void refuse(const char* name, const std::string& value, const std::string& why) {
    plat::TextBuffer message;
    message.appendFormat("%s=%s %s", name, value.c_str(), why.c_str());
    throw plat::BadParameterValue(message.data ? message.data : "");
}

// Tray names compare ignoring case, with blanks and dashes alike: "Tray 2"
// names the bin "tray-2".
std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == ' ' || c == '_') c = '-';
    }
    return text;
}

// A whole number from low to high written with digits alone; -1 otherwise.
int wholeNumber(const std::string& value, int low, int high) {
    if (value.empty() || value.size() > 9) return -1;
    int number = 0;
    for (char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        number = number * 10 + (c - '0');
    }
    return number >= low && number <= high ? number : -1;
}

// The tray the name picks among the printer's, or auto; refused naming
// what the printer has.
TrayChoice trayNamed(Printer& printer, const std::string& tray) {
    if (lowered(tray) == "auto") return TrayChoice{};
    const std::vector<PrinterTray> trays = printer.trays();
    std::string offered;
    bool listsAuto = false;
    std::optional<TrayChoice> found;
    for (const PrinterTray& candidate : trays) {
        if (lowered(candidate.name) == lowered(tray)) found = TrayChoice{false, candidate.id};
        listsAuto = listsAuto || lowered(candidate.name) == "auto";
        offered += (offered.empty() ? "" : ", ") + candidate.name;
    }
    if (!listsAuto) offered += trays.empty() ? "auto" : ", auto";
    if (!found)
        refuse("Tray", tray,
               trays.empty() ? "is not offered by the printer: it has no trays, only auto"
                             : "is not offered by the printer: it has " + offered);
    return *found;
}

}  // namespace

JobOptions JobOptions::fromParameters() {
    JobOptions options;
    if (isSet(copiesParameter)) {
        const std::string value = valueOf(copiesParameter);
        const int copies = wholeNumber(value, 1, kMostCopies);
        if (copies < 0) refuse("Copies", value, "is not accepted: use a number from 1 to 999");
        options.copies = copies;
    }
    if (isSet(collateParameter)) options.collate = collateParameter.choice() == 0;
    if (isSet(duplexParameter)) {
        static const Sides sides[] = {Sides::OneSided, Sides::LongEdge, Sides::ShortEdge};
        options.duplex = sides[duplexParameter.choice()];
    }
    if (isSet(trayParameter)) {
        const std::string value = valueOf(trayParameter);
        if (value.empty()) refuse("Tray", value, "is not accepted: use a tray the printer names, or auto");
        options.tray = value;
    }
    if (isSet(colorParameter))
        options.color = colorParameter.choice() == 0 ? ColourMode::Colour : ColourMode::Monochrome;
    if (isSet(pagesParameter)) {
        options.pagesText = valueOf(pagesParameter);
        if (!options.pages.parse(options.pagesText))
            refuse("Pages", options.pagesText,
                   "is not accepted: use page numbers and ranges from 1, such as 1-3,7,10-");
    }
    if (isSet(waitParameter)) {
        const std::string value = valueOf(waitParameter);
        options.waitSeconds = wholeNumber(value, 0, kLongestWait);
        if (options.waitSeconds < 0)
            refuse("Wait", value, "is not accepted: use whole seconds from 0 to 86400");
    }
    if (isSet(userParameter)) {
        const std::string value = valueOf(userParameter);
        const bool printable = std::all_of(value.begin(), value.end(), [](char c) {
            return c != ':' && static_cast<unsigned char>(c) >= 0x20 && c != 0x7f;
        });
        if (value.empty() || !printable)
            refuse("User", value, "is not accepted: use a user name (without colons or control characters)");
        options.user = value;
    }
    if (isSet(passwordFileParameter)) {
        const std::string value = valueOf(passwordFileParameter);
        if (value.empty()) refuse("PasswordFile", value, "is not accepted: name the file that holds the password");
        options.passwordFile = value;
    }
    if (isSet(paperParameter)) {
        const std::string value = valueOf(paperParameter);
        if (value.empty())
            refuse("Paper", value, "is not accepted: use smallest, exact or a paper the printer names");
        options.paper = paperRuleOf(value);
        if (*options.paper == PaperRule::Named) options.paperName = value;
    }
    if (isSet(scalingParameter)) {
        static const Scaling modes[] = {Scaling::Auto, Scaling::Fit, Scaling::None, Scaling::Stretch};
        options.scaling = modes[scalingParameter.choice()];
    }
    return options;
}

void JobOptions::applyTo(Printer& printer) const {
    JobControls controls;
    if (copies) {
        const int most = printer.mostCopies();
        if (most > 0 && *copies > most)
            refuse("Copies", std::to_string(*copies),
                   "is not offered by the printer: it makes at most " + std::to_string(most) + " copies");
        controls.copies = *copies;
    }
    // Copies are collated unless asked otherwise.
    if (collate || copies) controls.collate = collate.value_or(true);
    if (duplex) {
        if (*duplex != Sides::OneSided && !printer.printsTwoSided())
            refuse("Duplex", *duplex == Sides::LongEdge ? "long" : "short",
                   "is not offered by the printer: it prints one-sided only");
        controls.sides = *duplex;
    }
    if (color) {
        if (*color == ColourMode::Colour && !printer.printsColour())
            refuse("Color", "color", "is not offered by the printer: it prints in monochrome only");
        controls.colour = *color;
    }
    if (tray) controls.tray = trayNamed(printer, *tray);
    printer.applyControls(controls);
}
