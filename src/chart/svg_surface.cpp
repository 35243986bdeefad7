#include "chart/svg_surface.h"

#include <cstdio>
#include <utility>

namespace {

void colour(std::string& o, Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", unsigned{c.r}, unsigned{c.g}, unsigned{c.b});
    o += text;
}

// x + 0.5: a one-unit line through the middle of its pixels.
void centre(std::string& o, int v) {
    o += std::to_string(v);
    o += ".5";
}

// Tenths as a decimal number: 125 -> "12.5", -3 -> "-0.3".
std::string tenths(int v) {
    const unsigned a = static_cast<unsigned>(v < 0 ? -v : v);
    return (v < 0 ? "-" : "") + std::to_string(a / 10) + "." + std::to_string(a % 10);
}

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    std::size_t n = 0;
    unsigned cp = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2, cp = c & 0x1Fu;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3, cp = c & 0x0Fu;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4, cp = c & 0x07u;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b(k) & 0x3Fu);
    }
    // Overlong forms, surrogates, beyond U+10FFFF, and U+FFFE/U+FFFF (not XML characters).
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
    return n;
}

}  // namespace

std::string xmlEscaped(std::string_view s) {
    std::string o;
    o.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequenceLength(s, i);
        if (n == 0) {
            o += kReplacement;
            ++i;
            continue;
        }
        if (n == 1) {
            const char c = s[i];
            switch (c) {
                case '&':
                    o += "&amp;";
                    break;
                case '<':
                    o += "&lt;";
                    break;
                case '>':
                    o += "&gt;";
                    break;
                case '"':
                    o += "&quot;";
                    break;
                case '\t':
                case '\n':
                    o += c;
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                        o += kReplacement;
                    else
                        o += c;
            }
        } else {
            o.append(s.substr(i, n));
        }
        i += n;
    }
    return o;
}

SvgSurface::SvgSurface(int width, int height) {
    const std::string w = std::to_string(width), h = std::to_string(height);
    out_ = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h +
           "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" shape-rendering=\"crispEdges\">\n"
           "<rect width=\"" +
           w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
}

PenId SvgSurface::selectPen(PenId pen) {
    if (pen != pen_) flushPath();
    const PenId previous = pen_;
    pen_ = pen;
    return previous;
}

BrushId SvgSurface::selectBrush(BrushId brush) {
    const BrushId previous = brush_;
    brush_ = brush;
    return previous;
}

FontId SvgSurface::selectFont(FontId font) {
    const FontId previous = font_;
    font_ = font;
    return previous;
}

void SvgSurface::moveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

void SvgSurface::lineTo(int x, int y) {
    if (penDraws(pen_)) {
        if (path_.empty() || pathX_ != curX_ || pathY_ != curY_) {
            path_ += path_.empty() ? "M" : " M";
            centre(path_, curX_), path_ += ' ', centre(path_, curY_);
        }
        path_ += " L";
        centre(path_, x), path_ += ' ', centre(path_, y);
        pathX_ = x;
        pathY_ = y;
    }
    curX_ = x;
    curY_ = y;
}

void SvgSurface::flushPath() {
    if (path_.empty()) return;
    out_ += "<path d=\"" + path_ + "\" fill=\"none\" stroke=\"";
    colour(out_, penColour(pen_));
    out_ += "\" stroke-width=\"1\"/>\n";
    path_.clear();
}

void SvgSurface::rectangle(int left, int top, int right, int bottom) {
    flushPath();
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const int w = right - left - 1, h = bottom - top - 1;
    if (w <= 0 || h <= 0) return;
    out_ += "<rect x=\"";
    if (penDraws(pen_)) {
        // The outline runs through the outer pixels' centres.
        centre(out_, left), out_ += "\" y=\"", centre(out_, top);
    } else {
        out_ += std::to_string(left) + "\" y=\"" + std::to_string(top);
    }
    out_ += "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\" fill=\"";
    colour(out_, brushColour(brush_));
    if (penDraws(pen_)) {
        out_ += "\" stroke=\"";
        colour(out_, penColour(pen_));
    }
    out_ += "\"/>\n";
}

void SvgSurface::textOut(int x, int y, const char* utf8) {
    flushPath();
    const FontSpec f = fontSpec(font_);
    // The baseline from the cell's top or bottom: the platforms' default
    // face has about 78 % of its cell above the baseline; its size (the em)
    // is about 86 % of the cell.
    const bool bottom = (align_ & 8) != 0;
    const int baseline = bottom ? y * 10 - f.height * 22 / 10 : y * 10 + f.height * 78 / 10;
    const int size = f.height * 86 / 10;
    out_ += "<text x=\"" + std::to_string(x) + "\" y=\"" + tenths(baseline) + "\" font-size=\"" +
            tenths(size) + "\"";
    if (f.weight >= 700) out_ += " font-weight=\"bold\"";
    // The screen and paper fill a text's cell with the background colour; an
    // outline of that colour under the glyphs keeps a label on a bar or a
    // line as legible here.
    out_ += " stroke=\"";
    colour(out_, bk_);
    out_ += "\" stroke-width=\"3\" stroke-linejoin=\"round\" paint-order=\"stroke\"";
    const int horizontal = align_ & 6;
    if (horizontal == 6)
        out_ += " text-anchor=\"middle\"";
    else if (horizontal == 2)
        out_ += " text-anchor=\"end\"";
    out_ += '>';
    out_ += xmlEscaped(utf8 != nullptr ? utf8 : "");
    out_ += "</text>\n";
}

int SvgSurface::setTextAlign(int align) {
    const int previous = align_;
    align_ = align;
    return previous;
}

Rgb SvgSurface::setBkColor(Rgb c) {
    const Rgb previous = bk_;
    bk_ = c;
    return previous;
}

std::string SvgSurface::finish() {
    flushPath();
    out_ += "</svg>";
    return std::move(out_);
}
