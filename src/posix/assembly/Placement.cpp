#include "posix/assembly/Placement.h"

#include <algorithm>
#include <cmath>

#include "posix/spooler/SheetGeometry.h"
#include "print/Units.h"

namespace posix::assembly {

Matrix Matrix::then(const Matrix& next) const {
    return Matrix{a * next.a + b * next.c,        a * next.b + b * next.d,
                  c * next.a + d * next.c,        c * next.b + d * next.d,
                  e * next.a + f * next.c + next.e, e * next.b + f * next.d + next.f};
}

void Matrix::apply(double x, double y, double& outX, double& outY) const {
    outX = a * x + c * y + e;
    outY = b * x + d * y + f;
}

Box Box::fromCorners(double x0, double y0, double x1, double y1) {
    return Box{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

double DisplayedPage::width() const {
    return (rotate % 180 == 0 ? box.width() : box.height()) * userUnit;
}

double DisplayedPage::height() const {
    return (rotate % 180 == 0 ? box.height() : box.width()) * userUnit;
}

DisplayedPage DisplayedPage::from(const Box& mediaBox, const std::optional<Box>& cropBox,
                                  long long rotate, double userUnit) {
    DisplayedPage page;
    page.box = mediaBox;
    if (cropBox) {
        const Box cut{std::max(cropBox->left, mediaBox.left), std::max(cropBox->bottom, mediaBox.bottom),
                      std::min(cropBox->right, mediaBox.right), std::min(cropBox->top, mediaBox.top)};
        if (cut.width() > 0 && cut.height() > 0) page.box = cut;
    }
    // Viewers take /Rotate in whole quarter turns; anything else is ignored.
    page.rotate = rotate % 90 == 0 ? static_cast<int>(((rotate % 360) + 360) % 360) : 0;
    page.userUnit = std::isfinite(userUnit) && userUnit > 0 ? userUnit : 1.0;
    return page;
}

namespace {

// Whether exact, cut to whole pixels as the print job cuts it (towards
// zero), gives given; a hair of rounding either way is forgiven.
bool truncatesTo(double exact, int given) {
    constexpr double kHair = 1e-6;
    return std::trunc(exact) == given || std::trunc(exact + kHair) == given ||
           std::trunc(exact - kHair) == given;
}

// One axis of the sheet in pixels: the paper, where the device's origin
// lies on it, and the printable area, exact and as the device counts it.
struct Axis {
    double paper;
    int offset;
    double margin;      // the exact left (top) margin
    double printable;   // the exact printable length
    int printablePixels;
};

Axis axisX(const SheetGeometry& sheet) {
    const double perPoint = sheet.dpiX / kPointsPerInch;
    return {sheet.widthPoints * perPoint, sheet.offsetX, sheet.leftMargin * perPoint,
            (sheet.widthPoints - sheet.leftMargin - sheet.rightMargin) * perPoint, sheet.printableWidth};
}

Axis axisY(const SheetGeometry& sheet) {
    const double perPoint = sheet.dpiY / kPointsPerInch;
    return {sheet.heightPoints * perPoint, sheet.offsetY, sheet.topMargin * perPoint,
            (sheet.heightPoints - sheet.topMargin - sheet.bottomMargin) * perPoint, sheet.printableHeight};
}

// The exact start along one axis: where centring size on the paper or in
// the printable area puts it, when that is within a pixel of given.
double exactStart(int given, double size, const Axis& axis) {
    for (double centred : {(axis.paper - size) / 2 - axis.offset,
                           axis.margin - axis.offset + (axis.printable - size) / 2,
                           (axis.printablePixels - size) / 2}) {
        if (std::fabs(centred - given) < 1) return centred;
    }
    return given;
}

}  // namespace

DeviceRect exactTarget(const TargetRect& target, double width, double height, int rotate,
                       const SheetGeometry& sheet) {
    if (sheet.dpiX <= 0 || sheet.dpiY <= 0 || width <= 0 || height <= 0) return DeviceRect(target);
    // The page as it lies on the sheet, at true size, and the paper, in pixels.
    const bool across = rotate % 2 != 0;
    const double pageX = (across ? height : width) * sheet.dpiX / kPointsPerInch;
    const double pageY = (across ? width : height) * sheet.dpiY / kPointsPerInch;
    const double paperX = sheet.widthPoints * sheet.dpiX / kPointsPerInch;
    const double paperY = sheet.heightPoints * sheet.dpiY / kPointsPerInch;

    // The paper's rectangle from its physical corner (the start values of
    // a turned page exchanged, as the job does).
    const bool fromCorner = (target.x == -sheet.offsetX && target.y == -sheet.offsetY) ||
                            (target.x == -sheet.offsetY && target.y == -sheet.offsetX);
    if (fromCorner && truncatesTo(paperX, target.width) && truncatesTo(paperY, target.height)) {
        const double pointX = kPointsPerInch / sheet.dpiX, pointY = kPointsPerInch / sheet.dpiY;
        const bool paperSized = std::fabs(pageX - paperX) * pointX <= 1 && std::fabs(pageY - paperY) * pointY <= 1;
        return paperSized ? DeviceRect(target.x, target.y, pageX, pageY)
                          : DeviceRect(target.x, target.y, paperX, paperY);
    }

    // An even scale whose truncation gives both sizes: true size, or the
    // page fit to the exact paper or printable area, when one of them is
    // such a scale; else the least (the side that binds is then a whole
    // number of pixels, as the job counted the paper or printable area).
    const double least = std::max(target.width / pageX, target.height / pageY);
    const double most = std::min((target.width + 1) / pageX, (target.height + 1) / pageY);
    if (!(least < most) || !truncatesTo(pageX * least, target.width) ||
        !truncatesTo(pageY * least, target.height))
        return DeviceRect(target);
    const Axis x = axisX(sheet), y = axisY(sheet);
    double scale = least;
    for (double exact : {1.0, std::min(x.paper / pageX, y.paper / pageY),
                         std::min(x.printable / pageX, y.printable / pageY)}) {
        if (truncatesTo(pageX * exact, target.width) && truncatesTo(pageY * exact, target.height)) {
            scale = exact;
            break;
        }
    }
    const double sizeX = pageX * scale, sizeY = pageY * scale;
    return DeviceRect(exactStart(target.x, sizeX, x), exactStart(target.y, sizeY, y), sizeX, sizeY);
}

Matrix displayedToDevice(double width, double height, const DeviceRect& target, int rotate) {
    const double sx = target.width, sy = target.height;
    const double x = target.x, y = target.y;
    switch (((rotate % 4) + 4) % 4) {
        case 1: return Matrix{0, sy / width, -sx / height, 0, x + sx, y};
        case 2: return Matrix{-sx / width, 0, 0, -sy / height, x + sx, y + sy};
        case 3: return Matrix{0, -sy / width, sx / height, 0, x, y + sy};
        default: return Matrix{sx / width, 0, 0, sy / height, x, y};
    }
}

Matrix pageToDisplayed(const DisplayedPage& page) {
    const double s = page.userUnit;
    const Box& b = page.box;
    switch (page.rotate) {
        // Turned clockwise: the page's left edge comes to the top.
        case 90: return Matrix{0, s, s, 0, -s * b.bottom, -s * b.left};
        case 180: return Matrix{-s, 0, 0, s, s * b.right, -s * b.bottom};
        case 270: return Matrix{0, -s, -s, 0, s * b.top, s * b.right};
        default: return Matrix{s, 0, 0, -s, -s * b.left, s * b.top};
    }
}

Matrix deviceToSheet(const SheetGeometry& sheet) {
    const double perPixelX = kPointsPerInch / sheet.dpiX, perPixelY = kPointsPerInch / sheet.dpiY;
    return Matrix{perPixelX, 0, 0, -perPixelY, sheet.offsetX * perPixelX,
                  sheet.heightPoints - sheet.offsetY * perPixelY};
}

Matrix pageToSheet(const DisplayedPage& page, const TargetRect& target, int rotate,
                   const SheetGeometry& sheet) {
    const DeviceRect exact = exactTarget(target, page.width(), page.height(), rotate, sheet);
    return pageToDisplayed(page)
        .then(displayedToDevice(page.width(), page.height(), exact, rotate))
        .then(deviceToSheet(sheet));
}

Box printableArea(const SheetGeometry& sheet) {
    const double right = std::max(sheet.leftMargin, sheet.widthPoints - sheet.rightMargin);
    const double top = std::max(sheet.bottomMargin, sheet.heightPoints - sheet.topMargin);
    return Box{sheet.leftMargin, sheet.bottomMargin, right, top};
}

}  // namespace posix::assembly
