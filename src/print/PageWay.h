// Whether the engine puts a page on its sheet as it is ("placed") or draws
// it ("drawn"), for the plan of a dry run. Drawing engines always draw.
#pragma once

#include "print/FpdfView.h"

const char* pageWay(FPDF_PAGE page);
