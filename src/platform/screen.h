// Capturing the main window as the screen shows it, for the screen dump.
// Implemented with Qt in platform/qt/screen_qt.cpp and by a scripted fake in
// tests/fakes/. User-interface thread only.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

struct WindowCapture {
    std::int32_t width = 0;         // pixels of the captured rectangle
    std::int32_t height = 0;
    std::uint16_t planes = 0;       // colour planes of the screen's pixel format (1)
    std::uint16_t bitsPerPixel = 0; // bits per pixel of the screen's pixel format
    // width x height pixels, top row first, each 0x00RRGGBB.
    std::vector<std::uint32_t> pixels;
    // True when the pixels were read from the screen (frame, caption, menu bar
    // and anything covering the window included); false when the window system
    // does not let us read the screen and the window drew itself instead.
    bool fromScreen = false;
};

// Captures the main window's outer rectangle, once the menu that chose the
// command has left the screen and the window has repainted what it covered
// (the program's timers and posted commands wait meanwhile). Returns false,
// with the capture left empty, when there is no window or nothing could be
// captured.
bool captureMainWindow(WindowCapture& capture);

// The main window's client area (charts, combo box and scroll bar) drawn into
// an image through the chart renderer, not read from the screen, so nothing
// covering the window gets in; encoded as a PNG file's bytes. Returns false,
// png empty, when there is no window or the encoding failed.
bool renderClientAreaPng(std::vector<std::uint8_t>& png);

}  // namespace platform
