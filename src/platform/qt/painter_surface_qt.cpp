#include "platform/qt/painter_surface_qt.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QString>
#include <QTransform>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

constexpr int kFontCount = 5;

QFont buildFont(FontId id) {
    const FontSpec desc = fontSpec(id);
    QFont font;  // the application's default face
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(desc.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setKerning(false);
    // The height is the character cell (ascent + descent), not the em size that
    // Qt's pixel size means; take the largest size whose cell still fits.
    int size = desc.height;
    for (; size > 1; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        if (metrics.ascent() + metrics.descent() <= desc.height) break;
    }
    font.setPixelSize(size);
    // The time labels stand in a 130-pixel margin left of the axis labels and
    // were laid out for a face about as narrow as Arial; wider faces (DejaVu
    // Sans is 12 % wider) would run into the "50" and "100" labels. Narrow the
    // face until a date line fits the width that layout allows.
    const int allowed = desc.height * 74 / 10;
    const QString sample = QStringLiteral("00/00-00, 00:00:00");
    for (int stretch = 100; stretch > 70; stretch -= 2) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(sample) <= allowed) break;
    }
    return font;
}

// Whole-pixel translations keep pixel mode; anything else (scaling, rotation,
// fractional offsets) draws geometrically.
bool isWholePixelTranslation(const QTransform& t) {
    if (t.type() > QTransform::TxTranslate) return false;
    return t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy());
}

}  // namespace

const QFont& painterFont(FontId id) {
    static const std::array<QFont, kFontCount> fonts = {
        buildFont(FontId::System), buildFont(FontId::Label), buildFont(FontId::Small),
        buildFont(FontId::Axis), buildFont(FontId::Title)};
    const auto index = static_cast<std::size_t>(id);
    return fonts[index < fonts.size() ? index : 0];
}

PainterSurface::PainterSurface(QPainter& painter)
    : painter_(painter), pixelMode_(isWholePixelTranslation(painter.combinedTransform())) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBackgroundMode(Qt::TransparentMode);
    runs_.reserve(2048);
}

PainterSurface::~PainterSurface() {
    flush();
    painter_.restore();
}

void PainterSurface::flush() {
    if (!runs_.empty()) {
        if (penDraws(pen_)) {
            // Runs are whole pixels: fill them as rectangles, no outline.
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(toQColor(penColour(pen_)));
            painter_.drawRects(runs_.data(), static_cast<int>(runs_.size()));
        }
        runs_.clear();
    }
    if (!strokes_.empty()) {
        if (penDraws(pen_)) {
            QPen pen(toQColor(penColour(pen_)), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            painter_.setPen(pen);
            painter_.drawLines(strokes_.data(), static_cast<int>(strokes_.size()));
        }
        strokes_.clear();
    }
}

PenId PainterSurface::selectPen(PenId pen) {
    const PenId previous = pen_;
    if (pen != pen_) {
        flush();
        pen_ = pen;
    }
    return previous;
}

BrushId PainterSurface::selectBrush(BrushId brush) {
    const BrushId previous = brush_;
    brush_ = brush;
    return previous;
}

FontId PainterSurface::selectFont(FontId font) {
    const FontId previous = font_;
    font_ = font;
    return previous;
}

void PainterSurface::moveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

void PainterSurface::lineTo(int x, int y) {
    if (penDraws(pen_) && (x != curX_ || y != curY_)) {
        if (pixelMode_) {
            rasteriseLine(curX_, curY_, x, y);
        } else {
            strokes_.emplace_back(QPointF(curX_, curY_), QPointF(x, y));
        }
    }
    curX_ = x;
    curY_ = y;
}

void PainterSurface::addRun(int x0, int y0, int x1, int y1) {
    runs_.emplace_back(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)));
}

// Bresenham from (x0, y0) towards (x1, y1), every pixel but the last, emitted as
// runs along the major axis: a step of the trace (one column across, many rows
// up or down) becomes at most two vertical runs. Each run's length follows from
// the error term directly, so the cost is per run, not per pixel.
void PainterSurface::rasteriseLine(int x0, int y0, int x1, int y1) {
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const bool xMajor = dx >= dy;
    const int n = xMajor ? dx : dy;  // pixels drawn: one per major step, the end left out
    const int m = xMajor ? dy : dx;
    const int majorStep = xMajor ? (x1 > x0 ? 1 : -1) : (y1 > y0 ? 1 : -1);
    const int minorStep = xMajor ? (y1 > y0 ? 1 : -1) : (x1 > x0 ? 1 : -1);
    int major = xMajor ? x0 : y0;
    int minor = xMajor ? y0 : x0;
    int err = 2 * m - n;
    for (int i = 0; i < n;) {
        // The run goes on while err <= 0; the pixel where err > 0 is its last,
        // after which the minor coordinate steps.
        int len = err > 0 ? 1 : (m == 0 ? n - i : (-err) / (2 * m) + 2);
        const bool minorSteps = len <= n - i;
        if (!minorSteps) len = n - i;
        const int last = major + majorStep * (len - 1);
        if (xMajor) {
            addRun(major, minor, last, minor);
        } else {
            addRun(minor, major, minor, last);
        }
        err += 2 * m * len;
        if (minorSteps) {
            err -= 2 * n;
            minor += minorStep;
        }
        major = last + majorStep;
        i += len;
    }
}

void PainterSurface::rectangle(int left, int top, int right, int bottom) {
    flush();
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const QColor fill = toQColor(brushColour(brush_));
    if (!penDraws(pen_)) {
        // Without an outline only left..right-2 x top..bottom-2 is painted.
        if (right - left >= 2 && bottom - top >= 2) {
            painter_.fillRect(QRect(left, top, right - left - 1, bottom - top - 1), fill);
        }
        return;
    }
    // Outline on left..right-1 x top..bottom-1, interior inside it.
    if (right - left >= 3 && bottom - top >= 3) {
        painter_.fillRect(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2), fill);
    }
    if (right - left >= 1 && bottom - top >= 1) {
        const int r = right - 1;
        const int b = bottom - 1;
        if (pixelMode_) {
            addRun(left, top, r, top);
            addRun(left, b, r, b);
            addRun(left, top, left, b);
            addRun(r, top, r, b);
        } else {
            strokes_.emplace_back(QPointF(left, top), QPointF(r, top));
            strokes_.emplace_back(QPointF(r, top), QPointF(r, b));
            strokes_.emplace_back(QPointF(r, b), QPointF(left, b));
            strokes_.emplace_back(QPointF(left, b), QPointF(left, top));
        }
        flush();
    }
}

void PainterSurface::textOut(int x, int y, const char* utf8) {
    flush();
    if (utf8 == nullptr || *utf8 == '\0') return;
    const QString text = QString::fromUtf8(utf8);
    const QFont& font = painterFont(font_);
    const QFontMetrics metrics(font, painter_.device());
    const int width = metrics.horizontalAdvance(text);
    const int height = metrics.ascent() + metrics.descent();

    int left = x;
    switch (align_ & 6) {  // horizontal part: 0 left, 2 right, 6 centre
    case 2: left = x - width; break;
    case 6: left = x - width / 2; break;
    default: break;
    }
    int top = y;
    if (align_ & 8) top = y - height;  // bottom: the reference point is below the cell

    painter_.fillRect(QRect(left, top, width, height), toQColor(bk_));
    painter_.setFont(font);
    painter_.setPen(QPen(Qt::black));
    painter_.drawText(QPoint(left, top + metrics.ascent()), text);
}

int PainterSurface::setTextAlign(int align) {
    const int previous = align_;
    align_ = align;
    return previous;
}

Rgb PainterSurface::setBkColor(Rgb colour) {
    const Rgb previous = bk_;
    bk_ = colour;
    return previous;
}
