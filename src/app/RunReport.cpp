#include "app/RunReport.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "app/JobSettings.h"
#include "plat/Exception.h"
#include "plat/WinApi.h"

namespace {

// Appends text as a JSON string. Bytes that are not UTF-8 (a file name
// on a POSIX system need not be) become U+FFFD, so the document stays
// JSON whatever the names hold.
void appendString(std::string& out, const std::string& text) {
    out += '"';
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t at = 0; at < size;) {
        const unsigned char c = bytes[at];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++at;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++at;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++at;
        } else {
            // The length a lead byte announces, and the smallest value each
            // length may carry (no overlong forms, no surrogates).
            const size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
            uint32_t value = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
            bool valid = length > 0 && at + length <= size;
            for (size_t i = 1; valid && i < length; ++i) {
                valid = (bytes[at + i] & 0xC0) == 0x80;
                value = (value << 6) | (bytes[at + i] & 0x3F);
            }
            if (valid && length == 3) valid = value >= 0x800 && (value < 0xD800 || value > 0xDFFF);
            if (valid && length == 4) valid = value >= 0x10000 && value <= 0x10FFFF;
            if (valid) {
                out.append(text, at, length);
                at += length;
            } else {
                out += "\xEF\xBF\xBD";
                ++at;
            }
        }
    }
    out += '"';
}

void appendStringOrNull(std::string& out, const char* text) {
    if (text) {
        appendString(out, text);
    } else {
        out += "null";
    }
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

const char* jobState(const RunReport& report) {
    if (!report.results.jobFinished) return "cancelled";
    if (!report.followed) return "submitted";
    switch (report.results.jobEnd) {
        case JobEnd::Printed: return "printed";
        case JobEnd::NotPrinted: return "not-printed";
        case JobEnd::StillQueued: return "still-queued";
    }
    return "submitted";
}

void appendJob(std::string& out, const RunReport& report) {
    if (!report.results.jobMade) {
        out += "null";
        return;
    }
    out += "{\"id\":" + std::to_string(report.results.jobId) + ",\"state\":\"" + jobState(report) + "\",\"reasons\":[";
    const std::optional<JobLook>& last = report.results.lastLook;
    if (last) {
        bool first = true;
        for (const std::string& state : lookStates(*last)) {
            if (!first) out += ',';
            first = false;
            appendString(out, state);
        }
    }
    out += "],\"message\":";
    if (last && !last->text.empty()) {
        appendString(out, last->text);
    } else {
        out += "null";
    }
    out += '}';
}

void appendPage(std::string& out, const PageRecord& page) {
    out += "{\"page\":" + std::to_string(page.number) + ",\"paper\":";
    appendStringOrNull(out, page.paper.empty() ? nullptr : page.paper.c_str());
    out += std::string(",\"turned\":") + (page.turned ? "true" : "false") + ",\"scale\":";
    // A page skipped before it was laid out has no scale.
    if (page.scaleAcross > 0 || page.scaleDown > 0) {
        out += "{\"across\":" + number(page.scaleAcross) + ",\"down\":" + number(page.scaleDown) + "}";
    } else {
        out += "null";
    }
    out += std::string(",\"way\":\"") + page.way + "\"";
    if (std::strcmp(page.way, "placed") != 0) {
        out += ",\"reason\":";
        appendStringOrNull(out, page.reason.empty() ? nullptr : page.reason.c_str());
    }
    out += '}';
}

}  // namespace

const char* meaningOf(int result) {
    static const char* const kMeanings[] = {"printed",            "failed",      "bad-request",
                                            "printed-with-skips", "not-printed", "still-queued"};
    return result >= 0 && result < static_cast<int>(std::size(kMeanings)) ? kMeanings[result] : "failed";
}

std::string reportJson(const RunReport& report) {
    std::string out = "{\"version\":" + std::to_string(kReportVersion) + ",\"result\":" +
                      std::to_string(report.result) + ",\"meaning\":\"" + meaningOf(report.result) +
                      "\",\"document\":";
    appendStringOrNull(out, report.document);
    out += ",\"printer\":";
    appendStringOrNull(out, report.printer);
    out += ",\"title\":";
    appendStringOrNull(out, report.title);
    out += ",\"job\":";
    appendJob(out, report);
    out += ",\"pages\":[";
    for (size_t i = 0; i < report.results.pages.size(); ++i) {
        if (i > 0) out += ',';
        appendPage(out, report.results.pages[i]);
    }
    out += "],\"messages\":[";
    for (size_t i = 0; i < report.messages.size(); ++i) {
        if (i > 0) out += ',';
        out += "{\"writer\":";
        appendString(out, report.messages[i].first);
        out += ",\"text\":";
        appendString(out, report.messages[i].second);
        out += '}';
    }
    out += "]}";
    return out;
}

ErrorLineCollector::ErrorLineCollector(std::vector<std::pair<std::string, std::string>>& into) {
    plat::observeErrorLines(&ErrorLineCollector::collect, &into);
}

ErrorLineCollector::~ErrorLineCollector() { plat::observeErrorLines(nullptr, nullptr); }

void ErrorLineCollector::collect(void* context, const char* writerName, const char* text) {
    auto& lines = *static_cast<std::vector<std::pair<std::string, std::string>>*>(context);
    lines.emplace_back(writerName ? writerName : "", text ? text : "");
}

void deliverReport(const char* where, const std::string& json) {
    if (where == nullptr || *where == '\0') return;
    if (std::strcmp(where, "-") == 0) {
        std::fputs((json + "\n").c_str(), stdout);
        std::fflush(stdout);
        return;
    }
    const std::string text = json + "\n";
    const DWORD error = replaceOwnFile(where, text.data(), text.size());
    if (error != 0) {
        const std::string what = std::string("Unable to write the report to ") + where;
        mainLog.error("%s", plat::SystemException(what.c_str(), error).message);
    }
}
