// The short list of drawing operations through which the charts are drawn on
// the screen, on paper and into images. Coordinates are logical pixels of the
// main window's client area, y downwards.
#pragma once

#include <cstdint>

struct Rgb {
    std::uint8_t r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Drawing objects are small ids made by createDrawingObjects; a surface maps them
// to its own pens, brushes and fonts.
enum class PenId : std::uint8_t { Black, Trace, Marker, Frame, Null };
// Bar: the load report's demand bars.
enum class BrushId : std::uint8_t { White, Cursor, Bar };
// Title: the printed page's bold title line (height 15, weight 700).
enum class FontId : std::uint8_t { System, Label, Small, Axis, Title };

// Text alignment values: reference point at left-top (0), left-bottom (8),
// right-bottom (10), centre-bottom (14).
enum TextAlign : int { AlignLeftTop = 0, AlignLeftBottom = 8, AlignRightBottom = 10, AlignCenterBottom = 14 };

// What each id stands for. Every surface builds its pens, brushes and fonts from
// these, so the screen, the page and the images agree.
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
// Background of the main window; time and axis labels on screen sit on it.
inline constexpr Rgb kWindowBackground{195, 180, 160};

// Colour of a pen; the null pen draws nothing (penDraws is false).
constexpr Rgb penColour(PenId pen) {
    switch (pen) {
    case PenId::Trace: return Rgb{0, 0, 255};
    case PenId::Marker: return Rgb{255, 0, 0};
    default: return kBlack;
    }
}
constexpr bool penDraws(PenId pen) { return pen != PenId::Null; }

constexpr Rgb brushColour(BrushId brush) {
    switch (brush) {
    case BrushId::Cursor: return Rgb{220, 210, 195};
    case BrushId::Bar: return Rgb{110, 140, 215};
    default: return kWhite;
    }
}

// Font cell height (ascent + descent) in logical units and weight (400 normal,
// 700 bold). All fonts use the platform's default proportional face.
struct FontSpec {
    int height;
    int weight;
};
constexpr FontSpec fontSpec(FontId font) {
    switch (font) {
    case FontId::Label: return {15, 400};
    case FontId::Small: return {10, 400};
    case FontId::Axis: return {15, 400};
    case FontId::Title: return {15, 700};
    default: return {16, 700};  // System: the surface's default before any selection
    }
}

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;
    // Each selection returns the previous object of its kind. A fresh surface has
    // the white brush, the black pen, the system font, alignment 0, black text
    // and a white text background.
    virtual PenId selectPen(PenId pen) = 0;
    virtual BrushId selectBrush(BrushId brush) = 0;
    virtual FontId selectFont(FontId font) = 0;
    virtual void moveTo(int x, int y) = 0;
    // Line with the current pen from the current position to (x, y), the end
    // point excluded; (x, y) becomes the current position.
    virtual void lineTo(int x, int y) = 0;
    // Outline with the current pen, interior with the current brush; with the
    // null pen only the interior, pixels left <= x <= right-2, top <= y <= bottom-2.
    // Corners may come in either order.
    virtual void rectangle(int left, int top, int right, int bottom) = 0;
    // Text at the reference point given by the alignment, its cell first filled
    // with the background colour.
    virtual void textOut(int x, int y, const char* utf8) = 0;
    virtual int setTextAlign(int align) = 0;
    virtual Rgb setBkColor(Rgb colour) = 0;
};
