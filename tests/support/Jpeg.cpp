#include "support/Jpeg.h"

#include <string>

namespace testpdf {

// A baseline JPEG of 16 x 16 mid-grey pixels, one component with the
// standard luminance tables, as libjpeg writes it.
namespace {

const char kGreyJpeg[] =
    "ffd8ffe000104a46494600010100000100010000ffdb004300080606070605080707070909080a0c140d0c0b0b0c1912"
    "130f141d1a1f1e1d1a1c1c20242e2720222c231c1c2837292c30313434341f27393d38323c2e333432ffc0000b080010"
    "001001011100ffc4001f0000010501010101010100000000000000000102030405060708090a0bffc400b51000020103"
    "03020403050504040000017d01020300041105122131410613516107227114328191a1082342b1c11552d1f024336272"
    "82090a161718191a25262728292a3435363738393a434445464748494a535455565758595a636465666768696a737475"
    "767778797a838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9"
    "cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9faffda0008010100003f0028a28affd9";

}  // namespace

// That JPEG, its frame header saying 65500 x 65500 pixels: its scan data
// runs out at once, and libjpeg gives every row after it as mid grey.
std::string hugeGreyJpeg() {
    std::string jpeg;
    for (const char* hex = kGreyJpeg; hex[0] && hex[1]; hex += 2)
        jpeg += static_cast<char>(std::stoi(std::string(hex, 2), nullptr, 16));
    const size_t frame = jpeg.find("\xff\xc0");
    for (size_t at : {frame + 5, frame + 7}) {   // height, then width
        jpeg[at] = static_cast<char>(65500 >> 8);
        jpeg[at + 1] = static_cast<char>(65500 & 0xff);
    }
    return jpeg;
}

}  // namespace testpdf
