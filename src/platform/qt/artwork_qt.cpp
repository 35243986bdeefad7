#include "platform/qt/artwork_qt.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QVector>

namespace {

// The standard 16-colour palette.
const QVector<QRgb>& standardPalette() {
    static const QVector<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    return palette;
}

enum PaletteIndex : int { Black = 0, Navy = 4, Silver = 7, Grey = 8, Blue = 12, White = 15 };

// One chart: white plot with a black frame and a blue trace through the
// given heights (fractions of the plot height, 0 at the bottom).
void drawChart(QImage& img, QRect plot, const double* heights, int count, bool cursorBand) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(plot, QColor(standardPalette()[White]));
    if (cursorBand) {
        const int bandWidth = qMax(2, plot.width() / 5);
        const QRect band(plot.left() + plot.width() * 2 / 5, plot.top(), bandWidth, plot.height());
        p.fillRect(band, QColor(standardPalette()[Silver]));
    }
    p.setPen(QColor(standardPalette()[Black]));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    QPolygon trace;
    const int inner = plot.height() - 3;
    for (int i = 0; i < count; ++i) {
        const int x = plot.left() + 1 + (plot.width() - 3) * i / (count - 1);
        const int y = plot.bottom() - 1 - static_cast<int>(heights[i] * inner);
        trace << QPoint(x, y);
    }
    p.setPen(QColor(standardPalette()[Blue]));
    p.drawPolyline(trace);
}

}  // namespace

QImage programPicture(int size) {
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(QColor(standardPalette()[Silver]));
    const int unit = qMax(1, size / 16);
    // The small icon cannot spare three rows for the title bar.
    const int titleHeight = size < 32 ? 2 : 3 * unit;
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        // Outer frame and title bar of the window.
        p.setPen(QColor(standardPalette()[Black]));
        p.drawRect(0, 0, size - 1, size - 1);
        p.fillRect(1, 1, size - 2, titleHeight, QColor(standardPalette()[Navy]));
        if (size >= 32) {
            // Close box in the title bar.
            p.fillRect(size - 1 - 3 * unit, 1 + unit / 2, 2 * unit, 2 * unit,
                       QColor(standardPalette()[Silver]));
        }
    }
    const int margin = qMax(1, size / 16);
    const int top = titleHeight + 1 + margin;
    const int gap = qMax(1, size / 32);
    const int chartHeight = (size - top - margin - gap) / 2;
    const QRect zoomPlot(margin, top, size - 2 * margin, chartHeight);
    const QRect mainPlot(margin, top + chartHeight + gap, size - 2 * margin, chartHeight);
    static const double zoomTrace[] = {0.35, 0.55, 0.8, 0.65, 0.4, 0.5, 0.75, 0.6};
    static const double mainTrace[] = {0.2, 0.45, 0.3, 0.6, 0.55, 0.85, 0.5, 0.7, 0.35, 0.5};
    drawChart(img, zoomPlot, zoomTrace, 8, false);
    drawChart(img, mainPlot, mainTrace, 10, true);
    // 4 bits per pixel in spirit: every pixel is one of the 16 standard colours.
    return img.convertToFormat(QImage::Format_Indexed8, standardPalette(), Qt::ThresholdDither);
}

QIcon programIcon() {
    static const QIcon icon = [] {
        QIcon i;
        i.addPixmap(QPixmap::fromImage(programPicture(16)));
        i.addPixmap(QPixmap::fromImage(programPicture(32)));
        return i;
    }();
    return icon;
}
