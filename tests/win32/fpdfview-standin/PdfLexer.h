// Test stand-in for fpdfview.dll, not the real PDF engine: the tokens of
// PDF's object syntax, enough to find objects and read dictionaries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

enum class TokenKind {
    End,         // no more input
    Integer,     // also fills real
    Real,
    Name,        // text without the slash, #xx escapes decoded
    String,      // literal or hex; its bytes, decoded, in text
    ArrayOpen,
    ArrayClose,
    DictOpen,
    DictClose,
    Keyword,     // obj, endobj, stream, R, true, trailer, ... (text)
    Invalid,     // stray delimiter, unterminated string, number out of range
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::size_t offset = 0;
    std::string text;
    long long integer = 0;
    double real = 0.0;

    bool isKeyword(std::string_view word) const { return kind == TokenKind::Keyword && text == word; }
};

bool isPdfWhitespace(char c);

// Reads tokens from a byte range it does not own. Every call of next()
// moves forward (or stays at the end), so loops over it always end.
class Lexer {
public:
    explicit Lexer(std::string_view data, std::size_t position = 0);

    Token next();
    std::size_t position() const { return position_; }
    void seek(std::size_t position);
    std::string_view data() const { return data_; }

private:
    void skipWhitespaceAndComments();
    // The token is the next length bytes, of that kind.
    void take(Token& token, TokenKind kind, std::size_t length);
    void readLiteralString(Token& token);
    void readHexString(Token& token);
    void readName(Token& token);
    void readRegular(Token& token);

    std::string_view data_;
    std::size_t position_;
};

}  // namespace standin
