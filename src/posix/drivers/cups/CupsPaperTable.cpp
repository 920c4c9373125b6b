#include "posix/drivers/cups/CupsPaperTable.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

#include "posix/winapi/Utf.h"

namespace posix {

namespace {

struct WindowsPaper {
    const char* pwgName;
    int16_t id;
};

// Papers Windows has an id for, by the PWG name of their size. ISO B4 and B5
// share their sizes (and so their ids) with the envelopes of those names;
// Windows' B6 envelope is landscape, so ISO B6 paper gets an id of its own.
constexpr WindowsPaper kWindowsPapers[] = {
    {"na_letter_8.5x11in", paper_id::Letter},
    {"na_ledger_11x17in", paper_id::Tabloid},
    {"na_legal_8.5x14in", paper_id::Legal},
    {"na_invoice_5.5x8.5in", paper_id::Statement},
    {"na_executive_7.25x10.5in", paper_id::Executive},
    {"iso_a3_297x420mm", paper_id::A3},
    {"iso_a4_210x297mm", paper_id::A4},
    {"iso_a5_148x210mm", paper_id::A5},
    {"jis_b4_257x364mm", paper_id::B4},
    {"jis_b5_182x257mm", paper_id::B5},
    {"na_foolscap_8.5x13in", paper_id::Folio},
    {"na_quarto_8.5x10.83in", paper_id::Quarto},
    {"na_number-9_3.875x8.875in", paper_id::Env9},
    {"na_number-10_4.125x9.5in", paper_id::Env10},
    {"na_number-11_4.5x10.375in", paper_id::Env11},
    {"na_number-12_4.75x11in", paper_id::Env12},
    {"na_number-14_5x11.5in", paper_id::Env14},
    {"iso_dl_110x220mm", paper_id::EnvDL},
    {"iso_c5_162x229mm", paper_id::EnvC5},
    {"iso_c3_324x458mm", paper_id::EnvC3},
    {"iso_c4_229x324mm", paper_id::EnvC4},
    {"iso_c6_114x162mm", paper_id::EnvC6},
    {"iso_c6c5_114x229mm", paper_id::EnvC65},
    {"iso_b4_250x353mm", paper_id::EnvB4},
    {"iso_b5_176x250mm", paper_id::EnvB5},
    {"na_monarch_3.875x7.5in", paper_id::EnvMonarch},
    {"iso_a2_420x594mm", paper_id::A2},
    {"iso_a6_105x148mm", paper_id::A6},
    {"jis_b6_128x182mm", paper_id::B6Jis},
};

// Sizes a driver can carry: tenths of a millimetre in 16 bits.
constexpr int32_t kLargestSize = INT16_MAX * 10;
// PPD sizes are whole points; the same paper read from a PPD and from an
// IPP printer differs by up to a third of a millimetre.
constexpr int32_t kSameSizeTolerance = 50;

bool sameSize(int32_t width, int32_t length, const Paper& paper) {
    return std::abs(width - paper.width) <= kSameSizeTolerance &&
           std::abs(length - paper.length) <= kSameSizeTolerance;
}

bool hasMargins(const CupsMedia& entry) {
    return entry.left > 0 || entry.right > 0 || entry.top > 0 || entry.bottom > 0;
}

bool usable(const CupsMedia& entry) {
    if (entry.width <= 0 || entry.length <= 0) return false;
    if (entry.width > kLargestSize || entry.length > kLargestSize) return false;
    if (entry.left < 0 || entry.right < 0 || entry.top < 0 || entry.bottom < 0) return false;
    return entry.left + entry.right < entry.width && entry.top + entry.bottom < entry.length;
}

// A standard paper's true size where the entry gives it rounded (a PPD has
// A5 as 420 x 595 points, 148.17 x 209.9 mm): pages of the true size then
// match it. Sizes further off than the rounding are kept as they are.
void trueSize(const CupsMedia& entry, int32_t& width, int32_t& length) {
    width = entry.width;
    length = entry.length;
    const std::string base = basePwgName(entry.pwgName);
    pwg_media_t* standard = pwgMediaForPWG(base.c_str());
    if (!standard || base.rfind("custom_", 0) == 0) return;
    if (std::abs(standard->width - width) <= kSameSizeTolerance &&
        std::abs(standard->length - length) <= kSameSizeTolerance) {
        width = standard->width;
        length = standard->length;
    }
}

Paper toPaper(const CupsMedia& entry, int16_t id) {
    Paper paper;
    paper.id = id;
    paper.name = paperDisplayName(entry.pwgName);
    trueSize(entry, paper.width, paper.length);
    paper.marginLeft = entry.left;
    paper.marginTop = entry.top;
    paper.marginRight = entry.right;
    paper.marginBottom = entry.bottom;
    return paper;
}

bool idTaken(const std::vector<Paper>& papers, int16_t id) {
    return std::any_of(papers.begin(), papers.end(),
                       [id](const Paper& paper) { return paper.id == id; });
}

// A number with an optional fraction, from pos; false when there is none.
bool skipNumber(const std::string& text, size_t& pos) {
    const size_t start = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    if (pos == start) return false;
    if (pos < text.size() && text[pos] == '.') {
        const size_t fraction = ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
        if (pos == fraction) return false;
    }
    return true;
}

// "210x297mm", "8.5x11in".
bool isSizePart(const std::string& part) {
    size_t pos = 0;
    if (!skipNumber(part, pos) || pos >= part.size() || part[pos] != 'x') return false;
    ++pos;
    if (!skipNumber(part, pos)) return false;
    const std::string units = part.substr(pos);
    return units == "mm" || units == "in";
}

}  // namespace

std::string basePwgName(const std::string& pwgName) {
    // class_name_WxHunit[_variant...]: keep up to the size part, which
    // follows the class and the name ("custom_68.79x95.25mm_68.79x95.25mm"
    // has a name that looks like a size).
    const size_t classEnd = pwgName.find('_');
    if (classEnd == std::string::npos) return pwgName;
    size_t start = pwgName.find('_', classEnd + 1);
    while (start != std::string::npos) {
        const size_t end = pwgName.find('_', start + 1);
        const size_t length = end == std::string::npos ? std::string::npos : end - start - 1;
        if (isSizePart(pwgName.substr(start + 1, length))) return pwgName.substr(0, end);
        start = end;
    }
    return pwgName;
}

int16_t windowsPaperId(const std::string& pwgName) {
    const std::string base = basePwgName(pwgName);
    for (const WindowsPaper& paper : kWindowsPapers) {
        if (base == paper.pwgName) return paper.id;
    }
    return 0;
}

std::u16string paperDisplayName(const std::string& pwgName) {
    const std::string base = basePwgName(pwgName);
    pwg_media_t* media = pwgMediaForPWG(base.c_str());
    if (media && media->ppd && *media->ppd) return toUtf16(media->ppd);
    return toUtf16(base);
}

std::vector<Paper> buildPaperTable(const std::vector<CupsMedia>& media) {
    std::vector<Paper> papers;
    std::vector<bool> keptHasMargins;
    int16_t nextUserId = kOwnSizePaper + 1;
    for (const CupsMedia& entry : media) {
        if (!usable(entry)) continue;
        int32_t width = 0, length = 0;
        trueSize(entry, width, length);
        const int index = findPaperBySize(papers, width, length);
        if (index >= 0) {
            // A variant of a paper already listed: it replaces a borderless
            // one, keeping that one's id and place.
            if (!keptHasMargins[index] && hasMargins(entry)) {
                papers[index] = toPaper(entry, papers[index].id);
                keptHasMargins[index] = true;
            }
            continue;
        }
        int16_t id = windowsPaperId(entry.pwgName);
        if (id == 0 || idTaken(papers, id)) id = nextUserId++;
        papers.push_back(toPaper(entry, id));
        keptHasMargins.push_back(hasMargins(entry));
    }
    return papers;
}

int findPaperBySize(const std::vector<Paper>& papers, int32_t width, int32_t length) {
    for (size_t i = 0; i < papers.size(); ++i) {
        if (sameSize(width, length, papers[i])) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace posix
