#include "win32/unit/support/SpoolerSheets.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "plat/Strings.h"

namespace testsupport {

namespace {

SHORT clampShort(int value) { return static_cast<SHORT>(std::clamp(value, -32768, 32767)); }

// The default paper, or none.
SpoolerPaper defaultPaper(const RecordingSetup& setup) {
    const int index = setup.defaults.paperIndex;
    if (index >= 0 && static_cast<size_t>(index) < setup.papers.size()) return setup.papers[index];
    return {};
}

// Hundredths of a millimetre to device pixels, truncated.
int pixels(int32_t hundredths, int dpi) { return static_cast<int>(int64_t{hundredths} * dpi / 2540); }

}  // namespace

int32_t toTenths(int32_t hundredths) { return hundredths / 10; }

// Copies a name into a field of capacity units, terminated and zero-padded.
void copyName(WCHAR* field, size_t capacity, const std::wstring& name) {
    const size_t units = std::min(name.size(), capacity - 1);
    std::fill_n(field, capacity, L'\0');
    std::copy_n(name.begin(), units, field);
}

std::string describe(const DEVMODEW& settings) {
    std::string text = "paper=" + std::to_string(settings.dmPaperSize) +
                       " width=" + std::to_string(settings.dmPaperWidth) +
                       " length=" + std::to_string(settings.dmPaperLength) +
                       " orientation=" + std::to_string(settings.dmOrientation) +
                       " form=" + formNameOf(settings);
    // The job controls, only where their flags say they are set.
    const auto field = [&](DWORD flag, const char* name, int value) {
        if (settings.dmFields & flag) text += std::string(" ") + name + "=" + std::to_string(value);
    };
    field(DM_COPIES, "copies", settings.dmCopies);
    field(DM_COLLATE, "collate", settings.dmCollate);
    field(DM_DUPLEX, "duplex", settings.dmDuplex);
    field(DM_DEFAULTSOURCE, "source", settings.dmDefaultSource);
    field(DM_COLOR, "color", settings.dmColor);
    return text;
}

const char* capsName(int index) {
    switch (index) {
        case HORZRES: return "HORZRES";
        case VERTRES: return "VERTRES";
        case LOGPIXELSX: return "LOGPIXELSX";
        case LOGPIXELSY: return "LOGPIXELSY";
        case PHYSICALWIDTH: return "PHYSICALWIDTH";
        case PHYSICALHEIGHT: return "PHYSICALHEIGHT";
        case PHYSICALOFFSETX: return "PHYSICALOFFSETX";
        case PHYSICALOFFSETY: return "PHYSICALOFFSETY";
        default: return "?";
    }
}

SpoolerPaper sheetPaperFor(const RecordingSetup& setup, const DEVMODEW& settings) {
    const auto has = [&settings](DWORD flag) { return (settings.dmFields & flag) != 0; };
    SpoolerPaper paper = defaultPaper(setup);
    bool found = false;
    if (has(DM_PAPERSIZE) && settings.dmPaperSize > 0) {
        for (const SpoolerPaper& listed : setup.papers) {
            if (listed.id == settings.dmPaperSize) {
                paper = listed;
                found = true;
                break;
            }
        }
    }
    const bool hasWidth = has(DM_PAPERWIDTH) && settings.dmPaperWidth > 0;
    const bool hasLength = has(DM_PAPERLENGTH) && settings.dmPaperLength > 0;
    if (!found && (hasWidth || hasLength)) {
        const int32_t width = hasWidth ? settings.dmPaperWidth : toTenths(paper.width);
        const int32_t length = hasLength ? settings.dmPaperLength : toTenths(paper.length);
        const auto listed = std::find_if(setup.papers.begin(), setup.papers.end(), [&](const SpoolerPaper& p) {
            return toTenths(p.width) == width && toTenths(p.length) == length;
        });
        if (listed != setup.papers.end()) {
            paper = *listed;
        } else {
            paper.id = DMPAPER_USER;
            paper.name = L"Custom";
            paper.width = width * 10;
            paper.length = length * 10;
            if (paper.marginLeft + paper.marginRight >= paper.width) paper.marginLeft = paper.marginRight = 0;
            if (paper.marginTop + paper.marginBottom >= paper.length) paper.marginTop = paper.marginBottom = 0;
        }
    }
    if (paper.width <= 0 || paper.length <= 0) paper = SpoolerPaper{DMPAPER_A4, L"A4", 21000, 29700, 0, 0, 0, 0};
    return paper;
}

DEVMODEW defaultSettings(const RecordingSetup& setup, const std::wstring& printer) {
    DEVMODEW settings;
    std::memset(&settings, 0, sizeof settings);
    copyName(settings.dmDeviceName, CCHDEVICENAME, printer);
    settings.dmSpecVersion = 0x0401;
    settings.dmSize = sizeof(DEVMODEW);
    settings.dmFields = DM_ORIENTATION | DM_PRINTQUALITY | DM_YRESOLUTION;
    settings.dmOrientation = static_cast<SHORT>(setup.defaults.orientation);
    settings.dmPrintQuality = clampShort(setup.defaults.dpiX);
    settings.dmYResolution = clampShort(setup.defaults.dpiY);
    settings.dmScale = 100;
    settings.dmCopies = 1;
    const int index = setup.defaults.paperIndex;
    if (index >= 0 && static_cast<size_t>(index) < setup.papers.size()) {
        const SpoolerPaper& paper = setup.papers[index];
        settings.dmFields |= DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME;
        settings.dmPaperSize = paper.id;
        settings.dmPaperWidth = clampShort(toTenths(paper.width));
        settings.dmPaperLength = clampShort(toTenths(paper.length));
        copyName(settings.dmFormName, CCHFORMNAME, paper.name);
    }
    return settings;
}

int capsValue(const RecordingSetup& setup, const SpoolerPaper& p, int index) {
    const auto overridden = setup.deviceCapsOverrides.find(index);
    if (overridden != setup.deviceCapsOverrides.end()) return overridden->second;
    const int dpiX = setup.defaults.dpiX;
    const int dpiY = setup.defaults.dpiY;
    switch (index) {
        case HORZRES: return pixels(p.width - p.marginLeft - p.marginRight, dpiX);
        case VERTRES: return pixels(p.length - p.marginTop - p.marginBottom, dpiY);
        case LOGPIXELSX: return dpiX;
        case LOGPIXELSY: return dpiY;
        case PHYSICALWIDTH: return pixels(p.width, dpiX);
        case PHYSICALHEIGHT: return pixels(p.length, dpiY);
        case PHYSICALOFFSETX: return pixels(p.marginLeft, dpiX);
        case PHYSICALOFFSETY: return pixels(p.marginTop, dpiY);
        default: return 0;
    }
}

std::vector<SpoolerPaper> officePapers() {
    return {
        {DMPAPER_A4, L"A4", 21000, 29700, 0, 0, 0, 0},
        {DMPAPER_LETTER, L"Letter", 21590, 27940, 0, 0, 0, 0},
        {DMPAPER_A5, L"A5", 14800, 21000, 0, 0, 0, 0},
        {DMPAPER_A3, L"A3", 29700, 42000, 0, 0, 0, 0},
    };
}

std::string formNameOf(const DEVMODEW& settings) {
    const WCHAR* field = settings.dmFormName;
    const size_t length = std::find(field, field + CCHFORMNAME, L'\0') - field;
    return utf8(std::wstring(field, length));
}

std::string utf8(const std::wstring& text) {
    const plat::NarrowChars narrow(text.c_str(), CP_UTF8, static_cast<int>(text.size()));
    return narrow.get() ? narrow.get() : "";
}

}  // namespace testsupport
