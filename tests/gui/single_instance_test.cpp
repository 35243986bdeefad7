// The window program started again by the same user, as real processes on a
// private X display: a later start hands its recording to the first program
// (which shows it) and ends with 0, one without a file just ends; a first
// program that is hung does not hold a later start up, which opens its own
// window; a socket left behind by a killed program is taken over. What the
// first program shows is read off the screen: the trace is the only pure
// blue there. Skipped without Xvfb, xwd and xwdtopnm.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "support/process_runner.h"
#include "support/program_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Process;
using testsupport::startProcess;

bool installed(const char* tool) {
    return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

// Exit code of p within ms, else -1 (p is left running).
int exitWithin(Process& p, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        int status = 0;
        if (::waitpid(p.pid, &status, WNOHANG) == p.pid) {
            p.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

void end(Process& p, int signal = SIGKILL) {
    if (p.pid <= 0) return;
    ::kill(p.pid, signal);
    ::waitpid(p.pid, nullptr, 0);
    p.pid = -1;
}

// Pixels of the trace's blue on the whole screen.
long bluePixels(const std::string& display, const std::string& scratch) {
    const std::string ppm = scratch + "/screen.ppm";
    if (std::system(("xwd -root -silent -display " + display + " | xwdtopnm >" + ppm + " 2>/dev/null").c_str()) != 0)
        return -1;
    FILE* f = std::fopen(ppm.c_str(), "rb");
    if (f == nullptr) return -1;
    int w = 0, h = 0, max = 0;
    long blue = 0;
    // xwdtopnm writes 16-bit samples (big-endian) from a 24-bit screen.
    if (std::fscanf(f, "P6 %d %d %d", &w, &h, &max) == 3 && (max == 255 || max == 65535) && std::fgetc(f) != EOF) {
        const std::size_t size = max == 255 ? 3 : 6;
        unsigned char rgb[6];
        for (long i = 0; i < static_cast<long>(w) * h && std::fread(rgb, 1, size, f) == size; ++i)
            blue += rgb[0] == 0 && rgb[size / 3] == 0 && rgb[2 * size / 3] == 255;
    }
    std::fclose(f);
    return blue;
}

// Whatever a failed check leaves running ends with the test.
struct Reaper {
    Process& xvfb;
    std::vector<Process*> processes;
    ~Reaper() {
        for (Process* p : processes) end(*p);
        end(xvfb, SIGTERM);  // so it removes its lock file
    }
};

template <typename Check>
bool within(int ms, Check check) {
    for (int waited = 0; waited <= ms; waited += 100) {
        if (check()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(SingleInstance, LaterStartsHandOverToTheFirst) {
    for (const char* tool : {"Xvfb", "xwd", "xwdtopnm"})
        if (!installed(tool)) GTEST_SKIP() << tool << " is missing";
    const test::ProgramDir dir;  // entered: the programs' settings land here
    const std::string scratch = dir.path().string();
    const test::TempDir runtime;  // private (0700), as the session's is
    fs::create_directory(dir.path() / "home");
    std::string display;
    for (int n = 140; n < 200 && display.empty(); ++n)
        if (!fs::exists("/tmp/.X" + std::to_string(n) + "-lock") && !fs::exists("/tmp/.X11-unix/X" + std::to_string(n)))
            display = ":" + std::to_string(n);
    Process xvfb = startProcess("/usr/bin/env", {"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                scratch);
    Process first, again, withFile, hungCase, second, handing;
    const Reaper reaper{xvfb, {&first, &again, &withFile, &hungCase, &second, &handing}};
    ASSERT_TRUE(within(10000, [&] { return fs::exists("/tmp/.X11-unix/X" + display.substr(1)); })) << "no Xvfb";
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ::setenv("HOME", (dir.path() / "home").c_str(), 1);
    // COM1 opens: no message box holds the window back (nor, under it, the
    // file handed over). A program that runs on its own gets a port of its own.
    const auto freshPort = [] {
        const int pty = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (pty >= 0 && ::grantpt(pty) == 0 && ::unlockpt(pty) == 0) ::setenv("VANTREL_COM1", ::ptsname(pty), 1);
        return pty;
    };
    const int pty = freshPort();
    ASSERT_GE(pty, 0);

    test::fillRecording({.count = 20000});
    int error = 0;
    const std::string file = dir.file("site.udd");
    ASSERT_EQ(writeRecordingFile(file.c_str(), error), SaveStatus::Saved);
    const std::string program = VANTREL_WINDOW_PROGRAM;
    const fs::path socket = runtime.path() / ("VantrelDAQ-" + std::to_string(::getuid()));
    const auto trace = [&] { return bluePixels(display, scratch) > 2000; };

    first = startProcess(program, {}, scratch);
    ASSERT_TRUE(within(10000, [&] { return fs::exists(socket); })) << "the first program listens";
    again = startProcess(program, {}, scratch);
    EXPECT_EQ(exitWithin(again, 10000), 0) << "a start without a file just ends";
    EXPECT_FALSE(trace());
    withFile = startProcess(program, {"site.udd"}, scratch);
    EXPECT_EQ(exitWithin(withFile, 10000), 0) << "a start with a file hands it over and ends";
    EXPECT_TRUE(within(10000, trace)) << "the first program shows the recording";

    // Hung: the later start gives up waiting and opens its own (empty)
    // window over the first one's trace.
    ::kill(first.pid, SIGSTOP);
    const int otherPty = freshPort();
    hungCase = startProcess(program, {}, scratch);
    EXPECT_TRUE(within(10000, [&] { return !trace(); })) << "a window of its own";
    EXPECT_EQ(exitWithin(hungCase, 0), -1) << "and it runs on";
    end(hungCase);
    end(first);

    // The killed first program's socket is left behind; the next start takes
    // it over, and a start after that hands its file to that one.
    ASSERT_TRUE(fs::exists(socket));
    struct stat before {};
    ::stat(socket.c_str(), &before);
    second = startProcess(program, {}, scratch);
    ASSERT_TRUE(within(10000, [&] {
        struct stat now {};
        return ::stat(socket.c_str(), &now) == 0 && now.st_ino != before.st_ino;
    })) << "a socket of its own in place of the stale one";
    handing = startProcess(program, {file}, scratch);
    EXPECT_EQ(exitWithin(handing, 10000), 0);
    EXPECT_TRUE(within(10000, trace));
    // The programs go before their ports: one that saw its port hang up would
    // open the name again, which by then may be another test's logger.
    end(second);
    end(handing);
    ::close(pty);
    ::close(otherPty);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
