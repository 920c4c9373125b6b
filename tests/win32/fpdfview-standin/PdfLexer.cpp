// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "PdfLexer.h"

#include <charconv>
#include <cstring>

namespace standin {

namespace {

bool isDelimiter(char c) {
    return c != '\0' && std::strchr("()<>[]{}/%", c) != nullptr;
}

bool isRegular(char c) { return !isPdfWhitespace(c) && !isDelimiter(c); }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte a backslash and c stand for in a literal string: \n, \r, \t, \b
// and \f are control characters, anything else is itself.
char escapedByte(char c) {
    switch (c) {
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'b': return '\b';
    case 'f': return '\f';
    default: return c;
    }
}

// PDF numbers: an optional sign, digits and at most one period; no exponent.
bool looksNumeric(std::string_view text, bool& hasPeriod) {
    std::size_t i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    bool digits = false;
    hasPeriod = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            digits = true;
        } else if (text[i] == '.' && !hasPeriod) {
            hasPeriod = true;
        } else {
            return false;
        }
    }
    return digits;
}

}  // namespace

bool isPdfWhitespace(char c) {
    return c == '\0' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

Lexer::Lexer(std::string_view data, std::size_t position)
    : data_(data), position_(position < data.size() ? position : data.size()) {}

void Lexer::seek(std::size_t position) { position_ = position < data_.size() ? position : data_.size(); }

void Lexer::skipWhitespaceAndComments() {
    while (position_ < data_.size()) {
        char c = data_[position_];
        if (isPdfWhitespace(c)) {
            ++position_;
        } else if (c == '%') {
            while (position_ < data_.size() && data_[position_] != '\n' && data_[position_] != '\r')
                ++position_;
        } else {
            return;
        }
    }
}

Token Lexer::next() {
    skipWhitespaceAndComments();
    Token token;
    token.offset = position_;
    if (position_ >= data_.size()) return token;

    char c = data_[position_];
    char following = position_ + 1 < data_.size() ? data_[position_ + 1] : '\0';
    switch (c) {
    case '[': take(token, TokenKind::ArrayOpen, 1); break;
    case ']': take(token, TokenKind::ArrayClose, 1); break;
    case '{':
    case '}':
        token.text.assign(1, c);
        take(token, TokenKind::Keyword, 1);
        break;
    case '<':
        if (following == '<')
            take(token, TokenKind::DictOpen, 2);
        else
            readHexString(token);
        break;
    case '>':
        if (following == '>')
            take(token, TokenKind::DictClose, 2);
        else
            take(token, TokenKind::Invalid, 1);
        break;
    case '(': readLiteralString(token); break;
    case ')': take(token, TokenKind::Invalid, 1); break;
    case '/': readName(token); break;
    default: readRegular(token); break;
    }
    return token;
}

void Lexer::take(Token& token, TokenKind kind, std::size_t length) {
    token.kind = kind;
    position_ += length;
}

void Lexer::readLiteralString(Token& token) {
    ++position_;  // (
    int depth = 1;
    while (position_ < data_.size()) {
        char c = data_[position_++];
        if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            break;
        } else if (c == '\\' && position_ < data_.size()) {
            c = data_[position_++];
            if (c >= '0' && c <= '7') {
                // Up to three octal digits.
                int value = c - '0';
                for (int digits = 1; digits < 3 && position_ < data_.size() && data_[position_] >= '0' &&
                                     data_[position_] <= '7';
                     ++digits)
                    value = value * 8 + (data_[position_++] - '0');
                c = static_cast<char>(value);
            } else if (c == '\r' || c == '\n') {
                // A backslash at the end of a line joins the lines.
                if (c == '\r' && position_ < data_.size() && data_[position_] == '\n') ++position_;
                continue;
            } else {
                c = escapedByte(c);
            }
        } else if (c == '\r') {
            // Every end of line reads as a line feed.
            if (position_ < data_.size() && data_[position_] == '\n') ++position_;
            c = '\n';
        }
        token.text.push_back(c);
    }
    token.kind = depth == 0 ? TokenKind::String : TokenKind::Invalid;
}

void Lexer::readHexString(Token& token) {
    std::size_t close = data_.find('>', position_ + 1);
    if (close == std::string_view::npos) {
        position_ = data_.size();
        token.kind = TokenKind::Invalid;
        return;
    }
    // Pairs of hex digits; anything else between them is skipped, and a
    // last lone digit is followed by 0.
    int high = -1;
    for (std::size_t i = position_ + 1; i < close; ++i) {
        const int digit = hexValue(data_[i]);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            token.text.push_back(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) token.text.push_back(static_cast<char>(high * 16));
    position_ = close + 1;
    token.kind = TokenKind::String;
}

void Lexer::readName(Token& token) {
    ++position_;  // /
    token.kind = TokenKind::Name;
    while (position_ < data_.size() && isRegular(data_[position_])) {
        char c = data_[position_++];
        if (c == '#' && position_ + 1 < data_.size()) {
            int high = hexValue(data_[position_]);
            int low = hexValue(data_[position_ + 1]);
            if (high >= 0 && low >= 0) {
                token.text.push_back(static_cast<char>(high * 16 + low));
                position_ += 2;
                continue;
            }
        }
        token.text.push_back(c);
    }
}

void Lexer::readRegular(Token& token) {
    std::size_t start = position_;
    while (position_ < data_.size() && isRegular(data_[position_])) ++position_;
    std::string_view text = data_.substr(start, position_ - start);
    token.text.assign(text);

    bool hasPeriod = false;
    if (!looksNumeric(text, hasPeriod)) {
        token.kind = TokenKind::Keyword;
        return;
    }
    // from_chars takes no plus sign.
    if (text[0] == '+') text.remove_prefix(1);
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (!hasPeriod) {
        auto [end, error] = std::from_chars(first, last, token.integer);
        if (error == std::errc() && end == last) {
            token.kind = TokenKind::Integer;
            token.real = static_cast<double>(token.integer);
            return;
        }
        // Too long for 64 bits: still a number, as a real.
    }
    auto [end, error] = std::from_chars(first, last, token.real);
    token.kind = (error == std::errc() && end == last) ? TokenKind::Real : TokenKind::Invalid;
}

}  // namespace standin
