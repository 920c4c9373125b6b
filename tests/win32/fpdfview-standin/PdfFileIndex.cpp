// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "PdfFileIndex.h"

#include <climits>
#include <utility>

namespace standin {

namespace {

// Readers accept a little junk before the header.
constexpr std::size_t kHeaderWindow = 1024;
constexpr int kMaxReferenceChain = 16;

bool isObjectNumber(const Token& token) {
    return token.kind == TokenKind::Integer && token.integer >= 0 && token.integer <= INT_MAX;
}

bool isGeneration(const Token& token) {
    return token.kind == TokenKind::Integer && token.integer >= 0 && token.integer <= 65535;
}

}  // namespace

PdfFileIndex::PdfFileIndex(std::string_view bytes) : bytes_(bytes) {
    hasHeader_ = bytes.substr(0, kHeaderWindow).find("%PDF-") != std::string_view::npos;
    if (hasHeader_) scan();
}

// One pass over the file: every "N G obj" is indexed and its value parsed
// once to step over it (and over its stream data, where "obj" may appear by
// chance); "trailer" is followed by its dictionary. Anything else is passed
// over token by token.
void PdfFileIndex::scan() {
    Lexer lexer(bytes_);
    Token beforeLast;
    Token last;
    for (;;) {
        Token token = lexer.next();
        if (token.kind == TokenKind::End) return;
        if (token.isKeyword("obj") && isObjectNumber(beforeLast) && isGeneration(last)) {
            indexObject(lexer, beforeLast);
            beforeLast = last = Token();
            continue;
        }
        if (token.isKeyword("trailer")) {
            std::optional<Value> trailer = ValueParser(lexer).parse();
            if (trailer && trailer->is(Value::Kind::Dictionary)) trailers_.push_back(std::move(*trailer));
            beforeLast = last = Token();
            continue;
        }
        beforeLast = std::move(last);
        last = std::move(token);
    }
}

void PdfFileIndex::indexObject(Lexer& lexer, const Token& number) {
    std::size_t body = lexer.position();
    std::optional<Value> value = ValueParser(lexer).parse();
    // A malformed object is not indexed; scanning goes on from where its
    // parse stopped, which is always further on.
    if (!value) return;

    int objectNumber = static_cast<int>(number.integer);
    bodies_[objectNumber] = body;
    if (value->is(Value::Kind::Dictionary)) {
        const Value* type = value->find("Type");
        if (type && type->isName("Catalog")) catalog_ = objectNumber;
        if (type && type->isName("XRef")) trailers_.push_back(*value);
    }

    std::size_t afterValue = lexer.position();
    if (lexer.next().isKeyword("stream") && value->is(Value::Kind::Dictionary))
        skipStream(lexer, *value);
    else
        lexer.seek(afterValue);
}

// Steps over stream data: by a direct /Length when "endstream" follows it,
// else (indirect or wrong length) to the next "endstream".
void PdfFileIndex::skipStream(Lexer& lexer, const Value& dictionary) {
    std::size_t data = lexer.position();
    if (data < bytes_.size() && bytes_[data] == '\r') ++data;
    if (data < bytes_.size() && bytes_[data] == '\n') ++data;

    const Value* length = dictionary.find("Length");
    if (length && length->is(Value::Kind::Number) && length->number >= 0 &&
        length->number <= static_cast<double>(bytes_.size() - data)) {
        std::size_t end = data + static_cast<std::size_t>(length->number);
        Lexer probe(bytes_, end);
        if (probe.next().isKeyword("endstream")) {
            lexer.seek(end);
            return;
        }
    }
    std::size_t end = bytes_.find("endstream", data);
    lexer.seek(end == std::string_view::npos ? bytes_.size() : end);
}

std::optional<Value> PdfFileIndex::object(int number) const {
    auto found = bodies_.find(number);
    if (found == bodies_.end()) return std::nullopt;
    Lexer lexer(bytes_, found->second);
    return ValueParser(lexer).parse();
}

std::optional<Value> PdfFileIndex::resolve(const Value& value) const {
    std::optional<Value> current = value;
    for (int step = 0; current && current->is(Value::Kind::Reference); ++step) {
        if (step == kMaxReferenceChain) return std::nullopt;
        current = object(current->reference.number);
    }
    return current;
}

}  // namespace standin
