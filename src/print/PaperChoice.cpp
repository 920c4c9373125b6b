#include "print/PaperChoice.h"

#include <algorithm>
#include <cctype>

namespace {

bool holds(PaperExtent paper, int32_t width, int32_t length) {
    return paper.width >= width && paper.length >= length;
}

double area(PaperExtent paper) { return static_cast<double>(paper.width) * paper.length; }

// How much of the page's true size the paper leaves, turned or not.
double scaleOn(PaperExtent paper, int32_t width, int32_t length) {
    if (width <= 0 || length <= 0) return 0;
    return std::min(static_cast<double>(paper.width) / width, static_cast<double>(paper.length) / length);
}

std::string folded(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += c == ' ' || c == '_' ? '-' : static_cast<char>(std::tolower(byte));
    }
    return out;
}

}  // namespace

std::optional<PaperPick> smallestPaperFor(const std::vector<PaperExtent>& papers, PaperExtent page) {
    std::optional<PaperPick> best;
    for (size_t i = 0; i < papers.size(); ++i) {
        const PaperExtent paper = papers[i];
        const bool upright = holds(paper, page.width, page.length);
        const bool turned = !upright && holds(paper, page.length, page.width);
        if (!upright && !turned) continue;
        if (!best || area(paper) < area(best->size))
            best = PaperPick{static_cast<int32_t>(i), paper, upright ? 0 : 3, true};
    }
    if (best) return best;
    // None holds it: the least shrinking, upright before turned.
    double bestScale = -1;
    for (size_t i = 0; i < papers.size(); ++i) {
        const double upright = scaleOn(papers[i], page.width, page.length);
        const double turned = scaleOn(papers[i], page.length, page.width);
        const double scale = std::max(upright, turned);
        if (scale > bestScale) {
            bestScale = scale;
            best = PaperPick{static_cast<int32_t>(i), papers[i], upright >= turned ? 0 : 3, false};
        }
    }
    return best;
}

std::optional<PaperPick> ownSizePaperFor(const CustomRange& range, PaperExtent page) {
    if (page.width <= 0 || page.length <= 0) return std::nullopt;
    if (range.holds(page)) return PaperPick{-1, page, 0, true};
    const PaperExtent turned{page.length, page.width};
    if (range.holds(turned)) return PaperPick{-1, turned, 3, true};
    return std::nullopt;
}

PaperRule paperRuleOf(const std::string& value) {
    if (folded(value) == "smallest") return PaperRule::Smallest;
    if (folded(value) == "exact") return PaperRule::Exact;
    return PaperRule::Named;
}

bool samePaperName(const std::string& a, const std::string& b) { return folded(a) == folded(b); }
