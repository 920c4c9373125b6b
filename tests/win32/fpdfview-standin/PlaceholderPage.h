// Test stand-in for fpdfview.dll, not the real PDF engine: what it draws
// instead of a page's contents.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace standin {

// Draws, in device units and never outside the rectangle (x, y, width,
// height): a frame about 1/100 of the shorter side wide, both diagonals
// thin, and "Page <pageNumber>" large in the centre, turned by
// quarterTurns clockwise (1 clockwise, 2 upside down, 3 counter-clockwise).
// The DC is left as it was found. Nothing happens for a null DC or an
// empty rectangle.
void drawPlaceholderPage(HDC dc, int x, int y, int width, int height, int pageNumber, int quarterTurns);

}  // namespace standin
