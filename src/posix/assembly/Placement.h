// Where a PDF page lands on a sheet: the arithmetic of placing a page, kept
// apart from reading and writing PDF. Three spaces meet here:
// - the page's own space (default user space, PDF units, y up);
// - the page as a viewer displays it: points from its top-left corner,
//   y down, after the crop box, /Rotate and /UserUnit;
// - the device units of the sheet (pixels from the top-left corner of the
//   printable area) and the sheet's own PDF space (points, y up).
#pragma once

#include <optional>

namespace posix {

struct SheetGeometry;

namespace assembly {

// An affine transformation as PDF writes it (cm, /Matrix):
// x' = a x + c y + e, y' = b x + d y + f.
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    // This transformation followed by next.
    Matrix then(const Matrix& next) const;
    void apply(double x, double y, double& outX, double& outY) const;
};

// A rectangle in some PDF space, normalised (left <= right, bottom <= top).
struct Box {
    double left = 0, bottom = 0, right = 0, top = 0;

    double width() const { return right - left; }
    double height() const { return top - bottom; }
    // From two corners in any order.
    static Box fromCorners(double x0, double y0, double x1, double y1);
};

// A page as a viewer displays it.
struct DisplayedPage {
    Box box;                // the visible region (crop box cut to the media box)
    int rotate = 0;         // /Rotate: 0, 90, 180 or 270 degrees clockwise
    double userUnit = 1.0;  // points per unit of the page's space

    // The displayed size in points.
    double width() const;
    double height() const;

    // From the page's entries: a crop box cut to the media box (the media
    // box when it has none, or when they do not overlap), /Rotate taken in
    // quarter turns of any sign, a missing or unusable /UserUnit as 1.
    static DisplayedPage from(const Box& mediaBox, const std::optional<Box>& cropBox,
                              long long rotate, double userUnit);
};

// The target rectangle of FPDF_RenderPage, in device units.
struct TargetRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Displayed page (width by height points, origin top-left, y down) onto the
// target rectangle, scaled independently in x and y and turned by rotate
// quarter turns clockwise (3: counter-clockwise, the page's top on the
// left side), as FPDF_RenderPage draws.
Matrix displayedToDevice(double width, double height, const TargetRect& target, int rotate);

// The page's own space to the displayed page.
Matrix pageToDisplayed(const DisplayedPage& page);

// Device units to the sheet's PDF space.
Matrix deviceToSheet(const SheetGeometry& sheet);

// The whole way: the page's own space to the sheet's PDF space.
Matrix pageToSheet(const DisplayedPage& page, const TargetRect& target, int rotate,
                   const SheetGeometry& sheet);

// The printable area in the sheet's PDF space.
Box printableArea(const SheetGeometry& sheet);

}  // namespace assembly
}  // namespace posix
