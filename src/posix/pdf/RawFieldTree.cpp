#include "posix/pdf/RawFieldTree.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/Pl_Flate.hh>

#include <algorithm>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "posix/pdf/InputDocument.h"

namespace posix {

namespace {

// What one object stream may inflate to, and all of a file's together:
// more than the objects of any real form take.
constexpr size_t kLargestObjectStream = 16 << 20;
constexpr size_t kAllObjectStreams = 64 << 20;

// Each object's kids, each as often as the definition naming it most often
// names it: a tree that names the same kid twice has twice the paths,
// one defined again by a later update of the file does not.
using Kids = std::map<long long, std::map<long long, size_t>>;

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isDelimiter(char c) { return std::strchr("()<>[]{}/%", c) != nullptr; }

size_t skipSpace(std::string_view text, size_t at) {
    while (at < text.size() && isSpace(text[at])) ++at;
    return at;
}

// The object numbers of the references ("12 0 R") in the array that
// starts at `at` ('['), up to its end or the text's.
std::vector<long long> references(std::string_view text, size_t at) {
    std::vector<long long> numbers;
    long long integers[2] = {0, 0};   // the last two integers read
    int read = 0;                      // how many of them there are
    for (++at; at < text.size() && text[at] != ']';) {
        if (isSpace(text[at])) {
            ++at;
        } else if (isDigit(text[at])) {
            long long value = 0;
            for (; at < text.size() && isDigit(text[at]); ++at) value = std::min(value * 10 + (text[at] - '0'), 1LL << 40);
            integers[0] = integers[1];
            integers[1] = value;
            read = std::min(read + 1, 2);
        } else if (text[at] == 'R' && read == 2) {
            numbers.push_back(integers[0]);
            read = 0;
            ++at;
        } else {
            read = 0;
            ++at;
        }
    }
    return numbers;
}

// The references of every array that follows the key in the text; where
// the key names an array object ("/Kids 12 0 R"), that object's number,
// whose own definition then holds the kids.
void arraysAfter(std::string_view text, std::string_view key, std::vector<long long>& into) {
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
        const size_t value = skipSpace(text, at + key.size());
        if (value >= text.size()) continue;
        if (text[value] == '[') {
            const std::vector<long long> found = references(text, value);
            into.insert(into.end(), found.begin(), found.end());
        } else if (isDigit(text[value])) {
            // As an array holding just that reference reads it.
            size_t end = value;
            while (end < text.size() && text[end] != '/' && text[end] != '>' && text[end] != ']' && end - value < 40)
                ++end;
            const std::vector<long long> found = references("[" + std::string(text.substr(value, end - value)), 0);
            if (found.size() == 1) into.push_back(found.front());
        }
    }
}

// The integer after the key in the text, or -1.
long long integerAfter(std::string_view text, std::string_view key) {
    const size_t at = text.find(key);
    if (at == std::string_view::npos) return -1;
    size_t digit = skipSpace(text, at + key.size());
    if (digit >= text.size() || !isDigit(text[digit])) return -1;
    long long value = 0;
    for (; digit < text.size() && isDigit(text[digit]); ++digit) value = std::min(value * 10 + (text[digit] - '0'), 1LL << 40);
    return value;
}

// Collects what a pipeline passes on, up to a limit.
class Collected : public Pipeline {
public:
    explicit Collected(size_t limit) : Pipeline("collected", nullptr), limit_(limit) {}
    void write(unsigned char const* data, size_t length) override {
        if (length > limit_ - text.size()) throw std::length_error("an object stream inflates beyond its limit");
        text.append(reinterpret_cast<const char*>(data), length);
    }
    void finish() override {}

    std::string text;

private:
    size_t limit_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    void readDefinitions() {
        // "N G obj": the keyword after two integers, not the end of "endobj".
        std::vector<std::pair<size_t, long long>> definitions;
        for (size_t at = bytes_.find("obj"); at != std::string_view::npos; at = bytes_.find("obj", at + 3)) {
            if (at == 0 || !isSpace(bytes_[at - 1])) continue;
            if (at + 3 < bytes_.size() && !isSpace(bytes_[at + 3]) && !isDelimiter(bytes_[at + 3])) continue;
            const long long number = numberBefore(at);
            if (number >= 0) definitions.emplace_back(at + 3, number);
        }
        // A definition ends at its "endobj" or where the next one begins,
        // so that no byte is read twice however the file is damaged.
        size_t endobj = 0;
        for (size_t i = 0; i < definitions.size(); ++i) {
            const size_t start = definitions[i].first;
            if (endobj != std::string_view::npos && endobj < start) endobj = bytes_.find("endobj", start);
            size_t end = i + 1 < definitions.size() ? definitions[i + 1].first : bytes_.size();
            if (endobj != std::string_view::npos) end = std::min(end, endobj);
            define(definitions[i].second, bytes_.substr(start, end - start));
        }
    }

    bool fieldsTooLarge(size_t most) const { return pathsExceed(fields_, most); }
    // A document has one page tree, whichever definition of its catalog
    // names it.
    bool pagesTooLarge(size_t most) const {
        std::vector<long long> roots = pageRoots_;
        std::sort(roots.begin(), roots.end());
        roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
        return pathsExceed(roots, most);
    }

private:
    // Whether more than `most` paths lead from the roots through the kids.
    bool pathsExceed(const std::vector<long long>& roots, size_t most) const {
        std::vector<long long> pending = roots;
        for (size_t paths = 0; !pending.empty(); ++paths) {
            if (paths >= most) return true;
            const long long field = pending.back();
            pending.pop_back();
            const auto kids = kids_.find(field);
            if (kids == kids_.end()) continue;
            for (const auto& [kid, times] : kids->second) {
                // Every path waiting is one more: no need to hold more of them.
                if (paths + pending.size() + times >= most) return true;
                pending.insert(pending.end(), times, kid);
            }
        }
        return false;
    }

    // The object number of the definition whose "obj" is at `at`, or -1.
    long long numberBefore(size_t at) const {
        long long integers[2] = {-1, -1};
        size_t end = at;
        for (long long& integer : integers) {
            while (end > 0 && isSpace(bytes_[end - 1])) --end;
            size_t start = end;
            while (start > 0 && isDigit(bytes_[start - 1])) --start;
            if (start == end || end - start > 12) return -1;
            integer = std::stoll(std::string(bytes_.substr(start, end - start)));
            end = start;
        }
        return integers[1];
    }

    void define(long long number, std::string_view body) {
        // The body of a stream ends where its data begin.
        const size_t data = body.find("stream");
        const std::string_view dictionary = body.substr(0, data);
        addKids(number, dictionary);
        addRoots(dictionary);
        // An array object: the kids of whatever names it.
        const size_t value = skipSpace(dictionary, 0);
        if (value < dictionary.size() && dictionary[value] == '[') addArray(number, dictionary.substr(value));
        if (data != std::string_view::npos && dictionary.find("/ObjStm") != std::string_view::npos)
            readObjectStream(dictionary, body.substr(data + 6));
    }

    // The objects of an object stream, unencrypted, with no filter or
    // /FlateDecode; its data run to "endstream" whatever /Length says.
    void readObjectStream(std::string_view dictionary, std::string_view data) {
        if (data.substr(0, 2) == "\r\n") {
            data.remove_prefix(2);
        } else if (!data.empty() && (data[0] == '\n' || data[0] == '\r')) {
            data.remove_prefix(1);
        }
        data = data.substr(0, data.find("endstream"));
        const bool flate = dictionary.find("/FlateDecode") != std::string_view::npos;
        if (!flate && dictionary.find("/Filter") != std::string_view::npos) return;
        if (inflated_ >= kAllObjectStreams) return;
        Collected objects(std::min(kLargestObjectStream, kAllObjectStreams - inflated_));
        if (flate) {
            try {
                Pl_Flate inflate("object stream", &objects, Pl_Flate::a_inflate);
                inflate.setWarnCallback([](const char*, int) {});
                inflate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
                inflate.finish();
            } catch (const std::exception&) {
                // What was inflated before the damage is read.
            }
        } else {
            objects.text.assign(data.substr(0, kLargestObjectStream));
        }
        inflated_ += objects.text.size();
        readObjects(objects.text, integerAfter(dictionary, "/N"), integerAfter(dictionary, "/First"));
    }

    // The header's pairs "number offset", then the objects from /First.
    void readObjects(std::string_view text, long long count, long long first) {
        if (count <= 0 || first < 0 || static_cast<size_t>(first) > text.size()) return;
        std::vector<std::pair<long long, size_t>> objects;
        size_t at = 0;
        for (long long i = 0; i < count && at < static_cast<size_t>(first); ++i) {
            long long pair[2] = {-1, -1};
            for (long long& integer : pair) {
                at = skipSpace(text, at);
                if (at >= text.size() || !isDigit(text[at])) return;
                integer = 0;
                for (; at < text.size() && isDigit(text[at]); ++at) integer = std::min(integer * 10 + (text[at] - '0'), 1LL << 40);
            }
            objects.emplace_back(pair[0], static_cast<size_t>(first) + static_cast<size_t>(pair[1]));
        }
        for (size_t i = 0; i < objects.size(); ++i) {
            const size_t start = objects[i].second;
            const size_t end = i + 1 < objects.size() ? objects[i + 1].second : text.size();
            if (start >= text.size() || end <= start) continue;
            const std::string_view object = text.substr(start, end - start);
            addKids(objects[i].first, object);
            addRoots(object);
            const size_t value = skipSpace(object, 0);
            if (value < object.size() && object[value] == '[') addArray(objects[i].first, object.substr(value));
        }
    }

    // Where a form's field tree and a page tree begin ("/Type /Pages"
    // names no object and adds none).
    void addRoots(std::string_view definition) {
        arraysAfter(definition, "/Fields", fields_);
        arraysAfter(definition, "/Pages", pageRoots_);
    }
    void addKids(long long number, std::string_view definition) {
        std::vector<long long> kids;
        arraysAfter(definition, "/Kids", kids);
        addKids(number, kids);
    }
    void addArray(long long number, std::string_view array) { addKids(number, references(array, 0)); }
    void addKids(long long number, const std::vector<long long>& kids) {
        std::map<long long, size_t> times;
        for (long long kid : kids) ++times[kid];
        std::map<long long, size_t>& known = kids_[number];
        for (const auto& [kid, count] : times) known[kid] = std::max(known[kid], count);
    }

    std::string_view bytes_;
    Kids kids_;
    std::vector<long long> fields_;
    std::vector<long long> pageRoots_;
    size_t inflated_ = 0;
};

std::string fileBytes(const char* fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) return {};
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace

bool rawFieldTreeTooLarge(std::string_view bytes, size_t most) {
    Reader reader(bytes);
    reader.readDefinitions();
    return reader.fieldsTooLarge(most);
}


bool rawPageTreeTooLarge(std::string_view bytes, size_t most) {
    Reader reader(bytes);
    reader.readDefinitions();
    return reader.pagesTooLarge(most);
}

RawTrees rawTreesTooLarge(const char* fileName, size_t mostFieldPaths, size_t mostPagePaths) {
    // The document from standard input is read where it is held.
    const std::string* input = inputDocument(fileName);
    const std::string bytes = input ? std::string() : fileBytes(fileName);
    Reader reader(input ? std::string_view(*input) : std::string_view(bytes));
    reader.readDefinitions();
    return RawTrees{reader.fieldsTooLarge(mostFieldPaths), reader.pagesTooLarge(mostPagePaths)};
}

}  // namespace posix
