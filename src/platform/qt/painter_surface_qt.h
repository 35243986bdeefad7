// DrawingSurface on a QPainter: the main window's paint, the printed page and
// offscreen images all draw the charts through this one class.
//
// Two ways of drawing, chosen from the painter's transform when the surface is
// made:
// - Pixel mode (no transform, or a whole-pixel translation: screen and images).
//   Lines are rasterised here, pixel by pixel, so that the end point of every
//   line is left out exactly; Qt's own line drawing includes it (or drops
//   whichever end lies lower right). Rectangles and text cells are filled as
//   whole pixels.
// - Scaled mode (any other transform, e.g. the page mapping of a printer).
//   Lines are geometric strokes one logical unit wide with flat caps, which stop
//   at the end point; pixels do not matter at printer resolution.
//
// The surface starts with the white brush, black pen, the system font,
// alignment 0 and a white text background. It saves the painter's state when
// made and restores it when destroyed; lines are batched and drawn at the next
// change of pen, at any other drawing call and at the latest on destruction, so
// the surface must be destroyed (or flush() called) before the painter ends.
#pragma once

#include <QColor>
#include <QLineF>
#include <QRect>
#include <vector>

#include "chart/drawing_surface.h"

class QPainter;
class QFont;

class PainterSurface final : public DrawingSurface {
public:
    explicit PainterSurface(QPainter& painter);
    ~PainterSurface() override;
    PainterSurface(const PainterSurface&) = delete;
    PainterSurface& operator=(const PainterSurface&) = delete;

    PenId selectPen(PenId pen) override;
    BrushId selectBrush(BrushId brush) override;
    FontId selectFont(FontId font) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void textOut(int x, int y, const char* utf8) override;
    int setTextAlign(int align) override;
    Rgb setBkColor(Rgb colour) override;

    // Draws the lines batched so far.
    void flush();
    bool pixelMode() const { return pixelMode_; }

private:
    void addRun(int x0, int y0, int x1, int y1);
    void rasteriseLine(int x0, int y0, int x1, int y1);

    QPainter& painter_;
    bool pixelMode_;
    PenId pen_ = PenId::Black;
    BrushId brush_ = BrushId::White;
    FontId font_ = FontId::System;
    int align_ = AlignLeftTop;
    Rgb bk_ = kWhite;
    int curX_ = 0;
    int curY_ = 0;
    std::vector<QRect> runs_;     // pixel mode: horizontal or vertical runs of whole pixels
    std::vector<QLineF> strokes_; // scaled mode
};

// The font a surface uses for an id: default proportional face, weight from the
// table, pixel size chosen once so that ascent + descent equals the table's
// height (or the largest size below it), narrowed where the face is too wide
// for the time labels' margin. Built once, on first use.
const QFont& painterFont(FontId font);
