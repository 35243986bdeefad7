// A DrawingSurface for tests: it draws nothing, logs every call with the
// surface state in force at that moment, and tracks the selected objects so a
// test can check exact coordinates and that a routine put back what it changed.
#pragma once

#include <string>
#include <vector>

#include "chart/drawing_surface.h"

namespace test {

// Everything a drawing routine may change and must put back.
struct SurfaceState {
    PenId pen = PenId::Black;
    BrushId brush = BrushId::White;
    FontId font = FontId::System;
    int align = AlignLeftTop;
    Rgb bk = kWhite;
    friend bool operator==(const SurfaceState&, const SurfaceState&) = default;
};

enum class CallKind { SelectPen, SelectBrush, SelectFont, MoveTo, LineTo, Rectangle, TextOut, SetTextAlign, SetBkColor };

struct SurfaceCall {
    CallKind kind;
    int a = 0, b = 0, c = 0, d = 0;  // coordinates (moveTo/lineTo: a,b; rectangle: a..d; textOut: a,b)
    std::string text;                // textOut only
    SurfaceState state;              // state after the call took effect
    int fromX = 0, fromY = 0;        // lineTo: the current position it started from
};

// A line as drawn by lineTo, from the current position to the point.
struct DrawnLine {
    int x0, y0, x1, y1;
    PenId pen;
    friend bool operator==(const DrawnLine&, const DrawnLine&) = default;
};

struct DrawnText {
    int x, y;
    std::string text;
    FontId font;
    int align;
    Rgb bk;
};

struct DrawnRect {
    int left, top, right, bottom;
    PenId pen;
    BrushId brush;
};

class RecordingSurface final : public DrawingSurface {
public:
    PenId selectPen(PenId pen) override;
    BrushId selectBrush(BrushId brush) override;
    FontId selectFont(FontId font) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void textOut(int x, int y, const char* utf8) override;
    int setTextAlign(int align) override;
    Rgb setBkColor(Rgb colour) override;

    const SurfaceState& state() const { return state_; }
    const std::vector<SurfaceCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

    std::vector<DrawnLine> lines() const;
    std::vector<DrawnLine> linesWith(PenId pen) const;
    std::vector<DrawnText> texts() const;
    std::vector<DrawnRect> rects() const;

    // Points of the trace as the pen reached them: every moveTo/lineTo made while
    // the trace pen was selected, in order.
    struct TracePoint {
        int x, y;
        bool connected;  // reached by lineTo (joined to the previous point)
    };
    std::vector<TracePoint> tracePoints() const;

private:
    void log(CallKind kind, int a = 0, int b = 0, int c = 0, int d = 0, std::string text = {});

    SurfaceState state_;
    int curX_ = 0, curY_ = 0;
    std::vector<SurfaceCall> calls_;
};

}  // namespace test
