// The console side of vantreldaq-cli on Windows.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "cli_os.h"
#include "platform/win32/text_win32.h"

namespace cli::os {

namespace {

std::atomic<int> gStopSignal{0};
std::atomic<bool> gCatching{false};

// Runs on a thread of its own that Windows starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (!gCatching.load()) return FALSE;
    if (gStopSignal.load() != 0) return FALSE;  // the second one: the default, which ends the process
    gStopSignal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    if (event == CTRL_CLOSE_EVENT) {
        // Windows ends the process when this returns; give the fetch the
        // moment it needs to send the abort code and close the port.
        Sleep(2000);
    }
    return TRUE;
}

}  // namespace

void prepareStreams() {
    // The files' own bytes: no "\r\n" made of "\n" on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

std::vector<std::string> arguments(int argc, char** argv) {
    // The wide command line: the narrow argv holds only what the ANSI code
    // page can say.
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (wide == nullptr || n != argc) {
        if (wide != nullptr) LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(platform::win32::narrow(wide[i]));
    LocalFree(wide);
    return out;
}

void catchStopSignals() {
    gStopSignal = 0;
    gCatching = true;
}

void releaseStopSignals() { gCatching = false; }

int stopSignal() { return gStopSignal.load(); }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

int terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 0;
}

int folderWritable(const std::string& folder) {
    const DWORD attributes = GetFileAttributesW(platform::win32::widen(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ENOENT;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;
    return 0;  // access rights show only when a file is made; the write reports them
}

}  // namespace cli::os
