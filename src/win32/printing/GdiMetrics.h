// What a sheet measures, as GetDeviceCaps names it.
#pragma once

#include "plat/WinApi.h"
#include "print/Printer.h"

namespace winprint {

inline int gdiCapability(SheetMetric metric) {
    switch (metric) {
        case SheetMetric::DotsPerInchAcross: return LOGPIXELSX;
        case SheetMetric::DotsPerInchDown: return LOGPIXELSY;
        case SheetMetric::PaperWidth: return PHYSICALWIDTH;
        case SheetMetric::PaperHeight: return PHYSICALHEIGHT;
        case SheetMetric::MarginLeft: return PHYSICALOFFSETX;
        case SheetMetric::MarginTop: return PHYSICALOFFSETY;
        case SheetMetric::PrintableWidth: return HORZRES;
        case SheetMetric::PrintableHeight: return VERTRES;
    }
    return 0;
}

}  // namespace winprint
