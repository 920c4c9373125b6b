#include "support/Jbig2.h"

namespace testpdf::jbig2 {

namespace {

void bigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xff);
}

}  // namespace

std::string segment(std::uint32_t number, std::uint8_t type, const std::string& data) {
    std::string out;
    bigEndian(out, number, 4);
    out += static_cast<char>(type);   // page association in one byte
    out += '\0';                      // no referred-to segments
    out += '\1';                      // page 1
    bigEndian(out, static_cast<std::uint32_t>(data.size()), 4);
    return out + data;
}

std::string blankPage(std::uint32_t width, std::uint32_t height, bool black) {
    std::string info;
    bigEndian(info, width, 4);
    bigEndian(info, height, 4);
    bigEndian(info, 0, 4);                  // resolution unknown, across
    bigEndian(info, 0, 4);                  // and down
    info += static_cast<char>(black ? 0x04 : 0x00);   // flags: the default pixel value
    bigEndian(info, 0, 2);                  // not striped
    return segment(0, kPageInformation, info) + segment(1, kEndOfPage, "");
}

}  // namespace testpdf::jbig2
