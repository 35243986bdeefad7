#include "platform/win32/gdi_surface.h"

#include <string>

#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

COLORREF colourOf(Rgb c) { return RGB(c.r, c.g, c.b); }

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
        // A positive height asks for the cell height (ascent + descent); no face
        // name: the system's default proportional face.
        const FontSpec font = fontSpec(id);
        fonts_[i] = CreateFontW(font.height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                nullptr);
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
