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

// The target rectangle a page is put into, in device units.
struct TargetRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// A rectangle in device units, not held to whole pixels.
struct DeviceRect {
    double x = 0, y = 0, width = 0, height = 0;
    DeviceRect() = default;
    DeviceRect(double x0, double y0, double w, double h) : x(x0), y(y0), width(w), height(h) {}
    explicit DeviceRect(const TargetRect& r) : x(r.x), y(r.y), width(r.width), height(r.height) {}
};

// The rectangle the whole pixels of target stand for. The print job works
// the target out in points and truncates it to pixels, which would squeeze
// every page by up to a pixel (595.2 x 841.8 points of an A4 sheet's
// 595.276 x 841.89 at 600 dpi). Where target is recognisably the truncation
// of an exact rectangle, that one is taken:
// - the paper's own rectangle (a page on its own paper): the page at true
//   size, 1:1, when it is the paper's size to a point, else the paper's
//   exact size;
// - a page scaled evenly (at true size, shrunk to the paper, fit to the
//   printable area): the page's exact size at that scale, and centred
//   exactly on the paper or the printable area where target was;
// - anything else (stretched): target as it is.
// width and height are the displayed page's, in points; rotate as below.
DeviceRect exactTarget(const TargetRect& target, double width, double height, int rotate,
                       const SheetGeometry& sheet);

// Displayed page (width by height points, origin top-left, y down) onto the
// target rectangle, scaled independently in x and y and turned by rotate
// quarter turns clockwise (3: counter-clockwise, the page's top on the
// left side), as a viewer prints it.
Matrix displayedToDevice(double width, double height, const DeviceRect& target, int rotate);

// The page's own space to the displayed page.
Matrix pageToDisplayed(const DisplayedPage& page);

// Device units to the sheet's PDF space.
Matrix deviceToSheet(const SheetGeometry& sheet);

// The whole way: the page's own space to the sheet's PDF space, onto the
// exact rectangle target stands for.
Matrix pageToSheet(const DisplayedPage& page, const TargetRect& target, int rotate,
                   const SheetGeometry& sheet);

// The printable area in the sheet's PDF space: the paper less its exact
// margins.
Box printableArea(const SheetGeometry& sheet);

}  // namespace assembly
}  // namespace posix
