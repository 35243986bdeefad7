// Cost of painting both charts through GDI, as vantreldaq.exe does it: erase
// and paint into an 800 x 600 memory bitmap, then copy to a second one (the
// double buffer's BitBlt), for 6,000, 65,536 and 1,048,576 records of noisy
// readings, peaks off and on, and the cursor dragged one pixel per repaint.
// Google Benchmark is not cross-built, so this is a small timing loop of its
// own: wall and CPU time per repaint, best of five rounds. Run under Wine:
//   wine build-win/bench_gdi.exe
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "chart/envelope.h"
#include "platform/win32/gdi_surface.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/chart_recording.h"

namespace {

std::uint8_t noisyValue(std::uint32_t i) {
    std::uint32_t x = i * 2654435761u;
    x ^= x >> 15;
    return static_cast<std::uint8_t>(x % 201);
}

double cpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
    };
    return value(kernel) + value(user);
}

double wallSeconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Buffers {
    HDC screen = nullptr, front = nullptr, back = nullptr;
    HBITMAP frontBits = nullptr, backBits = nullptr;
    Buffers() {
        screen = GetDC(nullptr);
        front = CreateCompatibleDC(screen);
        back = CreateCompatibleDC(screen);
        frontBits = CreateCompatibleBitmap(screen, 800, 600);
        backBits = CreateCompatibleBitmap(screen, 800, 600);
        SelectObject(front, frontBits);
        SelectObject(back, backBits);
    }
    ~Buffers() {
        DeleteDC(front);
        DeleteDC(back);
        DeleteObject(frontBits);
        DeleteObject(backBits);
        ReleaseDC(nullptr, screen);
    }
    void repaint(bool erase) {
        if (erase) {
            const RECT all{0, 0, 800, 600};
            const HBRUSH background = CreateSolidBrush(RGB(195, 180, 160));
            FillRect(back, &all, background);
            DeleteObject(background);
        }
        {
            platform::win32::GdiSurface surface(back);
            paintCharts(surface);
        }
        BitBlt(front, 0, 0, 800, 600, back, 0, 0, SRCCOPY);
        GdiFlush();
    }
};

template <typename Step>
void measure(const char* name, int iterations, Step step) {
    double bestWall = 1e9, bestCpu = 1e9;
    for (int round = 0; round < 5; ++round) {
        const double w0 = wallSeconds(), c0 = cpuSeconds();
        for (int i = 0; i < iterations; ++i) step(i);
        const double w = (wallSeconds() - w0) / iterations, c = (cpuSeconds() - c0) / iterations;
        if (w < bestWall) bestWall = w;
        if (c < bestCpu) bestCpu = c;
    }
    std::printf("%-40s %8.3f ms wall %8.3f ms CPU\n", name, bestWall * 1e3, bestCpu * 1e3);
}

}  // namespace

int main() {
    Buffers buffers;
    char name[64];
    for (const bool peaks : {false, true}) {
        for (const std::uint32_t count : {6000u, 65536u, 1048576u}) {
            resetGlobalStateForTests();
            test::showRecording({.count = count, .sampleTime = 2, .value = noisyValue});
            restorePeaksShown(peaks);
            buffers.repaint(true);  // builds the min/max table when peaks are on
            std::snprintf(name, sizeof name, "full repaint %7u records%s", count, peaks ? " peaks" : "");
            measure(name, 50, [&](int) { buffers.repaint(true); });
        }
    }
    for (const bool peaks : {false, true}) {
        resetGlobalStateForTests();
        test::showRecording({.count = 1048576, .sampleTime = 2, .value = noisyValue});
        restorePeaksShown(peaks);
        buffers.repaint(true);
        chartMouseDown(155, 400);
        int x = 155, stepX = 1;
        measure(peaks ? "cursor drag 1048576 records peaks" : "cursor drag 1048576 records", 200, [&](int) {
            x += stepX;
            if (x >= 155 + 540 || x <= 155) stepX = -stepX;
            chartMouseMove(x, 400, true);
            buffers.repaint(false);
        });
        chartMouseUp(x, 400);
    }
    restorePeaksShown(false);
    return 0;
}
