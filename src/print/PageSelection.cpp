#include "print/PageSelection.h"

#include <cctype>
#include <climits>

namespace {

// Reads a page number (1 and up) at text[at], skipping blanks around it.
bool readNumber(const std::string& text, size_t& at, int& number) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return false;
    long long value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = value * 10 + (text[at++] - '0');
        if (value > INT_MAX) return false;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    if (value < 1) return false;
    number = static_cast<int>(value);
    return true;
}

}  // namespace

bool PageSelection::parse(const std::string& text) {
    std::vector<Range> ranges;
    size_t at = 0;
    for (;;) {
        Range range{0, 0};
        if (!readNumber(text, at, range.first)) return false;
        range.last = range.first;
        if (at < text.size() && text[at] == '-') {
            ++at;
            range.last = 0;
            size_t before = at;
            while (at < text.size() && text[at] == ' ') ++at;
            if (at < text.size() && text[at] != ',') {
                at = before;
                if (!readNumber(text, at, range.last) || range.last < range.first) return false;
            }
        }
        ranges.push_back(range);
        if (at == text.size()) break;
        if (text[at] != ',') return false;
        ++at;
    }
    ranges_ = std::move(ranges);
    return true;
}

bool PageSelection::selects(int index) const {
    if (ranges_.empty()) return true;
    const int number = index + 1;
    for (const Range& range : ranges_) {
        if (number >= range.first && (range.last == 0 || number <= range.last)) return true;
    }
    return false;
}

int PageSelection::count(int pages) const {
    int selected = 0;
    for (int index = 0; index < pages; ++index) selected += selects(index);
    return selected;
}
