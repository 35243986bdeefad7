#include "platform/win32/gdi_surface.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

COLORREF colourOf(Rgb c) { return RGB(c.r, c.g, c.b); }

HFONT makeFont(const FontSpec& font, int width) {
    // A positive height asks for the cell height (ascent + descent); no face
    // name: the system's default proportional face.
    return CreateFontW(font.height, width, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, nullptr);
}

// The time labels stand in a 130-pixel margin left of the axis labels and
// were laid out for a face about as narrow as Arial; a wider default face
// (Wine's, or a user's choice) would run into the "50" and "100" labels. The
// face is narrowed until a date line fits the width that layout allows.
// Returns the width to ask for, 0 when the face fits as it is.
int fittingWidth(HDC dc, const FontSpec& wanted) {
    static constexpr wchar_t kSample[] = L"00/00-00, 00:00:00";
    const int allowed = wanted.height * 74 / 10;
    int width = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const HFONT font = makeFont(wanted, width);
        const HGDIOBJ old = SelectObject(dc, font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, kSample, static_cast<int>(std::size(kSample) - 1), &extent);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        DeleteObject(font);
        if (extent.cx <= allowed || extent.cx <= 0 || metrics.tmAveCharWidth <= 1) return width;
        const int narrower = static_cast<int>(static_cast<long long>(metrics.tmAveCharWidth) * allowed / extent.cx);
        width = std::max(1, std::min<int>(narrower, metrics.tmAveCharWidth - 1));
    }
    return width;
}

// Widths found for the screen, where every paint makes a new surface; a
// printer's page (another resolution, a mapping) is measured each time.
std::array<int, 5> gScreenWidths = {-1, -1, -1, -1, -1};

}  // namespace

GdiSurface::GdiSurface(HDC dc) : dc_(dc) {
    savedState_ = SaveDC(dc_);
    for (int i = 0; i < static_cast<int>(pens_.size()); ++i) {
        const auto id = static_cast<PenId>(i);
        pens_[i] = penDraws(id) ? CreatePen(PS_SOLID, 1, colourOf(penColour(id)))
                                : static_cast<HPEN>(GetStockObject(NULL_PEN));
    }
    for (int i = 0; i < static_cast<int>(brushes_.size()); ++i)
        brushes_[i] = CreateSolidBrush(colourOf(brushColour(static_cast<BrushId>(i))));
    for (int i = 0; i < static_cast<int>(fonts_.size()); ++i) {
        const auto id = static_cast<FontId>(i);
        if (id == FontId::System) {
            fonts_[i] = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
            continue;
        }
        const FontSpec font = fontSpec(id);
        const bool screen = GetMapMode(dc_) == MM_TEXT && GetDeviceCaps(dc_, TECHNOLOGY) == DT_RASDISPLAY;
        int width = screen ? gScreenWidths[i] : -1;
        if (width < 0) width = fittingWidth(dc_, font);
        if (screen) gScreenWidths[i] = width;
        fonts_[i] = makeFont(font, width);
    }
    SelectObject(dc_, pens_[static_cast<int>(pen_)]);
    SelectObject(dc_, brushes_[static_cast<int>(brush_)]);
    SelectObject(dc_, fonts_[static_cast<int>(font_)]);
    SetTextAlign(dc_, static_cast<UINT>(align_));
    SetBkColor(dc_, colourOf(bk_));
    SetBkMode(dc_, OPAQUE);
    SetTextColor(dc_, colourOf(kBlack));
    MoveToEx(dc_, 0, 0, nullptr);
}

GdiSurface::~GdiSurface() {
    flushLines();
    RestoreDC(dc_, savedState_);  // our objects are no longer selected, so they can go
    for (int i = 0; i < static_cast<int>(pens_.size()); ++i)
        if (penDraws(static_cast<PenId>(i))) DeleteObject(pens_[i]);
    for (HBRUSH b : brushes_) DeleteObject(b);
    for (int i = 1; i < static_cast<int>(fonts_.size()); ++i) DeleteObject(fonts_[i]);
}

void GdiSurface::flushLines() {
    if (pendingLines_.empty()) return;
    PolylineTo(dc_, pendingLines_.data(), static_cast<DWORD>(pendingLines_.size()));
    pendingLines_.clear();
}

PenId GdiSurface::selectPen(PenId pen) {
    flushLines();
    const PenId old = pen_;
    pen_ = pen;
    SelectObject(dc_, pens_[static_cast<int>(pen)]);
    return old;
}

BrushId GdiSurface::selectBrush(BrushId brush) {
    flushLines();
    const BrushId old = brush_;
    brush_ = brush;
    SelectObject(dc_, brushes_[static_cast<int>(brush)]);
    return old;
}

FontId GdiSurface::selectFont(FontId font) {
    flushLines();
    const FontId old = font_;
    font_ = font;
    SelectObject(dc_, fonts_[static_cast<int>(font)]);
    return old;
}

void GdiSurface::moveTo(int x, int y) {
    flushLines();
    MoveToEx(dc_, x, y, nullptr);
}

void GdiSurface::lineTo(int x, int y) {
    pendingLines_.push_back(POINT{x, y});
    if (pendingLines_.size() >= 4096) flushLines();
}

void GdiSurface::rectangle(int left, int top, int right, int bottom) {
    flushLines();
    Rectangle(dc_, left, top, right, bottom);
}

void GdiSurface::textOut(int x, int y, const char* utf8) {
    flushLines();
    const std::wstring text = widen(utf8 != nullptr ? utf8 : "");
    TextOutW(dc_, x, y, text.c_str(), static_cast<int>(text.size()));
}

int GdiSurface::setTextAlign(int align) {
    flushLines();
    const int old = align_;
    align_ = align;
    SetTextAlign(dc_, static_cast<UINT>(align));
    return old;
}

Rgb GdiSurface::setBkColor(Rgb colour) {
    flushLines();
    const Rgb old = bk_;
    bk_ = colour;
    SetBkColor(dc_, colourOf(colour));
    return old;
}

}  // namespace platform::win32
