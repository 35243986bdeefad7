// Screen capture of the main window for the screen dump. Where the window
// system lets a program read the screen (X11), the window's frame rectangle is
// read from the screen as it is shown, title bar and anything covering the
// window included. Where it does not (the offscreen platform, most Wayland
// compositors), the window draws itself into an image instead: the client area
// and menu bar without the frame.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "platform/qt/qt_shell.h"
#include "platform/screen.h"

namespace {

bool screenReadable() {
    const QString name = QGuiApplication::platformName();
    return !(name == QLatin1String("offscreen") || name == QLatin1String("minimal") ||
             name.startsWith(QLatin1String("wayland")));
}

QPixmap grabFromScreen(QWidget* window) {
    // The menu that issued the command has only just closed: let the window
    // system take it off the screen and the window repaint what it covered,
    // or the picture shows the menu. Bounded, so a busy display cannot hold
    // the command up.
    qtLetTheScreenSettle(120);
    QScreen* screen = window->screen();
    if (screen == nullptr) return QPixmap();
    const QRect frame = window->frameGeometry();
    const QRect area = screen->geometry();
    return screen->grabWindow(0, frame.x() - area.x(), frame.y() - area.y(), frame.width(), frame.height());
}

}  // namespace

void qtLetTheScreenSettle(int ms) {
    qtHoldProgramEvents(true);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers, 20);
        QThread::msleep(10);
    }
    qtHoldProgramEvents(false);
}

namespace platform {

bool captureMainWindow(WindowCapture& capture) {
    capture = WindowCapture{};
    QWidget* window = qtMainWindow();
    if (window == nullptr) return false;

    QPixmap shot;
    bool fromScreen = false;
    if (screenReadable()) {
        shot = grabFromScreen(window);
        fromScreen = !shot.isNull();
    }
    if (shot.isNull()) shot = window->grab();
    if (shot.isNull() || shot.width() <= 0 || shot.height() <= 0) return false;

    const QImage image = shot.toImage();
    const int depth = image.depth();  // the screen's pixel size as the grab delivered it
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return false;

    capture.width = rgb.width();
    capture.height = rgb.height();
    capture.planes = 1;
    capture.bitsPerPixel = static_cast<std::uint16_t>(depth > 0 ? depth : 32);
    capture.fromScreen = fromScreen;
    capture.pixels.resize(static_cast<std::size_t>(capture.width) * static_cast<std::size_t>(capture.height));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::uint32_t* out = capture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(capture.width);
        for (int x = 0; x < rgb.width(); ++x) out[x] = row[x] & 0x00FFFFFFu;
    }
    return true;
}

}  // namespace platform
