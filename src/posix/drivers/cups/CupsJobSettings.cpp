#include "posix/drivers/cups/CupsJobSettings.h"

#include <cctype>

#include "posix/winapi/Utf.h"

namespace posix {

namespace {

bool supports(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, const char* option, const char* value) {
    return cupsCheckDestSupported(http, dest, info, option, value) != 0;
}

// The standard ids of the trays that have one; any other from kFirstNamedTray up.
int16_t binId(const std::string& keyword, int16_t& nextUserId) {
    if (keyword == "auto") return tray_id::Automatic;
    if (keyword == "manual") return tray_id::Manual;
    if (keyword == "envelope") return tray_id::Envelope;
    if (keyword == "large-capacity") return tray_id::LargeCapacity;
    return nextUserId++;
}

}  // namespace

std::string ppdChoiceName(const std::string& keyword) {
    std::string name;
    bool upper = true;
    for (char c : keyword) {
        if (c == '-' || c == '_' || c == ' ') {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return name;
}

CupsCapabilities cupsCapabilities(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    CupsCapabilities capabilities;
    int16_t nextUserId = kFirstNamedTray;
    if (ipp_attribute_t* sources = cupsFindDestSupported(http, dest, info, "media-source")) {
        for (int i = 0; i < ippGetCount(sources); ++i) {
            const char* keyword = ippGetString(sources, i, nullptr);
            if (!keyword || !*keyword) continue;
            const char* shown = cupsLocalizeDestValue(http, dest, info, "media-source", keyword);
            Tray tray;
            tray.keyword = keyword;
            tray.id = binId(tray.keyword, nextUserId);
            tray.name = toUtf16(shown && *shown ? shown : keyword);
            capabilities.trays.push_back(std::move(tray));
        }
    }
    capabilities.duplex = supports(http, dest, info, "sides", "two-sided-long-edge") ||
                          supports(http, dest, info, "sides", "two-sided-short-edge");
    capabilities.color = supports(http, dest, info, "print-color-mode", "color");
    if (ipp_attribute_t* copies = cupsFindDestSupported(http, dest, info, "copies")) {
        int upper = 1;
        if (ippGetValueTag(copies) == IPP_TAG_RANGE) {
            ippGetRange(copies, 0, &upper);
        } else if (ippGetValueTag(copies) == IPP_TAG_INTEGER) {
            upper = ippGetInteger(copies, 0);
        }
        capabilities.maxCopies = upper > 0 ? upper : 1;
    }
    return capabilities;
}

std::vector<std::pair<std::string, std::string>> cupsJobOptions(const JobSettings& settings,
                                                                 const std::vector<Tray>& trays,
                                                                 bool toPrinter) {
    std::vector<std::pair<std::string, std::string>> options;
    if (settings.copies && *settings.copies > 0) options.emplace_back("copies", std::to_string(*settings.copies));
    if (settings.collate) {
        const bool collate = *settings.collate;
        options.emplace_back("multiple-document-handling",
                             collate ? "separate-documents-collated-copies"
                                     : "separate-documents-uncollated-copies");
        if (!toPrinter) options.emplace_back("Collate", collate ? "True" : "False");
    }
    if (settings.sides) {
        const char* sides = *settings.sides == Sides::LongEdge    ? "two-sided-long-edge"
                            : *settings.sides == Sides::ShortEdge ? "two-sided-short-edge"
                                                                  : "one-sided";
        options.emplace_back("sides", sides);
    }
    if (settings.tray) {
        for (const Tray& tray : trays) {
            if (tray.id != *settings.tray) continue;
            if (toPrinter) {
                options.emplace_back("media-col", "{media-source=" + tray.keyword + "}");
            } else {
                options.emplace_back("media-source", tray.keyword);
                options.emplace_back("InputSlot", ppdChoiceName(tray.keyword));
            }
            break;
        }
    }
    if (settings.colour) options.emplace_back("print-color-mode", settings.monochrome() ? "monochrome" : "color");
    return options;
}

}  // namespace posix
