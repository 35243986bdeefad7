// DrawingSurface over a GDI device context: the window's paint, the printed
// page and bitmaps all draw the charts through it. The pens, brushes and fonts
// are made once per surface from the tables in chart/drawing_surface.h and the
// device context gets back what it had when the surface goes.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

#include "chart/drawing_surface.h"

namespace platform::win32 {

class GdiSurface final : public DrawingSurface {
public:
    // Draws on dc, which the caller owns and keeps alive while the surface lives.
    explicit GdiSurface(HDC dc);
    ~GdiSurface() override;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    PenId selectPen(PenId pen) override;
    BrushId selectBrush(BrushId brush) override;
    FontId selectFont(FontId font) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void textOut(int x, int y, const char* utf8) override;
    int setTextAlign(int align) override;
    Rgb setBkColor(Rgb colour) override;

private:
    // Consecutive lineTo calls go to GDI as one PolylineTo: a trace is
    // thousands of short segments, and one call per segment costs more than
    // the drawing itself. Anything else drawn or selected sends them first.
    void flushLines();

    HDC dc_;
    std::vector<POINT> pendingLines_;
    std::array<HPEN, 5> pens_{};      // by PenId
    std::array<HBRUSH, 3> brushes_{}; // by BrushId
    std::array<HFONT, 5> fonts_{};    // by FontId
    PenId pen_ = PenId::Black;
    BrushId brush_ = BrushId::White;
    FontId font_ = FontId::System;
    int align_ = AlignLeftTop;
    Rgb bk_ = kWhite;
    int savedState_ = 0;              // SaveDC's level, restored at the end
};

}  // namespace platform::win32
