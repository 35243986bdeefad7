#include "support/recording_surface.h"

#include <utility>

namespace test {

void RecordingSurface::log(CallKind kind, int a, int b, int c, int d, std::string text) {
    SurfaceCall call;
    call.kind = kind;
    call.a = a;
    call.b = b;
    call.c = c;
    call.d = d;
    call.text = std::move(text);
    call.state = state_;
    call.fromX = curX_;
    call.fromY = curY_;
    calls_.push_back(std::move(call));
}

PenId RecordingSurface::selectPen(PenId pen) {
    const PenId previous = state_.pen;
    state_.pen = pen;
    log(CallKind::SelectPen, static_cast<int>(pen));
    return previous;
}

BrushId RecordingSurface::selectBrush(BrushId brush) {
    const BrushId previous = state_.brush;
    state_.brush = brush;
    log(CallKind::SelectBrush, static_cast<int>(brush));
    return previous;
}

FontId RecordingSurface::selectFont(FontId font) {
    const FontId previous = state_.font;
    state_.font = font;
    log(CallKind::SelectFont, static_cast<int>(font));
    return previous;
}

void RecordingSurface::moveTo(int x, int y) {
    log(CallKind::MoveTo, x, y);
    curX_ = x;
    curY_ = y;
}

void RecordingSurface::lineTo(int x, int y) {
    log(CallKind::LineTo, x, y);
    curX_ = x;
    curY_ = y;
}

void RecordingSurface::rectangle(int left, int top, int right, int bottom) {
    log(CallKind::Rectangle, left, top, right, bottom);
}

void RecordingSurface::textOut(int x, int y, const char* utf8) {
    log(CallKind::TextOut, x, y, 0, 0, utf8 ? utf8 : "");
}

int RecordingSurface::setTextAlign(int align) {
    const int previous = state_.align;
    state_.align = align;
    log(CallKind::SetTextAlign, align);
    return previous;
}

Rgb RecordingSurface::setBkColor(Rgb colour) {
    const Rgb previous = state_.bk;
    state_.bk = colour;
    log(CallKind::SetBkColor, colour.r, colour.g, colour.b);
    return previous;
}

std::vector<DrawnLine> RecordingSurface::lines() const {
    std::vector<DrawnLine> out;
    for (const SurfaceCall& c : calls_) {
        if (c.kind == CallKind::LineTo) out.push_back({c.fromX, c.fromY, c.a, c.b, c.state.pen});
    }
    return out;
}

std::vector<DrawnLine> RecordingSurface::linesWith(PenId pen) const {
    std::vector<DrawnLine> out;
    for (const DrawnLine& l : lines()) {
        if (l.pen == pen) out.push_back(l);
    }
    return out;
}

std::vector<DrawnText> RecordingSurface::texts() const {
    std::vector<DrawnText> out;
    for (const SurfaceCall& c : calls_) {
        if (c.kind == CallKind::TextOut) out.push_back({c.a, c.b, c.text, c.state.font, c.state.align, c.state.bk});
    }
    return out;
}

std::vector<DrawnRect> RecordingSurface::rects() const {
    std::vector<DrawnRect> out;
    for (const SurfaceCall& c : calls_) {
        if (c.kind == CallKind::Rectangle) out.push_back({c.a, c.b, c.c, c.d, c.state.pen, c.state.brush});
    }
    return out;
}

std::vector<RecordingSurface::TracePoint> RecordingSurface::tracePoints() const {
    std::vector<TracePoint> out;
    for (const SurfaceCall& c : calls_) {
        if (c.state.pen != PenId::Trace) continue;
        if (c.kind == CallKind::MoveTo) out.push_back({c.a, c.b, false});
        if (c.kind == CallKind::LineTo) out.push_back({c.a, c.b, true});
    }
    return out;
}

}  // namespace test
