// Pixel checks of the GDI drawing surface, drawing into a DIB section, and of
// both charts painted through it: the pixels land where the recording surface
// says they do.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <utility>

#include "chart/drawing_surface.h"
#include "platform/win32/gdi_surface.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/chart_recording.h"

namespace {

constexpr std::uint32_t px(Rgb c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; }
constexpr std::uint32_t kWhitePx = 0xFFFFFF;
constexpr std::uint32_t kBlackPx = 0x000000;

// A top-down 32-bit bitmap, white or filled with background, drawn on through a GdiSurface.
class Picture {
public:
    Picture(int w, int h, Rgb background = kWhite) : w_(w), h_(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < w * h; ++i) bits_[i] = px(background);
    }
    ~Picture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    void draw(const std::function<void(DrawingSurface&)>& f) {
        {
            platform::win32::GdiSurface surface(dc_);
            f(surface);
        }
        GdiFlush();
    }
    std::uint32_t at(int x, int y) const { return bits_[y * w_ + x] & 0xFFFFFF; }
    HDC dc() const { return dc_; }
    int width() const { return w_; }
    int height() const { return h_; }
    std::set<std::pair<int, int>> inked() const {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (at(x, y) != kWhitePx) out.insert({x, y});
        return out;
    }

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

int grey(std::uint32_t p) { return static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3; }

TEST(GdiSurface, LinesDrawTheStartAndLeaveOutTheEndInEveryDirection) {
    const std::pair<int, int> ends[] = {{30, 20}, {10, 20}, {20, 30}, {20, 10}, {27, 27}, {13, 13}};
    for (const auto& [ex, ey] : ends) {
        Picture p(41, 41);
        p.draw([&](DrawingSurface& s) {
            s.moveTo(20, 20);
            s.lineTo(ex, ey);
        });
        SCOPED_TRACE(testing::Message() << "to " << ex << "," << ey);
        EXPECT_EQ(p.at(20, 20), kBlackPx);
        EXPECT_EQ(p.at(ex, ey), kWhitePx);
        EXPECT_EQ(static_cast<int>(p.inked().size()), std::max(std::abs(ex - 20), std::abs(ey - 20)));
    }
}

TEST(GdiSurface, RectanglesWithAndWithoutPen) {
    const std::uint32_t cursor = px(brushColour(BrushId::Cursor));
    Picture fill(30, 30);
    fill.draw([](DrawingSurface& s) {
        s.selectPen(PenId::Null);
        s.selectBrush(BrushId::Cursor);
        s.rectangle(15, 12, 5, 2);  // corners swapped
    });
    EXPECT_EQ(fill.at(5, 2), cursor);
    EXPECT_EQ(fill.at(13, 10), cursor);
    EXPECT_EQ(fill.at(14, 10), kWhitePx);
    EXPECT_EQ(fill.at(13, 11), kWhitePx);
    EXPECT_EQ(fill.inked().size(), 9u * 9u) << "null pen: left..right-2, top..bottom-2";

    Picture framed(30, 30);
    framed.draw([](DrawingSurface& s) {
        s.selectPen(PenId::Frame);
        s.selectBrush(BrushId::Cursor);
        s.rectangle(5, 5, 12, 10);
    });
    EXPECT_EQ(framed.at(5, 5), kBlackPx);
    EXPECT_EQ(framed.at(11, 9), kBlackPx);
    EXPECT_EQ(framed.at(12, 9), kWhitePx);
    EXPECT_EQ(framed.at(11, 10), kWhitePx);
    EXPECT_EQ(framed.at(6, 6), cursor);
}

// The text cell is filled with the background colour, 15 rows for a 15-unit
// font, on the side of the reference point the alignment names.
TEST(GdiSurface, TextCellsFollowTheAlignmentAndFillTheBackground) {
    for (int align : {int{AlignLeftTop}, int{AlignLeftBottom}, int{AlignRightBottom}, int{AlignCenterBottom}}) {
        SCOPED_TRACE(align);
        Picture p(120, 60);
        p.draw([&](DrawingSurface& s) {
            s.selectFont(FontId::Label);
            s.setTextAlign(align);
            s.setBkColor(kWindowBackground);
            s.textOut(50, 30, "100");
        });
        int minX = 1000, maxX = -1, minY = 1000, maxY = -1, ink = 0;
        for (const auto& [x, y] : p.inked()) {
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
            ink += grey(p.at(x, y)) < 100;
        }
        EXPECT_GT(ink, 10);
        EXPECT_EQ(maxY - minY + 1, 15);
        EXPECT_EQ(p.at(minX, minY), px(kWindowBackground));
        switch (align) {
        case AlignLeftTop: EXPECT_EQ(minX, 50); EXPECT_EQ(minY, 30); break;
        case AlignLeftBottom: EXPECT_EQ(minX, 50); EXPECT_EQ(maxY, 29); break;
        case AlignRightBottom: EXPECT_EQ(maxX, 49); EXPECT_EQ(maxY, 29); break;
        default: EXPECT_LE(std::abs((minX + maxX + 1) / 2 - 50), 1); EXPECT_EQ(maxY, 29); break;
        }
    }
}

TEST(GdiSurface, UnicodeTextDrawsAndTheDeviceContextIsGivenBack) {
    Picture p(200, 40);
    const HGDIOBJ pen = GetCurrentObject(p.dc(), OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(p.dc(), OBJ_BRUSH);
    const HGDIOBJ font = GetCurrentObject(p.dc(), OBJ_FONT);
    p.draw([&](DrawingSurface& s) {
        s.selectPen(PenId::Trace);
        s.selectBrush(BrushId::Cursor);
        s.selectFont(FontId::Axis);
        s.setTextAlign(AlignRightBottom);
        s.textOut(195, 35, "März Ü");
    });
    EXPECT_GT(p.inked().size(), 20u);
    EXPECT_EQ(GetCurrentObject(p.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(p.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(p.dc(), OBJ_FONT), font);
    EXPECT_EQ(GetTextAlign(p.dc()), 0u);
}

// A date line in any of the chart fonts fits the margin left of the axis
// labels (about 7.4 character heights), whatever the default face's width.
TEST(GdiSurface, DateLinesFitTheirMarginInEveryFont) {
    Picture p(300, 40);
    for (const FontId font : {FontId::Label, FontId::Small, FontId::Axis, FontId::Title}) {
        int width = 0;
        p.draw([&](DrawingSurface& s) {
            s.selectFont(font);
            SIZE extent{};
            GetTextExtentPoint32W(p.dc(), L"08/12-26, 13:38:48", 18, &extent);
            width = extent.cx;
        });
        EXPECT_LE(width, fontSpec(font).height * 74 / 10) << static_cast<int>(font);
        EXPECT_GT(width, fontSpec(font).height * 5) << "not squeezed beyond need";
    }
}

class ChartPixels : public testing::Test {
protected:
    void SetUp() override { resetGlobalStateForTests(); }
};

// Both charts as the window paints them, at the coordinates the recording
// surface tests fix for the core.
TEST_F(ChartPixels, TraceBandAxesAndMarkerLandOnTheirPixels) {
    test::showRecording({.count = 60000, .value = [](std::uint32_t i) -> std::uint8_t {
                             return i == 30000 ? 201 : 50;  // one marker in column 300
                         }});
    gApp.cursorX = 100;
    gApp.zoomOffset = 100 * gApp.samplesPerPixel;
    gApp.zoomStart = gApp.zoomOffset;
    Picture p(800, 578, kWindowBackground);
    p.draw([](DrawingSurface& s) { paintCharts(s); });
    const std::uint32_t blue = px(penColour(PenId::Trace)), red = px(penColour(PenId::Marker));
    const std::uint32_t band = px(brushColour(BrushId::Cursor));

    EXPECT_EQ(p.at(200, 430), blue);      // value 50 in the main chart
    EXPECT_EQ(p.at(600, 150), blue);      // and in the zoom chart
    EXPECT_EQ(p.at(748, 430), blue);
    EXPECT_EQ(p.at(749, 430), kWhitePx);  // the last line leaves its end point out
    EXPECT_EQ(p.at(450, 340), red);       // marker column 300, 200 px high
    EXPECT_EQ(p.at(450, 529), red);
    EXPECT_EQ(p.at(450, 330), kWhitePx);
    EXPECT_EQ(p.at(448, 430), blue);
    EXPECT_EQ(p.at(449, 430), kWhitePx);
    EXPECT_EQ(p.at(451, 430), blue);

    EXPECT_EQ(p.at(251, 331), band);      // cursor band at cursorX + 151 .. cursorX + 208
    EXPECT_EQ(p.at(308, 529), band);
    EXPECT_EQ(p.at(309, 400), kWhitePx);
    EXPECT_EQ(p.at(250, 400), kWhitePx);

    EXPECT_EQ(p.at(150, 400), kBlackPx);  // left axis
    EXPECT_EQ(p.at(400, 530), kBlackPx);  // base line
    EXPECT_EQ(p.at(750, 100), kBlackPx);  // right axis of the zoom chart
    EXPECT_EQ(p.at(700, 60), kWhitePx);   // cleared zoom plot
    EXPECT_EQ(p.at(5, 5), px(kWindowBackground));
}

}  // namespace
