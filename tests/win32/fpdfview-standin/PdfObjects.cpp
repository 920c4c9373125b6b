// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "PdfObjects.h"

#include <climits>
#include <utility>

namespace standin {

const Value* Value::find(std::string_view key) const {
    if (kind != Kind::Dictionary) return nullptr;
    for (const DictionaryEntry& entry : dictionary)
        if (entry.key == key) return &entry.value;
    return nullptr;
}

std::optional<Value> ValueParser::parse() { return parseFrom(lexer_.next(), 0); }

std::optional<Value> ValueParser::parseFrom(const Token& first, int depth) {
    if (depth > kMaxDepth || partsLeft_ == 0) return std::nullopt;
    --partsLeft_;

    Value value;
    switch (first.kind) {
    case TokenKind::Integer:
        if (continuesAsReference(first, value.reference)) {
            value.kind = Value::Kind::Reference;
            return value;
        }
        [[fallthrough]];
    case TokenKind::Real:
        value.kind = Value::Kind::Number;
        value.number = first.real;
        return value;
    case TokenKind::Name:
        value.kind = Value::Kind::Name;
        value.name = first.text;
        return value;
    case TokenKind::String:
        value.kind = Value::Kind::String;
        value.text = first.text;
        return value;
    case TokenKind::ArrayOpen:
        return parseArray(depth);
    case TokenKind::DictOpen:
        return parseDictionary(depth);
    case TokenKind::Keyword:
        if (first.text == "true" || first.text == "false") {
            value.kind = Value::Kind::Boolean;
            value.boolean = first.text == "true";
            return value;
        }
        if (first.text == "null") return value;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<Value> ValueParser::parseArray(int depth) {
    Value array;
    array.kind = Value::Kind::Array;
    for (Token token = lexer_.next(); token.kind != TokenKind::ArrayClose; token = lexer_.next()) {
        std::optional<Value> item = parseFrom(token, depth + 1);
        if (!item) return std::nullopt;
        array.array.push_back(std::move(*item));
    }
    return array;
}

std::optional<Value> ValueParser::parseDictionary(int depth) {
    Value dictionary;
    dictionary.kind = Value::Kind::Dictionary;
    for (Token key = lexer_.next(); key.kind != TokenKind::DictClose; key = lexer_.next()) {
        if (key.kind != TokenKind::Name) return std::nullopt;
        std::optional<Value> item = parseFrom(lexer_.next(), depth + 1);
        if (!item) return std::nullopt;
        dictionary.dictionary.push_back({std::move(key.text), std::move(*item)});
    }
    return dictionary;
}

// "N G R": looks two tokens ahead and goes back when they are not "G R".
bool ValueParser::continuesAsReference(const Token& first, Reference& reference) {
    if (first.integer < 0 || first.integer > INT_MAX) return false;
    std::size_t resume = lexer_.position();
    Token generation = lexer_.next();
    if (generation.kind == TokenKind::Integer && generation.integer >= 0 &&
        generation.integer <= 65535 && lexer_.next().isKeyword("R")) {
        reference.number = static_cast<int>(first.integer);
        reference.generation = static_cast<int>(generation.integer);
        return true;
    }
    lexer_.seek(resume);
    return false;
}

}  // namespace standin
