// CPU soak of the real main window while it fetches at the line's pace: starts
// the program's own window, chooses Transfer, picks a span in the real span
// dialog and prints the process's CPU (user + system, % of one core) for each
// 30 s stretch and for the whole fetch. A logger must stand on the configured
// port (vantrel-logger-sim --pace real, or a real one).
//
//   soak_window_fetch [--span INDEX] [--port N] [--stretch S]
//
// Run it headless with QT_QPA_PLATFORM=offscreen, or under Xvfb to include
// the X server round trips of a real display.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "device/transfer.h"
#include "platform/window.h"
#include "recording/settings_file.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/span_dialog.h"

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int span = 13;  // "12 days"
    int port = 0;
    double stretch = 30.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--span") == 0) span = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--port") == 0) port = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--stretch") == 0) stretch = std::atof(argv[i + 1]);
    }
    if (port > 0) {
        // Written before start-up reads it, so the window opens that port.
        gSettings.port = static_cast<std::uint16_t>(port);
        saveSettings(gSettings);
    }

    double startWall = 0, startCpu = 0, markWall = 0, markCpu = 0;
    bool streaming = false;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal->isVisible()) {
            if (modal->objectName() == QStringLiteral("201")) {
                if (auto* b = modal->findChild<QAbstractButton*>(QString::number(kSpanFirstButtonId + span))) b->click();
                if (auto* ok = modal->findChild<QAbstractButton*>(QString::number(kSpanOkId))) ok->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                std::fprintf(stderr, "message: %s\n", box->text().toUtf8().constData());
                box->accept();
            }
            return;
        }
        if (!streaming && gApp.receiving == 1) {
            streaming = true;
            driver.setInterval(1000);  // its own ticks must not show in the figures
            startWall = markWall = wallSeconds();
            startCpu = markCpu = cpuSeconds();
            std::fprintf(stderr, "receiving %u samples\n", gApp.confirmedCount);
        }
        if (streaming && wallSeconds() - markWall >= stretch) {
            const double w = wallSeconds(), c = cpuSeconds();
            std::printf("t=%6.0f s  received %8u  cpu %.2f %%\n", w - startWall,
                        gApp.receivedCount.load(), 100.0 * (c - markCpu) / (w - markWall));
            std::fflush(stdout);
            markWall = w;
            markCpu = c;
        }
        if (streaming && !transferRunning()) {
            const double w = wallSeconds(), c = cpuSeconds();
            std::printf("whole fetch: %.0f s, %u samples, cpu %.2f %% (end %d)\n", w - startWall,
                        gApp.receivedCount.load(), 100.0 * (c - startCpu) / (w - startWall), gApp.lastTransferEnd);
            std::fflush(stdout);
            streaming = false;
            QApplication::exit(0);
        }
    });
    driver.start();
    QTimer::singleShot(500, [] { platform::postCommand(kCommandTransfer); });
    return runApplication(nullptr);
}
