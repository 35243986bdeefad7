// Entry of vantreldaq.exe: the shell's start-up, which creates the main window
// and runs the message loop until it is destroyed. "vantreldaq FILE.udd"
// opens that recording once the window is up, or in the window of the
// program this user already runs; "--user-folder" (the Start-menu
// shortcut and the .udd association pass it) runs the program in the user's
// own folder.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/win32/main_window_win32.h"
#include "platform/win32/single_instance_win32.h"
#include "platform/win32/text_win32.h"
#include "shell/main_window.h"
#include "shell/command_line.h"
#include "shell/file_places.h"
#include "shell/settings_folder.h"
#include "shell/single_instance.h"

namespace {

// The program keeps its settings file (DAQSetup.cnf) in the current folder.
// Installed, it lies in Program Files, which a normal user cannot write, and
// Windows starts a shortcut's or an association's program in a folder of its
// choosing; with "--user-folder", or when the start folder takes no new file,
// it runs in %APPDATA%\VantrelDAQ instead, the same folder for every start of
// that user (shell/settings_folder.h decides).

// %APPDATA%\VantrelDAQ, or empty when the profile has no such folder.
std::wstring userFolder() {
    PWSTR base = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &base);
    const std::wstring folder = SUCCEEDED(hr) && base != nullptr ? std::wstring(base) + L"\\VantrelDAQ" : std::wstring();
    CoTaskMemFree(base);
    return folder;
}

// Makes the per-user folder (made by chooseSettingsFolder) the current folder.
// False when it cannot be entered; the program then stays in the folder it
// was started in.
bool enterUserFolder(const std::wstring& folder) {
    if (folder.empty() || !SetCurrentDirectoryW(folder.c_str())) return false;
    // The settings folder is no place for recordings: the file dialogs start
    // in the user's Documents instead.
    setDialogsStartInDocuments(true);
    return true;
}

// Held from the start to the end of every run, so that the installer and the
// uninstaller (packaging/windows/vantreldaq.nsi) can refuse to replace or
// remove the program while it runs. The name is fixed and documented in the
// README; the session's copy always, the machine-wide one where allowed (a
// setup in another session then sees it too). Closed by Windows at the end.
void announceRunning() {
    CreateMutexW(nullptr, FALSE, L"Local\\VantrelDAQ-Running");
    CreateMutexW(nullptr, FALSE, L"Global\\VantrelDAQ-Running");
}

}  // namespace

int main() {
    announceRunning();
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

    // No console to write to: help and version come in a message box.
    const StartArguments asked = parseStartArguments(static_cast<int>(args.size()), argv.data(), true);
    if (asked.request != StartRequest::Run) {
        const std::string text = asked.request == StartRequest::Help
                                     ? usageText("%APPDATA%\\VantrelDAQ", true)
                                     : versionText();
        MessageBoxW(nullptr, platform::win32::widen(text.c_str()).c_str(), L"VantrelDAQ", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    // A recording named relative to where the program was started is found
    // there, whatever the program's folder is later.
    std::string recording;
    if (!asked.recording.empty()) {
        const std::wstring name = platform::win32::widen(asked.recording.c_str());
        std::vector<wchar_t> full(32768, L'\0');
        const DWORD n = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        recording = n > 0 && n < full.size() ? platform::win32::narrow(full.data()) : asked.recording;
    }
    // A program of this user already runs: it opens the file (or just comes
    // to the front) and this start ends.
    if (startLooksForFirst(asked) && platform::win32::handOverToFirstProgram(handOverMessage(recording))) return 0;
    // Only now: the name above is made absolute against the start folder.
    const std::wstring user = userFolder();
    if (chooseSettingsFolder(asked.userFolder, platform::win32::narrow(user.c_str())) == SettingsFolder::User &&
        !enterUserFolder(user))
        OutputDebugStringW(L"vantreldaq: cannot use %APPDATA%\\VantrelDAQ, staying in the current folder\n");
    return runApplication(recording.empty() ? nullptr : recording.c_str());
}
