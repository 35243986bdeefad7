// Writes vantreldaq-16.png, -32, -64 and -128 into the folder given, each the
// program's picture at that size as the window draws its icon. Given a second
// folder, also writes there the Windows build's resources, which the cross
// build cannot draw itself: vantreldaq.ico (16, 32, 48 and 64 pixels, 32 bits
// a pixel) and logo207.bmp (the About logo, 64 x 64 in 4 bits with the
// standard 16-colour palette).
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/qt/artwork_qt.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The 40-byte information header of a bottom-up bitmap.
void putInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageBytes,
                   std::uint32_t colours) {
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);  // no compression
    put32(out, imageBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, colours);
    put32(out, 0);
}

// One icon image: the header (twice the height: colour rows, then the mask),
// 32-bit rows bottom-up, an all-clear AND mask (the picture is opaque).
Bytes iconImage(int size) {
    const QImage picture = programPicture(size).convertToFormat(QImage::Format_RGB32);
    const int maskStride = ((size + 31) / 32) * 4;
    Bytes out;
    putInfoHeader(out, size, 2 * size, 32, static_cast<std::uint32_t>(size * size * 4 + maskStride * size),
                  0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const QRgb p = picture.pixel(x, y);
            out.push_back(static_cast<std::uint8_t>(qBlue(p)));
            out.push_back(static_cast<std::uint8_t>(qGreen(p)));
            out.push_back(static_cast<std::uint8_t>(qRed(p)));
            out.push_back(0xFF);
        }
    }
    out.insert(out.end(), static_cast<std::size_t>(maskStride * size), 0);
    return out;
}

Bytes iconFile() {
    const int sizes[] = {16, 32, 48, 64};
    std::vector<Bytes> images;
    for (const int size : sizes) images.push_back(iconImage(size));
    Bytes out;
    put16(out, 0);
    put16(out, 1);  // an icon
    put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, static_cast<std::uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

// The standard 16 colours, in their usual order.
constexpr QRgb kPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

int nearestColour(QRgb p) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 16; ++i) {
        const long dr = qRed(p) - qRed(kPalette[i]), dg = qGreen(p) - qGreen(kPalette[i]),
                   db = qBlue(p) - qBlue(kPalette[i]);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

Bytes logoFile() {
    constexpr int kSize = 64;
    constexpr int kStride = kSize / 2;  // 4 bits a pixel, already a multiple of 4 bytes
    const QImage picture = programPicture(kSize).convertToFormat(QImage::Format_RGB32);
    const std::uint32_t pixelBytes = kStride * kSize;
    const std::uint32_t offset = 14 + 40 + 16 * 4;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + pixelBytes);
    put32(out, 0);
    put32(out, offset);
    putInfoHeader(out, kSize, kSize, 4, pixelBytes, 16);
    for (const QRgb c : kPalette) {
        out.push_back(static_cast<std::uint8_t>(qBlue(c)));
        out.push_back(static_cast<std::uint8_t>(qGreen(c)));
        out.push_back(static_cast<std::uint8_t>(qRed(c)));
        out.push_back(0);
    }
    for (int y = kSize - 1; y >= 0; --y)
        for (int x = 0; x < kSize; x += 2)
            out.push_back(static_cast<std::uint8_t>(nearestColour(picture.pixel(x, y)) << 4 |
                                                    nearestColour(picture.pixel(x + 1, y))));
    return out;
}

bool writeFile(const QString& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: vantrel-render-icons FOLDER [WINDOWS_FOLDER]\n");
        return 1;
    }
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32, 64, 128}) {
        const QString path = QStringLiteral("%1/vantreldaq-%2.png").arg(folder).arg(size);
        if (!programPicture(size).save(path, "PNG")) {
            std::fprintf(stderr, "vantrel-render-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    if (argc == 3) {
        const QString windows = QString::fromLocal8Bit(argv[2]);
        const QString ico = windows + QStringLiteral("/vantreldaq.ico");
        const QString bmp = windows + QStringLiteral("/logo207.bmp");
        for (const auto& [path, bytes] : {std::pair{ico, iconFile()}, std::pair{bmp, logoFile()}}) {
            if (!writeFile(path, bytes)) {
                std::fprintf(stderr, "vantrel-render-icons: cannot write %s\n", qPrintable(path));
                return 1;
            }
            std::printf("%s\n", qPrintable(path));
        }
    }
    return 0;
}
