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
constexpr int kBinNameLength = 24;   // WCHARs per name of DC_BINNAMES

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

}  // namespace

std::vector<PrinterBin> printerBins(const WCHAR* printerName, const DEVMODEW* settings) {
    std::vector<PrinterBin> bins;
    const int count = DeviceCapabilitiesW(printerName, nullptr, DC_BINS, nullptr, settings);
    if (count <= 0) return bins;
    std::vector<WORD> ids(static_cast<size_t>(count));
    std::vector<WCHAR> names(static_cast<size_t>(count) * kBinNameLength);
    // The lists must be the ones counted; anything else is no list at all.
    if (DeviceCapabilitiesW(printerName, nullptr, DC_BINS, reinterpret_cast<LPWSTR>(ids.data()),
                            settings) != count ||
        DeviceCapabilitiesW(printerName, nullptr, DC_BINNAMES, names.data(), settings) != count)
        return bins;
    for (int i = 0; i < count; ++i) {
        const WCHAR* name = &names[static_cast<size_t>(i) * kBinNameLength];
        int length = 0;
        while (length < kBinNameLength && name[length] != 0) ++length;
        plat::NarrowChars text(name, CP_UTF8, length);
        bins.push_back({ids[static_cast<size_t>(i)], text.get() ? text.get() : ""});
    }
    return bins;
}

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
        static const SHORT sides[] = {DMDUP_SIMPLEX, DMDUP_VERTICAL, DMDUP_HORIZONTAL};
        options.duplex = sides[duplexParameter.choice()];
    }
    if (isSet(trayParameter)) {
        const std::string value = valueOf(trayParameter);
        if (value.empty()) refuse("Tray", value, "is not accepted: use a tray the printer names, or auto");
        options.tray = value;
    }
    if (isSet(colorParameter))
        options.color = colorParameter.choice() == 0 ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
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

void JobOptions::applyTo(DEVMODEW& settings, const WCHAR* printerName) const {
    if (copies) {
        const int most = DeviceCapabilitiesW(printerName, nullptr, DC_COPIES, nullptr, &settings);
        if (most > 0 && *copies > most)
            refuse("Copies", std::to_string(*copies),
                   "is not offered by the printer: it makes at most " + std::to_string(most) + " copies");
        settings.dmCopies = static_cast<SHORT>(*copies);
        settings.dmFields |= DM_COPIES;
    }
    // Copies are collated unless asked otherwise.
    if (collate || copies) {
        settings.dmCollate = collate.value_or(true) ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
        settings.dmFields |= DM_COLLATE;
    }
    if (duplex) {
        if (*duplex != DMDUP_SIMPLEX &&
            DeviceCapabilitiesW(printerName, nullptr, DC_DUPLEX, nullptr, &settings) != 1)
            refuse("Duplex", *duplex == DMDUP_VERTICAL ? "long" : "short",
                   "is not offered by the printer: it prints one-sided only");
        settings.dmDuplex = *duplex;
        settings.dmFields |= DM_DUPLEX;
    }
    if (color) {
        if (*color == DMCOLOR_COLOR &&
            DeviceCapabilitiesW(printerName, nullptr, DC_COLORDEVICE, nullptr, &settings) == 0)
            refuse("Color", "color", "is not offered by the printer: it prints in monochrome only");
        settings.dmColor = *color;
        settings.dmFields |= DM_COLOR;
    }
    if (tray) {
        WORD bin = DMBIN_AUTO;
        if (lowered(*tray) != "auto") {
            const std::vector<PrinterBin> bins = printerBins(printerName, &settings);
            bool found = false;
            std::string offered;
            bool listsAuto = false;
            for (const PrinterBin& candidate : bins) {
                if (lowered(candidate.name) == lowered(*tray)) {
                    bin = candidate.id;
                    found = true;
                }
                listsAuto = listsAuto || lowered(candidate.name) == "auto";
                offered += (offered.empty() ? "" : ", ") + candidate.name;
            }
            if (!listsAuto) offered += bins.empty() ? "auto" : ", auto";
            if (!found)
                refuse("Tray", *tray,
                       bins.empty() ? "is not offered by the printer: it has no trays, only auto"
                                    : "is not offered by the printer: it has " + offered);
        }
        settings.dmDefaultSource = static_cast<SHORT>(bin);
        settings.dmFields |= DM_DEFAULTSOURCE;
    }
}
