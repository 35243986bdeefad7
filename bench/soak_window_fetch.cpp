// CPU soak of the real main window while it fetches at the line's pace: starts
// the program's own window, chooses Transfer, picks a span in the real span
// dialog and prints the process's CPU (user + system, % of one core) for each
// 30 s stretch and for the whole fetch. A logger must stand on the configured
// port (vantrel-logger-sim --pace real, or a real one).
//
//   soak_window_fetch [--span INDEX] [--port N] [--stretch S] [--seconds S]
//
// --seconds ends the soak (and the program) after that long of receiving.
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
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

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

// CPU seconds of each thread of this process since it started.
void printThreads() {
    const std::filesystem::path tasks("/proc/self/task");
    for (const auto& entry : std::filesystem::directory_iterator(tasks)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::atoll(field.c_str());
            if (i == 15) stime = std::atoll(field.c_str());
        }
        std::printf("  thread %s %s: %.2f s\n", entry.path().filename().c_str(),
                    line.substr(line.find('(') + 1, close - line.find('(') - 1).c_str(),
                    static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK)));
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int span = 13;  // "12 days"
    int port = 0;
    double stretch = 30.0;
    double limit = 0.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--span") == 0) span = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--port") == 0) port = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--stretch") == 0) stretch = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--seconds") == 0) limit = std::atof(argv[i + 1]);
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
        if (streaming && (!transferRunning() || (limit > 0 && wallSeconds() - startWall >= limit))) {
            const double w = wallSeconds(), c = cpuSeconds();
            std::printf("whole fetch: %.0f s, %u samples, cpu %.2f %% (end %d)\n", w - startWall,
                        gApp.receivedCount.load(), 100.0 * (c - startCpu) / (w - startWall), gApp.lastTransferEnd);
            std::fflush(stdout);
            streaming = false;
            printThreads();
            std::_Exit(0);  // a soak cut short leaves the transfer running: no orderly close
        }
    });
    driver.start();
    QTimer::singleShot(500, [] { platform::postCommand(kCommandTransfer); });
    return runApplication(nullptr);
}
