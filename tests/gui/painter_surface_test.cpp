// Pixel checks of the QPainter drawing surface and of both charts painted
// through it into an offscreen image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <functional>
#include <set>
#include <utility>

#include "chart/drawing_surface.h"
#include "platform/qt/painter_surface_qt.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/chart_recording.h"

namespace {

constexpr QRgb kWhitePx = 0xffffffffu;
constexpr QRgb kBlackPx = 0xff000000u;

QImage paint(int w, int h, const std::function<void(DrawingSurface&)>& draw) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    {
        PainterSurface surface(painter);
        draw(surface);
    }
    painter.end();
    return image;
}

std::set<std::pair<int, int>> inked(const QImage& image) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kWhitePx) out.insert({x, y});
    return out;
}

// A line leaves its end point out whichever way it runs, and draws its start.
TEST(PainterSurface, LinesDrawTheStartAndLeaveOutTheEndInEveryDirection) {
    const int cx = 20, cy = 20;
    const std::pair<int, int> ends[] = {{30, 20}, {10, 20}, {20, 30}, {20, 10}, {27, 27}, {13, 13},
                                        {27, 13}, {13, 27}, {21, 5},  {19, 35}, {35, 22}, {5, 18}};
    for (const auto& end : ends) {
        const int ex = end.first, ey = end.second;  // plain locals: lambdas may capture them
        const QImage image = paint(41, 41, [&](DrawingSurface& s) {
            s.moveTo(cx, cy);
            s.lineTo(ex, ey);
        });
        SCOPED_TRACE(testing::Message() << "to " << ex << "," << ey);
        EXPECT_EQ(image.pixel(cx, cy), kBlackPx);
        EXPECT_EQ(image.pixel(ex, ey), kWhitePx);
        const int steps = std::max(std::abs(ex - cx), std::abs(ey - cy));
        EXPECT_EQ(static_cast<int>(inked(image).size()), steps);  // one pixel per step, none twice
    }
}

TEST(PainterSurface, ConsecutiveLinesJoinWithoutGapsAndZeroLengthDrawsNothing) {
    const QImage image = paint(20, 20, [](DrawingSurface& s) {
        s.moveTo(2, 2);
        s.lineTo(2, 2);  // nothing
        s.moveTo(5, 5);
        s.lineTo(6, 15);
        s.lineTo(7, 4);
    });
    const auto px = inked(image);
    EXPECT_EQ(px.count({2, 2}), 0u);
    EXPECT_EQ(px.count({6, 15}), 1u);  // end of the first line, drawn as the start of the second
    EXPECT_EQ(px.count({7, 4}), 0u);
    // Every row between 5 and 15 has a pixel in column 5 or 6: the step is connected.
    for (int y = 5; y <= 15; ++y) EXPECT_TRUE(px.count({5, y}) + px.count({6, y}) >= 1) << y;
}

TEST(PainterSurface, NullPenRectangleFillsTheInteriorOnlyInEitherCornerOrder) {
    const QImage image = paint(30, 30, [](DrawingSurface& s) {
        s.selectPen(PenId::Null);
        s.selectBrush(BrushId::Cursor);
        s.rectangle(15, 12, 5, 2);  // corners swapped
    });
    const QRgb cursor = qRgb(220, 210, 195);
    EXPECT_EQ(image.pixel(5, 2), cursor);
    EXPECT_EQ(image.pixel(13, 10), cursor);
    EXPECT_EQ(image.pixel(14, 10), kWhitePx);
    EXPECT_EQ(image.pixel(13, 11), kWhitePx);
    EXPECT_EQ(image.pixel(4, 2), kWhitePx);
    EXPECT_EQ(image.pixel(5, 1), kWhitePx);
    EXPECT_EQ(inked(image).size(), 9u * 9u);
}

TEST(PainterSurface, RectangleWithPenOutlinesLeftTopToRightBottomMinusOne) {
    const QImage image = paint(30, 30, [](DrawingSurface& s) {
        s.selectPen(PenId::Frame);
        s.selectBrush(BrushId::Cursor);
        s.rectangle(5, 5, 12, 10);
    });
    EXPECT_EQ(image.pixel(5, 5), kBlackPx);
    EXPECT_EQ(image.pixel(11, 9), kBlackPx);
    EXPECT_EQ(image.pixel(12, 9), kWhitePx);
    EXPECT_EQ(image.pixel(11, 10), kWhitePx);
    EXPECT_EQ(image.pixel(6, 6), qRgb(220, 210, 195));
    EXPECT_EQ(image.pixel(10, 8), qRgb(220, 210, 195));
}

// The text cell is filled with the background colour and sits on the side of
// the reference point that the alignment names.
TEST(PainterSurface, TextCellsFollowTheAlignmentAndFillTheBackground) {
    const Rgb bg = kWindowBackground;
    const QRgb bgPx = qRgb(bg.r, bg.g, bg.b);
    struct Case {
        int align;
        int x, y;
    };
    for (Case c : {Case{AlignLeftTop, 50, 30}, Case{AlignLeftBottom, 50, 30}, Case{AlignRightBottom, 50, 30},
                   Case{AlignCenterBottom, 50, 30}}) {
        SCOPED_TRACE(c.align);
        const QImage image = paint(120, 60, [&](DrawingSurface& s) {
            s.selectFont(FontId::Label);
            s.setTextAlign(c.align);
            s.setBkColor(bg);
            s.textOut(c.x, c.y, "100");
        });
        int minX = 1000, maxX = -1, minY = 1000, maxY = -1, ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (p == kWhitePx) continue;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
                if (qGray(p) < 100) ++ink;
            }
        EXPECT_GT(ink, 10);
        EXPECT_EQ(maxY - minY + 1, 15);  // the cell height of a 15-unit font
        EXPECT_EQ(image.pixel(minX, minY), bgPx);
        switch (c.align) {
        case AlignLeftTop: EXPECT_EQ(minX, 50); EXPECT_EQ(minY, 30); break;
        case AlignLeftBottom: EXPECT_EQ(minX, 50); EXPECT_EQ(maxY, 29); break;
        case AlignRightBottom: EXPECT_EQ(maxX, 49); EXPECT_EQ(maxY, 29); break;
        default: EXPECT_LE(std::abs((minX + maxX + 1) / 2 - 50), 1); EXPECT_EQ(maxY, 29); break;
        }
    }
}

TEST(PainterSurface, ScaledPainterStillDrawsLinesAndFills) {
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(QTransform::fromScale(4, 4));
    {
        PainterSurface surface(painter);
        EXPECT_FALSE(surface.pixelMode());
        surface.selectPen(PenId::Trace);
        surface.moveTo(5, 10);
        surface.lineTo(40, 10);
        surface.selectPen(PenId::Null);
        surface.selectBrush(BrushId::Cursor);
        surface.rectangle(10, 20, 20, 30);
    }
    painter.end();
    EXPECT_EQ(image.pixel(80, 41), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(60, 100), qRgb(220, 210, 195));
    EXPECT_EQ(image.pixel(80, 100), kWhitePx);  // beyond right - 1 in logical units
}

// Both charts painted the way the window paints them: background, then the
// charts through the surface.
QImage paintWindow() {
    QImage image(800, 578, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(195, 180, 160));
    {
        PainterSurface surface(painter);
        paintCharts(surface);
    }
    painter.end();
    return image;
}

class ChartPixels : public testing::Test {
protected:
    void SetUp() override { resetGlobalStateForTests(); }
};

TEST_F(ChartPixels, TraceBandAxesAndMarkerLandOnTheirPixels) {
    test::showRecording({.count = 60000, .value = [](std::uint32_t i) -> std::uint8_t {
                             return i == 30000 ? 201 : 50;  // one marker in column 300
                         }});
    gApp.cursorX = 100;
    gApp.zoomOffset = 100 * gApp.samplesPerPixel;
    gApp.zoomStart = gApp.zoomOffset;
    const QImage image = paintWindow();
    const QRgb blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0), band = qRgb(220, 210, 195);
    const QRgb background = qRgb(195, 180, 160);

    EXPECT_EQ(image.pixel(200, 430), blue);       // value 50 in the main chart
    EXPECT_EQ(image.pixel(600, 150), blue);       // and in the zoom chart
    EXPECT_EQ(image.pixel(748, 430), blue);
    EXPECT_EQ(image.pixel(749, 430), kWhitePx);   // the last line leaves its end point out
    EXPECT_EQ(image.pixel(450, 340), red);        // marker column 300, 200 px high
    EXPECT_EQ(image.pixel(450, 529), red);
    EXPECT_EQ(image.pixel(450, 330), kWhitePx);   // ... ending short of y = 330
    EXPECT_EQ(image.pixel(448, 430), blue);       // the trace runs towards the marker,
    EXPECT_EQ(image.pixel(449, 430), kWhitePx);   // its last end point left out,
    EXPECT_EQ(image.pixel(450, 430), red);        // is broken by it
    EXPECT_EQ(image.pixel(451, 430), blue);       // and starts again after it

    EXPECT_EQ(image.pixel(251, 331), band);       // cursor band at cursorX + 151 ...
    EXPECT_EQ(image.pixel(308, 529), band);       // ... to cursorX + 208, rows 330 .. 529
    EXPECT_EQ(image.pixel(309, 400), kWhitePx);
    EXPECT_EQ(image.pixel(250, 400), kWhitePx);

    EXPECT_EQ(image.pixel(150, 400), kBlackPx);   // left axis
    EXPECT_EQ(image.pixel(400, 530), kBlackPx);   // base line
    EXPECT_EQ(image.pixel(750, 100), kBlackPx);   // right axis of the zoom chart
    EXPECT_EQ(image.pixel(700, 60), kWhitePx);    // cleared zoom plot
    EXPECT_EQ(image.pixel(5, 5), background);
}

TEST_F(ChartPixels, NoDataTextIsCentredInBothCharts) {
    const QImage image = paintWindow();
    // Dark ink around (450, 430 - a few rows) and (450, 150 - ...), none in the
    // plot corners.
    auto inkIn = [&](int x0, int y0, int x1, int y1) {
        int ink = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) ink += qGray(image.pixel(x, y)) < 100;
        return ink;
    };
    EXPECT_GT(inkIn(380, 137, 449, 149), 20);
    EXPECT_GT(inkIn(451, 137, 520, 149), 20);
    EXPECT_GT(inkIn(380, 417, 449, 429), 20);
    EXPECT_EQ(inkIn(160, 60, 300, 140), 0);
    EXPECT_EQ(inkIn(380, 431, 520, 440), 0);  // nothing below the reference line
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
