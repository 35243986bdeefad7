// Entry of vantreldaq.exe: the shell's start-up, which creates the main window
// and runs the message loop until it is destroyed. "vantreldaq FILE.udd"
// opens that recording once the window is up.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/win32/text_win32.h"
#include "shell/main_window.h"
#include "shell/outside_files.h"

int main() {
    // The arguments from the wide command line, as UTF-8: a name in any
    // script survives whatever the ANSI code page is.
    int argc = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; wide != nullptr && i < argc; ++i) args.push_back(platform::win32::narrow(wide[i]));
    if (wide != nullptr) LocalFree(wide);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    // A recording named relative to where the program was started is found
    // there, whatever the program's folder is later.
    std::string recording;
    if (const char* named = recordingArgument(static_cast<int>(args.size()), argv.data()); named != nullptr) {
        const std::wstring name = platform::win32::widen(named);
        std::vector<wchar_t> full(32768, L'\0');
        const DWORD n = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        recording = n > 0 && n < full.size() ? platform::win32::narrow(full.data()) : std::string(named);
    }
    return runApplication(recording.empty() ? nullptr : recording.c_str());
}
