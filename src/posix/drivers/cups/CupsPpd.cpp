#include "posix/drivers/cups/CupsPpd.h"

// The PPD interface is the only way CUPS offers to a driver's job control
// language and manual copies; it is deprecated, not gone.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <cups/ppd.h>
#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>

#include "posix/drivers/cups/CupsJobSettings.h"
#include "posix/winapi/Utf.h"
#include "print/Units.h"

namespace posix {

namespace {

constexpr const char* kLaidOutPdf = "application/vnd.cups-pdf";

// A PPD string with its <hex> runs turned into the bytes they stand for.
std::string decodeHex(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p != '<') {
            out += *p;
            continue;
        }
        const char* end = std::strchr(p, '>');
        if (!end) {
            out += p;
            break;
        }
        for (const char* h = p + 1; h + 1 < end; h += 2) {
            if (!std::isxdigit(static_cast<unsigned char>(h[0])) || !std::isxdigit(static_cast<unsigned char>(h[1])))
                break;
            out += static_cast<char>(std::strtol(std::string(h, 2).c_str(), nullptr, 16));
        }
        p = end;
    }
    return out;
}

// The words of a filter line: "type cost program" (cupsFilter) or
// "source destination cost program" (cupsFilter2).
std::vector<std::string> words(const char* line) {
    std::vector<std::string> out;
    std::istringstream split(line ? line : "");
    for (std::string word; split >> word;) out.push_back(word);
    return out;
}

// The keyword the scheduler makes of a PPD choice name: "ManualFeed" is
// "manual-feed", "Tray2" is "tray-2".
std::string keywordOf(const std::string& choice) {
    std::string keyword;
    for (size_t i = 0; i < choice.size(); ++i) {
        const auto c = static_cast<unsigned char>(choice[i]);
        const auto before = i > 0 ? static_cast<unsigned char>(choice[i - 1]) : 0;
        const bool newWord = i > 0 && ((std::isupper(c) && std::islower(before)) ||
                                       (std::isdigit(c) && std::isalpha(before)) ||
                                       (std::isalpha(c) && std::isdigit(before)));
        if (newWord) keyword += '-';
        keyword += static_cast<char>(c == '_' ? '-' : std::tolower(c));
    }
    return keyword;
}

bool sameNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool containsNoCase(const char* text, const char* part) { return strcasestr(text, part) != nullptr; }

bool isJcl(const ppd_option_t* option) { return option && option->section == PPD_ORDER_JCL; }

// The driver's two-sided option: Duplex for most, JCLDuplex for some.
ppd_option_t* twoSidedOption(ppd_file_t* ppd) {
    for (const char* name : {"Duplex", "JCLDuplex"})
        if (ppd_option_t* option = ppdFindOption(ppd, name)) return option;
    return nullptr;
}

bool isMonochromeChoice(const ppd_choice_t& choice) {
    for (const char* name : {"Gray", "Grayscale", "Grey", "Greyscale", "Mono", "Monochrome", "Black",
                             "BlackWhite", "BW", "KGray"})
        if (sameNoCase(choice.choice, name)) return true;
    for (const char* text : {"gray", "grey", "black and white", "black & white", "monochrome"})
        if (containsNoCase(choice.text, text)) return true;
    return false;
}

bool isColorChoice(const ppd_choice_t& choice) {
    if (isMonochromeChoice(choice)) return false;
    for (const char* name : {"Color", "Colour", "RGB", "RGBA", "CMYK", "CMY", "KCMY"})
        if (sameNoCase(choice.choice, name)) return true;
    return containsNoCase(choice.text, "color") || containsNoCase(choice.text, "colour");
}

// What the FILE the PPD functions write to collects.
class TextStream {
public:
    TextStream() : file_(open_memstream(&data_, &size_)) {}
    ~TextStream() {
        if (file_) std::fclose(file_);
        std::free(data_);
    }
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    FILE* file() { return file_; }
    std::string text() {
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
        }
        return data_ ? std::string(data_, size_) : std::string();
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    FILE* file_;
};

}  // namespace

std::unique_ptr<CupsPpd> CupsPpd::fetch(http_t* http, const std::string& queue, std::string& why) {
    char path[1024] = "";
    time_t modified = 0;
    const http_status_t status = cupsGetPPD3(http, queue.c_str(), &modified, path, sizeof path);
    if (status != HTTP_STATUS_OK) {
        if (path[0]) unlink(path);
        // Not found is a queue without a driver; anything else hides one.
        if (status != HTTP_STATUS_NOT_FOUND) why = std::string("the scheduler gave ") + httpStatus(status);
        return nullptr;
    }
    std::unique_ptr<CupsPpd> ppd = open(path);
    unlink(path);
    if (!ppd) why = "it could not be read";
    return ppd;
}

std::unique_ptr<CupsPpd> CupsPpd::open(const std::string& path) {
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    if (!ppd) return nullptr;
    return std::unique_ptr<CupsPpd>(new CupsPpd(ppd));
}

CupsPpd::CupsPpd(ppd_file_t* ppd) : ppd_(ppd) {
    // The frame of a PDF ends in the switch to the PDF interpreter, where
    // a PostScript job's ends in the switch to PostScript.
    std::free(ppd_->jcl_ps);
    ppd_->jcl_ps = nullptr;
    if (ppd_attr_t* pdf = ppdFindAttr(ppd_, "JCLToPDFInterpreter", nullptr); pdf && pdf->value)
        ppd_->jcl_ps = strdup(decodeHex(pdf->value).c_str());
}

CupsPpd::~CupsPpd() { ppdClose(ppd_); }

bool CupsPpd::manualCopies() const { return ppd_->manual_copies != 0; }

bool CupsPpd::passesPdfThrough() const {
    for (int i = 0; i < ppd_->num_filters; ++i) {
        const std::vector<std::string> filter = words(ppd_->filters[i]);
        if (filter.size() >= 3 && filter[0] == kLaidOutPdf && filter[2] == "-") return true;
    }
    for (ppd_attr_t* attr = ppdFindAttr(ppd_, "cupsFilter2", nullptr); attr;
         attr = ppdFindNextAttr(ppd_, "cupsFilter2", nullptr)) {
        const std::vector<std::string> filter = words(attr->value);
        if (filter.size() >= 4 && filter[0] == kLaidOutPdf && filter[3] == "-") return true;
    }
    return false;
}

namespace {

// A driver's filters: the type each takes and its program.
std::vector<std::pair<std::string, std::string>> filtersOf(ppd_file_t* ppd) {
    std::vector<std::pair<std::string, std::string>> filters;
    for (int i = 0; i < ppd->num_filters; ++i) {
        const std::vector<std::string> filter = words(ppd->filters[i]);
        if (filter.size() >= 3) filters.emplace_back(filter[0], filter[2]);
    }
    for (ppd_attr_t* attr = ppdFindAttr(ppd, "cupsFilter2", nullptr); attr;
         attr = ppdFindNextAttr(ppd, "cupsFilter2", nullptr)) {
        const std::vector<std::string> filter = words(attr->value);
        if (filter.size() >= 4) filters.emplace_back(filter[0], filter[3]);
    }
    return filters;
}

bool isPdfType(const std::string& type) { return type == kLaidOutPdf || type == "application/pdf"; }

// The drivers known to take the paper of a whole job from its PageSize
// and none from the pages.
constexpr const char* kOnePaperDrivers[] = {"hpcups", "rastertogutenprint", "foomatic-rip"};

// Hundredths of a millimetre in points, and back.
constexpr double kHundredthsPerPoint = kHundredthsPerInch / kPointsPerInch;

}  // namespace

DriverChain CupsPpd::chain() const {
    if (passesPdfThrough()) return DriverChain::PdfAsItIs;
    const auto filters = filtersOf(ppd_);
    for (const auto& [type, program] : filters)
        if (isPdfType(type) && program != "-") return DriverChain::Pdf;
    // A raster driver, or a printer that takes raster (IPP Everywhere).
    for (const auto& [type, program] : filters)
        if (type == "application/vnd.cups-raster" || type == "image/pwg-raster" || type == "image/urf")
            return DriverChain::Raster;
    return DriverChain::PostScript;
}

std::string CupsPpd::driverProgram() const {
    const DriverChain way = chain();
    for (const auto& [type, program] : filtersOf(ppd_)) {
        if (program == "-") continue;
        if ((way == DriverChain::Pdf && isPdfType(type)) ||
            (way == DriverChain::Raster && type == "application/vnd.cups-raster") || way == DriverChain::PostScript)
            return program.substr(program.find_last_of('/') + 1);
    }
    return "";
}

bool CupsPpd::takesOnePaperPerJob() const {
    const std::string program = driverProgram();
    for (const char* driver : kOnePaperDrivers)
        if (program.rfind(driver, 0) == 0) return true;
    return false;
}

std::string CupsPpd::pageSizeFor(int32_t width, int32_t length) const {
    constexpr double kTolerance = 50;   // half a millimetre: PPD sizes are whole points
    for (int i = 0; i < ppd_->num_sizes; ++i) {
        const ppd_size_t& size = ppd_->sizes[i];
        if (std::strncmp(size.name, "Custom", 6) == 0) continue;
        if (std::abs(size.width * kHundredthsPerPoint - width) <= kTolerance &&
            std::abs(size.length * kHundredthsPerPoint - length) <= kTolerance)
            return size.name;
    }
    if (!ppd_->variable_sizes) return "";
    char custom[64];
    std::snprintf(custom, sizeof custom, "Custom.%.2fx%.2fmm", width / 100.0, length / 100.0);
    return custom;
}

bool CupsPpd::framesPdf() const { return ppd_->jcl_begin != nullptr && ppd_->jcl_ps != nullptr; }

bool CupsPpd::framesTwoSided() const {
    const ppd_option_t* option = twoSidedOption(ppd_);
    if (!framesPdf() || !isJcl(option)) return false;
    for (int i = 0; i < option->num_choices; ++i)
        if (!sameNoCase(option->choices[i].choice, "None") && !sameNoCase(option->choices[i].choice, "Off"))
            return true;
    return false;
}

std::string CupsPpd::inputSlotFor(const std::string& keyword, const std::u16string& shownName) const {
    const ppd_option_t* option = ppdFindOption(ppd_, "InputSlot");
    if (!option) return "";
    const std::string shown = toUtf8(shownName);
    const std::string guessed = ppdChoiceName(keyword);
    for (int i = 0; i < option->num_choices; ++i) {
        const ppd_choice_t& choice = option->choices[i];
        if (sameNoCase(guessed, choice.choice) || keywordOf(choice.choice) == keyword || shown == choice.text)
            return choice.choice;
    }
    return "";
}

std::vector<std::string> CupsPpd::inputSlots() const {
    std::vector<std::string> slots;
    if (const ppd_option_t* option = ppdFindOption(ppd_, "InputSlot"))
        for (int i = 0; i < option->num_choices; ++i) slots.emplace_back(option->choices[i].choice);
    return slots;
}

bool CupsPpd::framesInputSlot(const std::string& choice) const {
    return framesPdf() && !choice.empty() && isJcl(ppdFindOption(ppd_, "InputSlot"));
}

std::string CupsPpd::colorModelFor(bool monochrome) const {
    const ppd_option_t* option = ppdFindOption(ppd_, "ColorModel");
    for (int i = 0; option && i < option->num_choices; ++i) {
        const ppd_choice_t& choice = option->choices[i];
        if (monochrome ? isMonochromeChoice(choice) : isColorChoice(choice)) return choice.choice;
    }
    return "";
}

bool CupsPpd::framesColorModel(const std::string& choice) const {
    return framesPdf() && !choice.empty() && isJcl(ppdFindOption(ppd_, "ColorModel"));
}

std::string CupsPpd::frameStart(const cups_dest_t* dest, const DriverChoices& choices, int jobId,
                                const std::string& user, const std::string& title) {
    if (!framesPdf()) return "";
    ppdMarkDefaults(ppd_);
    if (dest) cupsMarkOptions(ppd_, dest->num_options, dest->options);
    if (!choices.sides.empty()) {
        cups_option_t sides{const_cast<char*>("sides"), const_cast<char*>(choices.sides.c_str())};
        cupsMarkOptions(ppd_, 1, &sides);
    }
    if (!choices.inputSlot.empty()) ppdMarkOption(ppd_, "InputSlot", choices.inputSlot.c_str());
    if (!choices.colorModel.empty()) ppdMarkOption(ppd_, "ColorModel", choices.colorModel.c_str());
    TextStream frame;
    if (!frame.file()) throw std::bad_alloc();
    ppdEmitJCL(ppd_, frame.file(), jobId, user.c_str(), title.c_str());
    return frame.text();
}

std::string CupsPpd::frameEnd() {
    if (!framesPdf()) return "";
    TextStream frame;
    if (!frame.file()) throw std::bad_alloc();
    ppdEmitJCLEnd(ppd_, frame.file());
    return frame.text();
}

}  // namespace posix
