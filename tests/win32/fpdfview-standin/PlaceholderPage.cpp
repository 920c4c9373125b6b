// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "PlaceholderPage.h"

#include <algorithm>
#include <string>

#include "GdiObjects.h"

namespace standin {

namespace {

// GDI coordinates are only good to 27 bits.
constexpr long long kCoordinateLimit = 1 << 27;

int clampCoordinate(long long value) {
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

struct DeviceBox {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Beyond this the label stops growing: rasterising glyphs many thousand
// pixels high (on a memory DC) takes long and gains nothing.
constexpr int kMaxLabelHeight = 4096;

// Text direction in tenths of a degree counter-clockwise, per clockwise quarter turn.
constexpr int kEscapement[4] = {0, 2700, 1800, 900};

HFONT createLabelFont(int height, int quarterTurns) {
    LOGFONTW font{};
    font.lfHeight = -std::max(height, 1);
    font.lfEscapement = font.lfOrientation = kEscapement[quarterTurns];
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;  // outline fonts turn; bitmap fonts would not
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, L"Arial", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

struct TextMeasure {
    SIZE extent{};
    TEXTMETRICW metrics{};
};

TextMeasure measureText(HDC dc, HFONT font, const std::wstring& text) {
    TextMeasure measure;
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &measure.extent);
    GetTextMetricsW(dc, &measure.metrics);
    SelectObject(dc, previous);
    return measure;
}

// The largest font, up to a quarter of the page across the text, whose
// line takes at most four fifths of the page along the text.
GdiObject<HFONT> fitLabelFont(HDC dc, const DeviceBox& box, const std::wstring& text, int quarterTurns) {
    bool sideways = quarterTurns % 2 == 1;
    int along = sideways ? box.height() : box.width();
    int across = sideways ? box.width() : box.height();
    int height = std::min(across / 4, kMaxLabelHeight);
    GdiObject<HFONT> font(createLabelFont(height, quarterTurns));
    if (!font) return font;
    long long width = measureText(dc, font.get(), text).extent.cx;
    long long room = along * 4LL / 5;
    if (width > room) {
        font.reset(createLabelFont(static_cast<int>(height * room / width), quarterTurns));
    }
    return font;
}

// Four bars inside the box: exact on every device, unlike a wide pen.
void drawFrame(HDC dc, const DeviceBox& box, int frameWidth, HBRUSH brush) {
    int across = std::min(frameWidth, std::min(box.width(), box.height()));
    const RECT bars[4] = {
        {box.left, box.top, box.right, box.top + across},
        {box.left, box.bottom - across, box.right, box.bottom},
        {box.left, box.top, box.left + across, box.bottom},
        {box.right - across, box.top, box.right, box.bottom},
    };
    for (const RECT& bar : bars) FillRect(dc, &bar, brush);
}

void drawLabel(HDC dc, const DeviceBox& box, int pageNumber, int quarterTurns) {
    std::wstring text = L"Page " + std::to_wstring(pageNumber);
    GdiObject<HFONT> font = fitLabelFont(dc, box, text, quarterTurns);
    if (!font) return;
    TextMeasure measure = measureText(dc, font.get(), text);

    // The reference point is the middle of the baseline; move it from the
    // centre of the box by half the glyph height, toward the glyphs' feet.
    int drop = (measure.metrics.tmAscent - measure.metrics.tmDescent) / 2;
    static constexpr int kDropX[4] = {0, -1, 0, 1};
    static constexpr int kDropY[4] = {1, 0, -1, 0};
    int x = box.left + box.width() / 2 + kDropX[quarterTurns] * drop;
    int y = box.top + box.height() / 2 + kDropY[quarterTurns] * drop;

    HGDIOBJ previous = SelectObject(dc, font.get());
    SetTextAlign(dc, TA_CENTER | TA_BASELINE | TA_NOUPDATECP);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, previous);
}

}  // namespace

void drawPlaceholderPage(HDC dc, int x, int y, int width, int height, int pageNumber, int quarterTurns) {
    if (dc == nullptr || width <= 0 || height <= 0) return;
    DeviceBox box{clampCoordinate(x), clampCoordinate(y), clampCoordinate(static_cast<long long>(x) + width),
                  clampCoordinate(static_cast<long long>(y) + height)};
    if (box.width() <= 0 || box.height() <= 0) return;
    quarterTurns = ((quarterTurns % 4) + 4) % 4;

    int shorter = std::min(box.width(), box.height());
    int frameWidth = std::max(1, shorter / 100);
    // Created before the DC state is saved, so they are deleted only after
    // it is restored and they are no longer selected.
    GdiObject<HBRUSH> black(CreateSolidBrush(RGB(0, 0, 0)));
    GdiObject<HPEN> diagonalPen(CreatePen(PS_SOLID, std::max(1, frameWidth / 3), RGB(0, 0, 0)));
    if (!black || !diagonalPen) return;

    SavedDcState saved(dc);
    if (!saved) return;
    // Device units, whatever the caller set up.
    SetMapMode(dc, MM_TEXT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    if (GetGraphicsMode(dc) == GM_ADVANCED) ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);

    drawFrame(dc, box, frameWidth, black.get());

    SelectObject(dc, diagonalPen.get());
    MoveToEx(dc, box.left, box.top, nullptr);
    LineTo(dc, box.right - 1, box.bottom - 1);
    MoveToEx(dc, box.right - 1, box.top, nullptr);
    LineTo(dc, box.left, box.bottom - 1);

    drawLabel(dc, box, pageNumber, quarterTurns);
}

}  // namespace standin
