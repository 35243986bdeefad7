// DrawingSurface as SVG text: the charts' and the report's drawings as a
// picture a browser shows inside an HTML file, with no library and no file of
// its own. One logical unit is one SVG pixel; lines are one unit wide and
// sit on pixel centres, so the picture matches the screen's.
//
// Differences from the pixel surfaces, harmless for drawings made on a white
// ground: a text's cell is not filled with the background colour (SVG cannot
// measure text before a browser lays it out), and line ends are drawn
// geometrically rather than pixel-exact.
#pragma once

#include <string>
#include <string_view>

#include "chart/drawing_surface.h"

class SvgSurface final : public DrawingSurface {
public:
    // A picture of width x height units on a white ground.
    SvgSurface(int width, int height);

    PenId selectPen(PenId pen) override;
    BrushId selectBrush(BrushId brush) override;
    FontId selectFont(FontId font) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void textOut(int x, int y, const char* utf8) override;
    int setTextAlign(int align) override;
    Rgb setBkColor(Rgb colour) override;

    // The finished <svg> element (UTF-8, no XML declaration, so it can stand
    // inside an HTML page as well as on its own). The surface may not be
    // drawn on afterwards.
    std::string finish();

private:
    void flushPath();

    std::string out_;
    std::string path_;  // the batched lines of the current pen, as path data
    PenId pen_ = PenId::Black;
    BrushId brush_ = BrushId::White;
    FontId font_ = FontId::System;
    int align_ = AlignLeftTop;
    Rgb bk_ = kWhite;
    int curX_ = 0, curY_ = 0;
    int pathX_ = 0, pathY_ = 0;  // where the batched path ends
};

// Text made safe as XML character data or an attribute value in double
// quotes: & < > " escaped, bytes that are not UTF-8 and the control
// characters XML forbids each replaced by U+FFFD.
std::string xmlEscaped(std::string_view utf8);
