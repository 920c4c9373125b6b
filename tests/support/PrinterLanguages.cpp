#include "support/PrinterLanguages.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

namespace printed {

namespace {

constexpr char kEsc = '\x1b';
constexpr double kMmPerInch = 25.4;

std::string trimmed(std::string text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    const size_t end = text.find_last_not_of(" \t\r\n");
    return start == std::string::npos ? "" : text.substr(start, end - start + 1);
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string sizeName(double widthMm, double lengthMm) {
    char name[64];
    std::snprintf(name, sizeof name, "%.0fx%.0fmm", widthMm, lengthMm);
    return name;
}

// ------------------------------------------------------------ PCL

// PCL's page size codes (Esc&l#A).
std::string pclPaper(int code) {
    static const std::map<int, std::string> names = {
        {1, "Executive"}, {2, "Letter"}, {3, "Legal"}, {6, "Tabloid"}, {25, "A5"}, {26, "A4"},
        {27, "A3"}, {45, "B5"}, {46, "B4"}, {80, "Monarch"}, {81, "Env10"}, {90, "DL"}, {91, "C5"},
        {100, "ISOB5"}, {101, "Custom"}};
    const auto found = names.find(code);
    return found == names.end() ? "code " + std::to_string(code) : found->second;
}

std::string pclSource(int code) {
    static const std::map<int, std::string> names = {
        {1, "tray-2"}, {2, "manual"}, {3, "manual-envelope"}, {4, "tray-3"}, {5, "tray-4"},
        {6, "envelope"}, {7, "auto"}, {8, "tray-1"}};
    const auto found = names.find(code);
    return found == names.end() ? "source " + std::to_string(code) : found->second;
}

// PJL's own names for what it sets: "@PJL SET PAPER = A4".
struct PjlState {
    std::string paper, sides, source, color;
    int copies = 0;
};

void readPjlLine(const std::string& line, PjlState& state) {
    const std::string text = upper(line);
    if (text.rfind("@PJL SET ", 0) != 0) return;
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return;
    const std::string name = trimmed(text.substr(9, equals - 9));
    const std::string value = trimmed(text.substr(equals + 1));
    const std::string given = trimmed(line.substr(equals + 1));
    if (name == "PAPER") state.paper = given;
    if (name == "COPIES" || name == "QTY") state.copies = std::atoi(value.c_str());
    if (name == "DUPLEX") state.sides = value == "ON" ? (state.sides.empty() ? "long-edge" : state.sides) : "one-sided";
    if (name == "BINDING" && state.sides != "one-sided")
        state.sides = value == "SHORTEDGE" ? "short-edge" : "long-edge";
    if (name == "SOURCETRAY" || name == "MEDIASOURCE") state.source = given;
    if (name == "RENDERMODE") state.color = value == "GRAYSCALE" ? "gray" : "color";
}

class PclReader {
public:
    explicit PclReader(const std::string& bytes) : bytes_(bytes) {}

    Reading read() {
        reading_.language = "PCL";
        while (at_ < bytes_.size()) {
            const char c = bytes_[at_];
            if (c == kEsc) {
                escape();
            } else if (c == '\f') {
                endPage();
                ++at_;
            } else {
                ++at_;
            }
        }
        return reading_;
    }

private:
    void escape() {
        // Universal exit: PJL lines follow until the next escape.
        static const std::string uel = "\x1b%-12345X";
        if (bytes_.compare(at_, uel.size(), uel) == 0) {
            at_ += uel.size();
            pjl();
            return;
        }
        ++at_;
        if (at_ >= bytes_.size()) return;
        const char parameter = bytes_[at_];
        if (parameter < 0x21 || parameter > 0x2f) {
            // A two-character command; a reset ends a page that holds something.
            if (parameter == 'E' && marked_) endPage();
            ++at_;
            return;
        }
        ++at_;
        if (at_ >= bytes_.size()) return;
        const char group = bytes_[at_];
        if (group >= 0x60 && group <= 0x7e) ++at_;
        // Values with their parameter characters; a capital ends the command.
        while (at_ < bytes_.size()) {
            const size_t start = at_;
            while (at_ < bytes_.size() && (std::isdigit(static_cast<unsigned char>(bytes_[at_])) ||
                                           bytes_[at_] == '-' || bytes_[at_] == '+' || bytes_[at_] == '.'))
                ++at_;
            if (at_ >= bytes_.size()) return;
            const long value = std::strtol(bytes_.substr(start, at_ - start).c_str(), nullptr, 10);
            const char letter = bytes_[at_++];
            const char command = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
            apply(parameter, group, command, value);
            if (letter >= 0x40 && letter <= 0x5e) return;
            if (!(letter >= 0x60 && letter <= 0x7e)) return;
        }
    }

    void apply(char parameter, char group, char command, long value) {
        // Data that follows its command, counted in bytes.
        const bool data = (command == 'W' && (parameter == '*' || parameter == '(' || parameter == ')' ||
                                              parameter == '&')) ||
                          (command == 'V' && parameter == '*' && group == 'b') ||
                          (command == 'X' && parameter == '&' && group == 'p');
        if (data) {
            at_ = std::min(bytes_.size(), at_ + static_cast<size_t>(std::max(0L, value)));
            if (parameter == '*' && group == 'b') marked_ = true;
            return;
        }
        // Esc&a#G: the other side of the sheet begins.
        if (parameter == '&' && group == 'a' && command == 'G') {
            if (marked_) endPage();
            return;
        }
        if (parameter != '&' || group != 'l') return;
        switch (command) {
            case 'A': page_.paper = pclPaper(static_cast<int>(value)); break;
            case 'X': page_.copies = static_cast<int>(value); break;
            case 'S': page_.sides = value == 0 ? "one-sided" : value == 1 ? "long-edge" : "short-edge"; break;
            case 'H':
                if (value == 0) {
                    endPage();
                } else {
                    page_.source = pclSource(static_cast<int>(value));
                }
                break;
            default: break;
        }
    }

    void pjl() {
        while (at_ < bytes_.size() && bytes_[at_] != kEsc) {
            const size_t end = bytes_.find_first_of("\n\x1b", at_);
            const std::string line = bytes_.substr(at_, (end == std::string::npos ? bytes_.size() : end) - at_);
            if (!trimmed(line).empty()) {
                reading_.pjl.push_back(trimmed(line));
                readPjlLine(line, pjl_);
            }
            at_ = end == std::string::npos ? bytes_.size() : (bytes_[end] == '\n' ? end + 1 : end);
        }
        if (!pjl_.paper.empty()) page_.paper = pjl_.paper;
        if (pjl_.copies > 0) page_.copies = pjl_.copies;
        if (!pjl_.sides.empty()) page_.sides = pjl_.sides;
        if (!pjl_.source.empty()) page_.source = pjl_.source;
        if (!pjl_.color.empty()) page_.color = pjl_.color;
    }

    // A page ends at a form feed or an eject, at the turn to the sheet's
    // other side and at a reset after something was printed; settings carry
    // on to the next, as the printer keeps them.
    void endPage() {
        reading_.sheets.push_back(page_);
        marked_ = false;
    }

    const std::string& bytes_;
    size_t at_ = 0;
    Reading reading_;
    Sheet page_;
    PjlState pjl_;
    bool marked_ = false;
};

// ------------------------------------------------------------ ZPL

Reading zplLabels(const std::string& bytes, int dotsPerInch) {
    Reading reading;
    reading.language = "ZPL";
    std::map<std::string, std::pair<long, long>> graphics;   // name: bytes in all, bytes a row
    size_t at = 0;
    Sheet label;
    bool inFormat = false, printsGraphic = false;
    std::string recalled;
    auto mm = [dotsPerInch](long dots) { return dotsPerInch > 0 ? dots * kMmPerInch / dotsPerInch : 0.0; };
    while (at < bytes.size()) {
        const char c = bytes[at];
        if ((c != '^' && c != '~') || at + 2 >= bytes.size()) {
            ++at;
            continue;
        }
        const std::string command = upper(bytes.substr(at + 1, 2));
        size_t end = bytes.find_first_of("^~", at + 1);
        if (end == std::string::npos) end = bytes.size();
        const std::string argument = bytes.substr(at + 3, end - at - 3);
        if (command == "DG") {
            // ~DGname,total,per row,data: the data runs to the next command.
            std::istringstream fields(argument);
            std::string name, total, perRow;
            std::getline(fields, name, ',');
            std::getline(fields, total, ',');
            std::getline(fields, perRow, ',');
            graphics[name] = {std::atol(total.c_str()), std::atol(perRow.c_str())};
        } else if (command == "XA") {
            inFormat = true;
            printsGraphic = false;
            label = Sheet{};
        } else if (command == "XG") {
            printsGraphic = true;
            recalled = argument.substr(0, argument.find(','));
        } else if (command == "PQ" && inFormat) {
            label.copies = std::max(1, std::atoi(argument.c_str()));
        } else if (command == "XZ" && inFormat) {
            inFormat = false;
            if (printsGraphic) {
                const auto found = graphics.find(recalled);
                if (found != graphics.end() && found->second.second > 0) {
                    label.widthMm = mm(found->second.second * 8);
                    label.lengthMm = mm(found->second.first / found->second.second);
                    label.paper = sizeName(label.widthMm, label.lengthMm);
                }
                reading.sheets.push_back(label);
            }
        }
        at = end;
    }
    return reading;
}

// ------------------------------------------------------------ PostScript

Reading postScriptPages(const std::string& bytes) {
    Reading reading;
    reading.language = "PostScript";
    std::istringstream lines(bytes);
    Sheet setup;
    std::string line;
    auto feature = [](const std::string& text, const char* name) {
        const std::string prefix = std::string("%%BeginFeature: *") + name + " ";
        return text.rfind(prefix, 0) == 0 ? trimmed(text.substr(prefix.size())) : std::string();
    };
    while (std::getline(lines, line)) {
        if (line.rfind("%%Page:", 0) == 0) {
            reading.sheets.push_back(setup);
        } else if (line.rfind("%%PageBoundingBox:", 0) == 0 && !reading.sheets.empty()) {
            double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            if (std::sscanf(line.c_str() + 18, "%lf %lf %lf %lf", &x0, &y0, &x1, &y1) == 4) {
                Sheet& page = reading.sheets.back();
                page.widthMm = (x1 - x0) * kMmPerInch / 72;
                page.lengthMm = (y1 - y0) * kMmPerInch / 72;
                page.paper = sizeName(page.widthMm, page.lengthMm);
            }
        } else if (line.rfind("%RBINumCopies:", 0) == 0) {
            setup.copies = std::max(1, std::atoi(line.c_str() + 14));
            for (Sheet& page : reading.sheets) page.copies = setup.copies;
        } else if (const std::string duplex = feature(line, "Duplex"); !duplex.empty()) {
            setup.sides = duplex == "DuplexNoTumble" ? "long-edge" : duplex == "DuplexTumble" ? "short-edge" : "one-sided";
        } else if (const std::string slot = feature(line, "InputSlot"); !slot.empty()) {
            setup.source = slot;
        } else if (const std::string model = feature(line, "ColorModel"); !model.empty()) {
            setup.color = model;
        }
    }
    return reading;
}

// ------------------------------------------------------------ CUPS raster

// The pixels of a raster page that carry ink: black where the colour space
// counts ink (K), dark where it counts light (W, RGB).
struct InkBounds {
    long left = -1, right = -1, top = -1, bottom = -1;

    bool found() const { return left >= 0; }

    void take(const std::vector<unsigned char>& line, const cups_page_header2_t& header, unsigned y) {
        const unsigned bits = header.cupsBitsPerPixel;
        const bool countsInk = header.cupsColorSpace == CUPS_CSPACE_K;
        for (unsigned x = 0; x < header.cupsWidth; ++x) {
            bool inked = false;
            if (bits == 1) {
                const bool set = (line[x / 8] >> (7 - x % 8)) & 1;
                inked = countsInk ? set : !set;
            } else if (bits == 8) {
                inked = countsInk ? line[x] > 127 : line[x] < 128;
            } else if (bits == 24) {
                const unsigned luma = (line[x * 3] * 77 + line[x * 3 + 1] * 150 + line[x * 3 + 2] * 29) >> 8;
                inked = luma < 128;
            }
            if (!inked) continue;
            if (left < 0 || static_cast<long>(x) < left) left = x;
            if (static_cast<long>(x) > right) right = x;
            if (top < 0) top = y;
            bottom = y;
        }
    }
};

// ------------------------------------------------------------ P-touch

Reading ptouchLabels(const std::string& bytes, int dotsPerInch) {
    Reading reading;
    reading.language = "P-touch";
    size_t at = 0;
    long lines = 0;
    int widthMm = 0;   // the tape's, as the printer is told it
    while (at < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[at]);
        if (c == 0x1b && at + 1 < bytes.size()) {
            const char command = bytes[at + 1];
            if (command == '@') {
                at += 2;
            } else if (command == 'i' && at + 2 < bytes.size()) {
                const char sub = bytes[at + 2];
                // Esc i z: print information, 10 bytes; Esc i d: margin, 2;
                // Esc i a, M, K, A: 1.
                if (sub == 'z' || sub == 'c') {
                    if (at + 6 <= bytes.size()) widthMm = static_cast<unsigned char>(bytes[at + 5]);
                    at += sub == 'z' ? 13 : 8;
                } else if (sub == 'd') {
                    at += 5;
                } else if (sub == 'S') {
                    at += 3;
                } else {
                    at += 4;
                }
            } else {
                at += 2;
            }
        } else if (c == 'G' || c == 'g') {
            // A raster line: its length in two bytes, then that much data.
            if (at + 3 > bytes.size()) break;
            const size_t length = static_cast<unsigned char>(bytes[at + 1]) |
                                  (c == 'G' ? static_cast<size_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 : 0);
            at += (c == 'G' ? 3 : 2) + length;
            ++lines;
        } else if (c == 'Z') {
            ++lines;
            ++at;
        } else if (c == 'M') {
            at += 2;
        } else if (c == 0x0c || c == 0x1a) {
            Sheet label;
            label.widthMm = widthMm;
            label.lengthMm = dotsPerInch > 0 ? lines * kMmPerInch / dotsPerInch : 0;
            label.paper = sizeName(label.widthMm, label.lengthMm);
            reading.sheets.push_back(label);
            lines = 0;
            ++at;
        } else {
            ++at;
        }
    }
    return reading;
}

}  // namespace

int Reading::sheetsOut() const {
    int count = 0;
    for (const Sheet& sheet : sheets) count += std::max(1, sheet.copies);
    return count;
}

Reading readPcl(const std::string& bytes) { return PclReader(bytes).read(); }
Reading readZpl(const std::string& bytes, int dotsPerInch) { return zplLabels(bytes, dotsPerInch); }
Reading readPostScript(const std::string& bytes) { return postScriptPages(bytes); }
Reading readPtouch(const std::string& bytes, int dotsPerInch) { return ptouchLabels(bytes, dotsPerInch); }

std::optional<Reading> readCupsRaster(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return std::nullopt;
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    if (!raster) {
        close(fd);
        return std::nullopt;
    }
    Reading reading;
    reading.language = "CUPS raster";
    cups_page_header2_t header;
    std::vector<unsigned char> line;
    while (cupsRasterReadHeader2(raster, &header)) {
        Sheet page;
        page.widthMm = header.PageSize[0] * kMmPerInch / 72;
        page.lengthMm = header.PageSize[1] * kMmPerInch / 72;
        page.paper = header.cupsPageSizeName[0] ? header.cupsPageSizeName : sizeName(page.widthMm, page.lengthMm);
        page.copies = std::max(1, static_cast<int>(header.NumCopies));   // PWG raster says 0 for unsaid
        page.sides = !header.Duplex ? "one-sided" : header.Tumble ? "short-edge" : "long-edge";
        page.source = std::to_string(header.MediaPosition);
        page.color = header.cupsNumColors > 1 ? "color" : "gray";
        page.dpi = static_cast<int>(header.HWResolution[0]);
        line.resize(header.cupsBytesPerLine);
        InkBounds ink;
        for (unsigned y = 0; y < header.cupsHeight; ++y) {
            if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) == 0) break;
            ink.take(line, header, y);
        }
        if (ink.found() && header.HWResolution[0] > 0 && header.HWResolution[1] > 0) {
            page.inkLeftMm = ink.left * kMmPerInch / header.HWResolution[0];
            page.inkTopMm = ink.top * kMmPerInch / header.HWResolution[1];
            page.inkWidthMm = (ink.right - ink.left + 1) * kMmPerInch / header.HWResolution[0];
            page.inkLengthMm = (ink.bottom - ink.top + 1) * kMmPerInch / header.HWResolution[1];
        }
        reading.sheets.push_back(page);
    }
    cupsRasterClose(raster);
    close(fd);
    if (reading.sheets.empty()) return std::nullopt;
    return reading;
}

Reading readPrinted(const std::string& bytes, int dotsPerInch) {
    if (bytes.rfind("%!PS", 0) == 0) return readPostScript(bytes);
    if (bytes.find("^XA") != std::string::npos) return readZpl(bytes, dotsPerInch);
    // P-touch jobs (and brlaser's) begin by clearing the printer's buffer
    // with nulls; P-touch then sets up with Esc i.
    const size_t start = bytes.find_first_not_of('\0');
    if (start != std::string::npos && start > 0 && bytes.compare(start, 4, "\x1b@\x1bi") == 0)
        return readPtouch(bytes, dotsPerInch);
    // Epson's ESC/P and DYMO's language begin with resets and hold only
    // raster lines: what they print is read at the driver's input.
    if (bytes.rfind("\x1b@", 0) == 0 || bytes.rfind("\x1b\x1b", 0) == 0) return Reading{"ESC/P", {}, {}};
    return readPcl(bytes);
}

namespace {

// The values of every sheet: one when they agree, else each in turn.
template <typename Value>
std::string listed(const std::vector<Sheet>& sheets, Value value) {
    std::string all, first;
    bool same = true;
    for (const Sheet& sheet : sheets) {
        const std::string text = value(sheet);
        if (all.empty()) first = text;
        same = same && text == first;
        all += (all.empty() ? "" : " ") + text;
    }
    return same ? first : all;
}

}  // namespace

std::string describe(const Reading& reading) {
    std::ostringstream out;
    const auto& sheets = reading.sheets;
    out << reading.language << ": " << sheets.size() << (sheets.size() == 1 ? " page" : " pages");
    if (sheets.empty()) return out.str();
    std::string papers;
    for (const Sheet& sheet : sheets) papers += (papers.empty() ? "" : " ") + (sheet.paper.empty() ? "?" : sheet.paper);
    out << " (" << papers << ")";
    out << ", copies " << listed(sheets, [](const Sheet& s) { return std::to_string(s.copies); });
    const std::string sides = listed(sheets, [](const Sheet& s) { return s.sides; });
    if (!sides.empty()) out << ", " << sides;
    const std::string source = listed(sheets, [](const Sheet& s) { return s.source; });
    if (!source.empty()) out << ", tray " << source;
    return out.str();
}

}  // namespace printed
