// The console side of vantreldaq-cli on Windows.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "cli.h"
#include "cli_os.h"
#include "platform/win32/text_win32.h"

namespace cli::os {

namespace {

std::atomic<int> gStopSignal{0};
std::atomic<bool> gCatching{false};

// The console behind a stream, or nullptr for a file, a pipe or NUL.
HANDLE consoleOf(std::FILE* stream) {
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) ? h : nullptr;
}

// A console takes characters: the UTF-8 bytes as bytes would show in the
// console's code page, which need not be UTF-8 (and a console that is may
// still split a character cut between two writes). Files and pipes get the
// bytes themselves.
void writeStream(std::FILE* stream, const char* bytes, std::size_t n) {
    const HANDLE console = consoleOf(stream);
    if (console == nullptr) {
        std::fwrite(bytes, 1, n, stream);
        return;
    }
    std::fflush(stream);  // what went out through the C library first
    const std::wstring text = platform::win32::widen(std::string(bytes, n));
    std::size_t done = 0;
    while (done < text.size()) {
        // In pieces a console surely takes, never between the halves of a pair.
        DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        if (done + piece < text.size() && IS_HIGH_SURROGATE(text[done + piece - 1])) --piece;
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data() + done, piece, &written, nullptr) || written == 0) {
            if (done == 0) std::fwrite(bytes, 1, n, stream);  // not a console after all
            return;
        }
        done += written;
    }
}

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
    cli::setStreamWriter(writeStream);
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

// A console, not any character device: NUL is one too.
bool stderrIsTerminal() { return consoleOf(stderr) != nullptr; }

// Blanks rather than the erase sequence: a console understands that only when
// asked to (and some that accept the asking still show the sequence), and the
// console's mode is the user's, not ours to change.
std::string redrawnLine(const std::string& text, int width) {
    std::string line = "\r" + text;
    // The bar is ASCII: a byte is a column.
    if (static_cast<int>(text.size()) < width - 1) line.append(static_cast<std::size_t>(width - 1) - text.size(), ' ');
    return line;
}

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
