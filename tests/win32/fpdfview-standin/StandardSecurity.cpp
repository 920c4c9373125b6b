// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "StandardSecurity.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace standin {

namespace {

// The bytes every password is padded with.
constexpr unsigned char kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                        0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                        0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string_view padding() { return {reinterpret_cast<const char*>(kPadding), sizeof kPadding}; }

uint32_t rotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

// MD5 of RFC 1321.
class Md5 {
public:
    Md5& update(std::string_view data) {
        for (char c : data) {
            buffer_[used_++] = static_cast<unsigned char>(c);
            if (used_ == 64) block();
        }
        length_ += data.size();
        return *this;
    }

    std::string digest() {
        const uint64_t bits = length_ * 8;
        buffer_[used_++] = 0x80;
        if (used_ > 56) {
            while (used_ < 64) buffer_[used_++] = 0;
            block();
        }
        while (used_ < 56) buffer_[used_++] = 0;
        for (int i = 0; i < 8; ++i) buffer_[used_++] = static_cast<unsigned char>(bits >> (8 * i));
        block();
        std::string out;
        for (uint32_t word : state_)
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(word >> (8 * i)));
        return out;
    }

private:
    void block() {
        static const std::array<uint32_t, 64> sines = [] {
            std::array<uint32_t, 64> table{};
            for (int i = 0; i < 64; ++i)
                table[i] = static_cast<uint32_t>(std::fabs(std::sin(i + 1.0)) * 4294967296.0);
            return table;
        }();
        static constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
        uint32_t words[16];
        for (int i = 0; i < 16; ++i)
            words[i] = buffer_[4 * i] | (buffer_[4 * i + 1] << 8) | (buffer_[4 * i + 2] << 16) |
                       (uint32_t(buffer_[4 * i + 3]) << 24);
        uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
        for (int i = 0; i < 64; ++i) {
            const int round = i / 16;
            uint32_t mixed;
            int index;
            if (round == 0) {
                mixed = (b & c) | (~b & d);
                index = i;
            } else if (round == 1) {
                mixed = (d & b) | (~d & c);
                index = (5 * i + 1) % 16;
            } else if (round == 2) {
                mixed = b ^ c ^ d;
                index = (3 * i + 5) % 16;
            } else {
                mixed = c ^ (b | ~d);
                index = (7 * i) % 16;
            }
            mixed += a + sines[i] + words[index];
            a = d;
            d = c;
            c = b;
            b += rotateLeft(mixed, kShifts[round][i % 4]);
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
        used_ = 0;
    }

    uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    unsigned char buffer_[64] = {};
    std::size_t used_ = 0;
    uint64_t length_ = 0;
};

std::string rc4(std::string_view key, std::string_view data) {
    unsigned char state[256];
    for (int i = 0; i < 256; ++i) state[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[i] + static_cast<unsigned char>(key[i % key.size()])) & 255;
        std::swap(state[i], state[j]);
    }
    std::string out(data);
    int i = 0, j = 0;
    for (char& c : out) {
        i = (i + 1) & 255;
        j = (j + state[i]) & 255;
        std::swap(state[i], state[j]);
        c = static_cast<char>(c ^ state[(state[i] + state[j]) & 255]);
    }
    return out;
}

std::optional<double> numberOf(const Value& dictionary, std::string_view key) {
    const Value* value = dictionary.find(key);
    if (!value || !value->is(Value::Kind::Number)) return std::nullopt;
    return value->number;
}

}  // namespace

std::optional<unsigned long> permissionsWithoutPassword(const Value& encrypt, std::string_view firstId) {
    const Value* filter = encrypt.find("Filter");
    const Value* owner = encrypt.find("O");
    const Value* user = encrypt.find("U");
    const std::optional<double> revision = numberOf(encrypt, "R");
    const std::optional<double> permissions = numberOf(encrypt, "P");
    if (!filter || !filter->isName("Standard") || !owner || !owner->is(Value::Kind::String) || !user ||
        !user->is(Value::Kind::String) || !revision || *revision < 2 || *revision > 4 || !permissions ||
        owner->text.size() < 32 || user->text.size() < 32)
        return std::nullopt;
    const int r = static_cast<int>(*revision);
    const double bits = numberOf(encrypt, "Length").value_or(40);
    const std::size_t keyLength = r == 2 ? 5 : std::size_t(std::fmin(std::fmax(bits / 8, 5), 16));

    // The file key the empty password gives (algorithm 2 of the standard).
    const auto p = static_cast<uint32_t>(static_cast<int32_t>(*permissions));
    const char pBytes[4] = {char(p), char(p >> 8), char(p >> 16), char(p >> 24)};
    Md5 keyHash;
    keyHash.update(padding()).update(std::string_view(owner->text).substr(0, 32)).update({pBytes, 4}).update(firstId);
    const Value* metadata = encrypt.find("EncryptMetadata");
    if (r >= 4 && metadata && metadata->is(Value::Kind::Boolean) && !metadata->boolean)
        keyHash.update("\xFF\xFF\xFF\xFF");
    std::string key = keyHash.digest();
    if (r >= 3)
        for (int i = 0; i < 50; ++i) key = Md5().update(std::string_view(key).substr(0, keyLength)).digest();
    key.resize(keyLength);

    // What /U holds when that is the user password (algorithms 4 and 5).
    std::string expected;
    if (r == 2) {
        expected = rc4(key, padding());
    } else {
        expected = rc4(key, Md5().update(padding()).update(firstId).digest());
        for (int round = 1; round <= 19; ++round) {
            std::string roundKey = key;
            for (char& c : roundKey) c = static_cast<char>(c ^ round);
            expected = rc4(roundKey, expected);
        }
    }
    if (user->text.compare(0, expected.size(), expected) != 0) return std::nullopt;
    return static_cast<unsigned long>(p);
}

}  // namespace standin
