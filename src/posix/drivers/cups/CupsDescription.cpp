#include "posix/drivers/cups/CupsDescription.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "posix/drivers/cups/CupsPaperTable.h"

namespace posix {

namespace {

constexpr int kDefaultDpi = 600;

// An option set on the destination itself (lpoptions, an instance), or null.
const char* destOption(const cups_dest_t* dest, const char* name) {
    return cupsGetOption(name, dest->num_options, dest->options);
}

std::vector<CupsMedia> mediaDatabase(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    std::vector<CupsMedia> media;
    const int count = cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size;
        if (!cupsGetDestMediaByIndex(http, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT,
                                     &size))
            continue;
        media.push_back({size.media, size.width, size.length, size.left, size.right, size.top,
                         size.bottom});
    }
    return media;
}

// The index of the paper a media name ("iso_a4_210x297mm", "A4", a list
// such as "A4,tray-1") names, or -1.
int paperNamedBy(const std::vector<Paper>& papers, http_t* http, cups_dest_t* dest, cups_dinfo_t* info,
                 const char* media) {
    if (!media || !*media) return -1;
    std::string list = media;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, end - start);
        cups_size_t size;
        if (!name.empty() && cupsGetDestMediaByName(http, dest, info, name.c_str(),
                                                    CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
            const int index = findPaperBySize(papers, size.width, size.length);
            if (index >= 0) return index;
        }
        start = end + 1;
    }
    return -1;
}

// The destination's default paper: its own "media" option, the printer's
// media-default, media-col-default, then what CUPS picks. cupsGetDestMediaDefault
// alone is not enough: it answers US Letter for a queue whose printer says A4.
int defaultPaperIndex(const std::vector<Paper>& papers, http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    int index = paperNamedBy(papers, http, dest, info, destOption(dest, "media"));
    if (index >= 0) return index;

    if (ipp_attribute_t* media = cupsFindDestDefault(http, dest, info, "media");
        media && ippGetValueTag(media) == IPP_TAG_KEYWORD) {
        index = paperNamedBy(papers, http, dest, info, ippGetString(media, 0, nullptr));
        if (index >= 0) return index;
    }
    if (ipp_attribute_t* col = cupsFindDestDefault(http, dest, info, "media-col");
        col && ippGetValueTag(col) == IPP_TAG_BEGIN_COLLECTION) {
        ipp_t* members = ippGetCollection(col, 0);
        ipp_attribute_t* size = ippFindAttribute(members, "media-size", IPP_TAG_BEGIN_COLLECTION);
        if (ipp_t* dimensions = size ? ippGetCollection(size, 0) : nullptr) {
            ipp_attribute_t* x = ippFindAttribute(dimensions, "x-dimension", IPP_TAG_INTEGER);
            ipp_attribute_t* y = ippFindAttribute(dimensions, "y-dimension", IPP_TAG_INTEGER);
            if (x && y) {
                index = findPaperBySize(papers, ippGetInteger(x, 0), ippGetInteger(y, 0));
                if (index >= 0) return index;
            }
        }
    }
    cups_size_t size;
    if (cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        index = findPaperBySize(papers, size.width, size.length);
        if (index >= 0) return index;
    }
    return papers.empty() ? -1 : 0;
}

bool isLandscape(int orientationRequested) {
    return orientationRequested == IPP_ORIENT_LANDSCAPE ||
           orientationRequested == IPP_ORIENT_REVERSE_LANDSCAPE;
}

Orientation defaultOrientation(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    if (const char* value = destOption(dest, "orientation-requested"))
        return isLandscape(std::atoi(value)) ? Orientation::Landscape : Orientation::Portrait;
    if (const char* value = destOption(dest, "landscape")) {
        const bool off = !strcasecmp(value, "no") || !strcasecmp(value, "off") ||
                         !strcasecmp(value, "false");
        return off ? Orientation::Portrait : Orientation::Landscape;
    }
    ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info,
                                                "orientation-requested");
    if (attr && ippGetValueTag(attr) == IPP_TAG_ENUM && isLandscape(ippGetInteger(attr, 0)))
        return Orientation::Landscape;
    return Orientation::Portrait;
}

int toDpi(int value, ipp_res_t units) {
    return units == IPP_RES_PER_CM ? static_cast<int>(value * 2.54 + 0.5) : value;
}

// "300dpi", "300x600dpi", "118dpcm".
bool parseResolution(const char* text, int& dpiX, int& dpiY) {
    int x = 0, y = 0, used = 0;
    if (std::sscanf(text, "%dx%d%n", &x, &y, &used) != 2) {
        if (std::sscanf(text, "%d%n", &x, &used) != 1) return false;
        y = x;
    }
    const char* units = text + used;
    const ipp_res_t kind = !strcasecmp(units, "dpcm") ? IPP_RES_PER_CM : IPP_RES_PER_INCH;
    if ((kind == IPP_RES_PER_INCH && strcasecmp(units, "dpi") != 0) || x <= 0 || y <= 0)
        return false;
    dpiX = toDpi(x, kind);
    dpiY = toDpi(y, kind);
    return true;
}

void defaultResolution(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, int& dpiX, int& dpiY) {
    dpiX = dpiY = kDefaultDpi;
    if (const char* value = destOption(dest, "printer-resolution"); value &&
        parseResolution(value, dpiX, dpiY))
        return;
    ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info,
                                                "printer-resolution");
    if (attr && ippGetValueTag(attr) == IPP_TAG_RESOLUTION) {
        ipp_res_t units;
        int y = 0;
        const int x = ippGetResolution(attr, 0, &y, &units);
        if (x > 0 && y > 0) {
            dpiX = toDpi(x, units);
            dpiY = toDpi(y, units);
        }
    }
}

bool takesIppAttributes(const char* deviceUri) {
    const std::string uri = deviceUri ? deviceUri : "";
    for (const char* scheme : {"ipp:", "ipps:", "http:", "https:", "dnssd:", "implicitclass:"})
        if (uri.rfind(scheme, 0) == 0) return true;
    return false;
}

// Widens the sizes to take in a range of widths and one of lengths.
void takeIn(std::optional<CustomSizes>& sizes, int32_t minWidth, int32_t maxWidth, int32_t minLength,
            int32_t maxLength) {
    if (minWidth <= 0 || minLength <= 0 || maxWidth < minWidth || maxLength < minLength) return;
    if (!sizes) {
        sizes = CustomSizes{minWidth, minLength, maxWidth, maxLength};
        return;
    }
    sizes->minWidth = std::min(sizes->minWidth, minWidth);
    sizes->minLength = std::min(sizes->minLength, minLength);
    sizes->maxWidth = std::max(sizes->maxWidth, maxWidth);
    sizes->maxLength = std::max(sizes->maxLength, maxLength);
}

// A dimension of media-size-supported: a range, or null for a single size.
bool rangeOf(ipp_t* size, const char* name, int& lower, int& upper) {
    ipp_attribute_t* dimension = ippFindAttribute(size, name, IPP_TAG_ZERO);
    if (!dimension || ippGetValueTag(dimension) != IPP_TAG_RANGE) return false;
    lower = ippGetRange(dimension, 0, &upper);
    return true;
}

// A media source that is a roll ("main-roll"), or roll media it names.
bool printsFromRoll(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    for (const char* option : {"media-source", "media"}) {
        ipp_attribute_t* values = cupsFindDestSupported(http, dest, info, option);
        for (int i = 0; values && i < ippGetCount(values); ++i) {
            const char* value = ippGetString(values, i, nullptr);
            if (!value) continue;
            const std::string text = value;
            if (option[5] == '-' ? text.find("roll") != std::string::npos : text.rfind("roll_", 0) == 0) return true;
        }
    }
    return false;
}

}  // namespace

std::optional<CustomSizes> customSizesOf(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    std::optional<CustomSizes> sizes;
    if (ipp_attribute_t* supported = cupsFindDestSupported(http, dest, info, "media-size")) {
        for (int i = 0; i < ippGetCount(supported); ++i) {
            ipp_t* size = ippGetCollection(supported, i);
            int minWidth = 0, maxWidth = 0, minLength = 0, maxLength = 0;
            if (size && rangeOf(size, "x-dimension", minWidth, maxWidth) &&
                rangeOf(size, "y-dimension", minLength, maxLength))
                takeIn(sizes, minWidth, maxWidth, minLength, maxLength);
        }
    }
    // The smallest and largest custom or roll media, named as PWG names them.
    if (ipp_attribute_t* media = cupsFindDestSupported(http, dest, info, "media")) {
        for (const char* kind : {"custom", "roll"}) {
            pwg_media_t least{}, most{};
            bool hasLeast = false, hasMost = false;
            for (int i = 0; i < ippGetCount(media); ++i) {
                const std::string name = ippGetString(media, i, nullptr) ? ippGetString(media, i, nullptr) : "";
                pwg_media_t* size = pwgMediaForPWG(name.c_str());
                if (!size) continue;
                if (name.rfind(std::string(kind) + "_min_", 0) == 0) {
                    least = *size;
                    hasLeast = true;
                } else if (name.rfind(std::string(kind) + "_max_", 0) == 0) {
                    most = *size;
                    hasMost = true;
                }
            }
            if (hasLeast && hasMost) takeIn(sizes, least.width, most.width, least.length, most.length);
        }
    }
    return sizes;
}

std::string withoutCredentials(const char* uri) {
    std::string text = uri ? uri : "";
    const size_t scheme = text.find("://");
    if (scheme == std::string::npos) return text;
    const size_t hostStart = scheme + 3;
    const size_t at = text.find('@', hostStart);
    const size_t slash = text.find('/', hostStart);
    if (at != std::string::npos && (slash == std::string::npos || at < slash))
        text.erase(hostStart, at + 1 - hostStart);
    return text;
}

CupsDescription describeDestination(const CupsDestination& destination) {
    http_t* http = destination.session();
    cups_dest_t* dest = destination.dest.get();
    cups_dinfo_t* info = destination.info.get();
    CupsDescription description;
    description.papers = buildPaperTable(mediaDatabase(http, dest, info));
    description.customSizes = customSizesOf(http, dest, info);
    description.rollMedia = printsFromRoll(http, dest, info);
    description.capabilities = cupsCapabilities(http, dest, info);
    description.defaults.paperIndex = defaultPaperIndex(description.papers, http, dest, info);
    description.defaults.orientation = defaultOrientation(http, dest, info);
    defaultResolution(http, dest, info, description.defaults.dpiX, description.defaults.dpiY);
    description.deviceTakesIpp = takesIppAttributes(destOption(dest, "device-uri"));
    description.portName = withoutCredentials(destOption(dest, "device-uri"));
    if (description.portName.empty())
        description.portName = withoutCredentials(destOption(dest, "printer-uri-supported"));
    return description;
}

}  // namespace posix
