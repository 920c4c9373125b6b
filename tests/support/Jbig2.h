// JBIG2 data as a PDF stream carries it (/JBIG2Decode: the segments of
// ITU-T T.88 without the file header), for documents whose content qpdf
// cannot decode and poppler can: such a page is drawn.
#pragma once

#include <cstdint>
#include <string>

namespace testpdf::jbig2 {

// Segment types of T.88, 7.3.
constexpr std::uint8_t kPageInformation = 48;
constexpr std::uint8_t kEndOfPage = 49;

// One segment of page 1 that refers to no other: its header and data.
std::string segment(std::uint32_t number, std::uint8_t type, const std::string& data);

// A page of that size in pixels with nothing on it, every pixel of one
// value (black: 1): page information and end of page. Its decoded data is
// the page's rows, a byte for every eight pixels.
std::string blankPage(std::uint32_t width, std::uint32_t height, bool black);

}  // namespace testpdf::jbig2
