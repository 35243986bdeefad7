#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "cli_os.h"

namespace cli::os {

namespace {

volatile std::sig_atomic_t gStopSignal = 0;
struct sigaction gOldInt {};
struct sigaction gOldTerm {};

void onStopSignal(int signal) { gStopSignal = signal; }

}  // namespace

void prepareStreams() { std::signal(SIGPIPE, SIG_IGN); }

std::vector<std::string> arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void catchStopSignals() {
    gStopSignal = 0;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sa.sa_flags = SA_RESETHAND;  // the second one ends the process
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &gOldInt);
    sigaction(SIGTERM, &sa, &gOldTerm);
}

void releaseStopSignals() {
    sigaction(SIGINT, &gOldInt, nullptr);
    sigaction(SIGTERM, &gOldTerm, nullptr);
}

int stopSignal() { return gStopSignal; }

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int terminalColumns() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 0;
}

std::string redrawnLine(const std::string& text, int) { return "\r" + text + "\033[K"; }

int folderWritable(const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0 ? 0 : errno; }

}  // namespace cli::os
