#include "posix/assembly/Placement.h"

#include <algorithm>
#include <cmath>

#include "posix/spooler/SheetGeometry.h"

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

Matrix displayedToDevice(double width, double height, const TargetRect& target, int rotate) {
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
    const double perPixelX = 72.0 / sheet.dpiX, perPixelY = 72.0 / sheet.dpiY;
    return Matrix{perPixelX, 0, 0, -perPixelY, sheet.offsetX * perPixelX,
                  sheet.heightPoints - sheet.offsetY * perPixelY};
}

Matrix pageToSheet(const DisplayedPage& page, const TargetRect& target, int rotate,
                   const SheetGeometry& sheet) {
    return pageToDisplayed(page)
        .then(displayedToDevice(page.width(), page.height(), target, rotate))
        .then(deviceToSheet(sheet));
}

Box printableArea(const SheetGeometry& sheet) {
    double x0, y0, x1, y1;
    const Matrix toSheet = deviceToSheet(sheet);
    toSheet.apply(0, 0, x0, y0);
    toSheet.apply(sheet.printableWidth, sheet.printableHeight, x1, y1);
    return Box::fromCorners(x0, y0, x1, y1);
}

}  // namespace posix::assembly
