// describe_printed FILE [DOTS_PER_INCH]: one line saying what the file a
// printer received holds, in the printer's language, or the CUPS raster a
// driver was handed. The resolution is for ZPL and P-touch, which do not
// carry it (203 and 360 by default).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/PrinterLanguages.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: describe_printed FILE [DOTS_PER_INCH]\n");
        return 2;
    }
    if (std::optional<printed::Reading> raster = printed::readCupsRaster(argv[1])) {
        std::printf("%s\n", printed::describe(*raster).c_str());
        return 0;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "describe_printed: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    int dpi = argc > 2 ? std::atoi(argv[2]) : 0;
    if (dpi <= 0) dpi = data.find("\x1b@\x1bi") != std::string::npos ? 360 : 203;
    std::printf("%s\n", printed::describe(printed::readPrinted(data, dpi)).c_str());
    return 0;
}
