#include "posix/assembly/SourcePage.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/Pl_QPDFTokenizer.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <vector>

namespace posix::assembly {

namespace {

std::optional<Box> boxOf(QPDFObjectHandle array) {
    if (!array.isRectangle()) return std::nullopt;
    const QPDFObjectHandle::Rectangle r = array.getArrayAsRectangle();
    const Box box = Box::fromCorners(r.llx, r.lly, r.urx, r.ury);
    if (!(box.width() > 0 && box.height() > 0)) return std::nullopt;
    return box;
}

// Passes data on until there is more of it than the limit, then fails the
// piping (qpdf reports that as data it could not decode).
class LimitedPipeline : public Pipeline {
public:
    LimitedPipeline(Pipeline* next, size_t limit) : Pipeline("limited", next), limit_(limit) {}
    void write(unsigned char const* data, size_t length) override {
        if (length > limit_ - passed_) {
            exceeded = true;
            throw std::length_error("the stream inflates beyond its limit");
        }
        passed_ += length;
        getNext()->write(data, length);
    }
    void finish() override { getNext()->finish(); }

    bool exceeded = false;

private:
    size_t limit_;
    size_t passed_ = 0;
};

// The longest row a predictor may work on, in bytes: wider than any real
// image's.
constexpr long long kLongestPredictorRow = 4 << 20;

// Keeps the bytes a QPDF reads from for as long as the QPDF lives.
struct MemoryPdf {
    std::string bytes;
    QPDF pdf;
};

// Predictor parameters of the stream's filters that poppler would take:
// qpdf takes any and sets up rows of Colors x Columns samples, gigabytes
// for a few bytes of a hostile stream.
bool sanePredictors(QPDFObjectHandle dictionary) {
    QPDFObjectHandle parameters = dictionary.getKey("/DecodeParms");
    std::vector<QPDFObjectHandle> each;
    if (parameters.isArray()) {
        each = parameters.getArrayAsVector();
    } else {
        each.push_back(parameters);
    }
    const auto number = [](QPDFObjectHandle entry, long long absent) {
        return entry.isNull() ? absent : entry.isInteger() ? entry.getIntValue() : -1;
    };
    for (QPDFObjectHandle& entry : each) {
        if (!entry.isDictionary() || number(entry.getKey("/Predictor"), 1) <= 1) continue;
        const long long colors = number(entry.getKey("/Colors"), 1);
        const long long bits = number(entry.getKey("/BitsPerComponent"), 8);
        const long long columns = number(entry.getKey("/Columns"), 1);
        if (colors < 1 || colors > 32 || bits < 1 || bits > 16 || columns < 1 ||
            columns > kLongestPredictorRow * 8 / (colors * bits))
            return false;
    }
    return true;
}

// Follows the graphics state saves (q, Q) and text objects (BT, ET) of a
// content stream.
class SaveCounter : public QPDFObjectHandle::TokenFilter {
public:
    explicit SaveCounter(ContentCheck& check) : check_(check) {}
    void handleToken(QPDFTokenizer::Token const& token) override {
        if (token.getType() == QPDFTokenizer::tt_bad) {
            // Not content that can be followed: as if it restored all.
            check_.lowest = std::numeric_limits<int>::min() / 2;
        } else if (token.getType() == QPDFTokenizer::tt_word) {
            const std::string& word = token.getValue();
            if (word == "q") {
                ++check_.net;
            } else if (word == "Q") {
                check_.lowest = std::min(check_.lowest, --check_.net);
            } else if (word == "BT") {
                check_.textAtEnd = 1;
            } else if (word == "ET") {
                check_.textAtEnd = -1;
            }
        }
    }

private:
    ContentCheck& check_;
};

const ContentCheck& checkStream(QPDFObjectHandle stream, bool counted, ContentChecks& checks) {
    ContentCheck& check = checks[stream.getObjGen()];
    if (check.counted || (check.tried && (!check.readable || !counted))) return check;
    check = ContentCheck{};
    check.tried = true;
    if (!counted) {
        check.readable = decodeStream(stream, nullptr, kContentLimit, &check.tooLarge);
        return check;
    }
    SaveCounter counter(check);
    Pl_QPDFTokenizer tokens("content stream", &counter);
    check.readable = decodeStream(stream, &tokens, kContentLimit, &check.tooLarge);
    check.counted = check.readable;
    return check;
}

}  // namespace

ContentReading readContents(QPDFObjectHandle page, int& openSaves, ContentChecks& checks) {
    openSaves = -1;
    const auto reading = [](const ContentCheck& check) {
        return check.readable   ? ContentReading::Readable
               : check.tooLarge ? ContentReading::TooLarge
                                : ContentReading::Unreadable;
    };
    QPDFObjectHandle contents = page.getKey("/Contents");
    if (contents.isStream()) return reading(checkStream(contents, false, checks));
    if (contents.isNull()) return ContentReading::Readable;
    if (!contents.isArray()) return ContentReading::Unreadable;
    // The streams are read as one, as a reader reads them (they divide
    // between tokens). They can run between a sheet's q and Q when no Q
    // restores what the sheet saved and no text object stays open.
    int saves = 0;
    bool fits = true, inText = false;
    for (QPDFObjectHandle& item : contents.aitems()) {
        if (item.isNull()) continue;
        if (!item.isStream()) return ContentReading::Unreadable;
        const ContentCheck& check = checkStream(item, true, checks);
        if (!check.readable) return reading(check);
        fits = fits && saves + check.lowest >= 0;
        saves += check.net;
        if (check.textAtEnd != 0) inText = check.textAtEnd > 0;
    }
    if (fits && !inText) openSaves = saves;
    return ContentReading::Readable;
}

SourcePage SourcePage::of(std::shared_ptr<QPDF> document, QPDFObjectHandle pageObject) {
    if (!pageObject.isDictionary()) throw std::runtime_error("the page is not a dictionary");
    QPDFPageObjectHelper page(pageObject);
    const std::optional<Box> mediaBox = boxOf(page.getAttribute("/MediaBox", false));
    if (!mediaBox) throw std::runtime_error("the page has no usable media box");
    QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
    QPDFObjectHandle userUnit = pageObject.getKey("/UserUnit");

    SourcePage source;
    source.document = std::move(document);
    source.page = pageObject;
    source.displayed = DisplayedPage::from(
        *mediaBox, boxOf(page.getAttribute("/CropBox", false)),
        rotate.isInteger() ? rotate.getIntValue() : 0,
        userUnit.isNumber() ? userUnit.getNumericValue() : 1.0);
    return source;
}

bool decodeStream(QPDFObjectHandle stream, Pipeline* out, size_t limit, bool* tooLarge) {
    if (!stream.isStream() || !sanePredictors(stream.getDict())) return false;
    Pl_Discard discard;
    LimitedPipeline limited(out ? out : &discard, limit);
    bool decoded = false;
    bool readable = false;
    try {
        readable = stream.pipeStreamData(&limited, &decoded, 0, qpdf_dl_specialized, true);
    } catch (const std::exception&) {
        readable = false;
    }
    if (tooLarge) *tooLarge = limited.exceeded;
    return readable && decoded && !limited.exceeded;
}

std::shared_ptr<QPDF> openPdfInMemory(std::string bytes, const std::string& description,
                                      const char* password) {
    auto memory = std::make_shared<MemoryPdf>();
    memory->bytes = std::move(bytes);
    memory->pdf.setSuppressWarnings(true);
    memory->pdf.processMemoryFile(description.c_str(), memory->bytes.data(), memory->bytes.size(),
                                  password);
    return std::shared_ptr<QPDF>(memory, &memory->pdf);
}

}  // namespace posix::assembly
