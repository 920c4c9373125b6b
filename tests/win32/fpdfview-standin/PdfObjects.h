// Test stand-in for fpdfview.dll, not the real PDF engine: PDF values as
// the page tree needs them, and a parser with limits on nesting and size.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PdfLexer.h"

namespace standin {

struct Reference {
    int number = 0;
    int generation = 0;
};

struct DictionaryEntry;

struct Value {
    enum class Kind { Null, Boolean, Number, Name, String, Array, Dictionary, Reference };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string name;
    std::string text;   // the bytes of a string
    Reference reference;
    std::vector<Value> array;
    std::vector<DictionaryEntry> dictionary;

    bool is(Kind wanted) const { return kind == wanted; }
    bool isName(std::string_view wanted) const { return kind == Kind::Name && name == wanted; }
    // The value of key in a dictionary, or null when absent (or not a dictionary).
    const Value* find(std::string_view key) const;
};

struct DictionaryEntry {
    std::string key;
    Value value;
};

// Parses one value from the lexer's position. A value nested too deeply or
// made of too many parts counts as malformed, so a hostile file can neither
// exhaust the stack nor the memory.
class ValueParser {
public:
    static constexpr int kMaxDepth = 64;
    static constexpr std::size_t kMaxParts = 1u << 18;

    explicit ValueParser(Lexer& lexer) : lexer_(lexer) {}

    std::optional<Value> parse();

private:
    std::optional<Value> parseFrom(const Token& first, int depth);
    std::optional<Value> parseArray(int depth);
    std::optional<Value> parseDictionary(int depth);
    bool continuesAsReference(const Token& first, Reference& reference);

    Lexer& lexer_;
    std::size_t partsLeft_ = kMaxParts;
};

}  // namespace standin
