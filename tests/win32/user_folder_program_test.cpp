// vantreldaq.exe --user-folder, as the installer's Start-menu entry and .udd
// association start it: the program runs in %APPDATA%\VantrelDAQ (creating it)
// and writes its settings there, while a recording named relative to the
// folder it was started in is still found; when the folder cannot be made (a
// file of that name) it stays where it was started; after "--" the flag is a
// file name. Needs a display (the script starts Xvfb when there is none);
// skipped when vantreldaq.exe is not beside the test, or when the user's own
// folder exists already (its settings are not the test's to touch).
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "win32/support/program.h"

namespace {

using wintest::besideTest;

// Found through the older shell call on purpose: both must mean one folder.
std::wstring userFolder() {
    wchar_t base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base))) return {};
    return std::wstring(base) + L"\\VantrelDAQ";
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

enum class Before { Nothing, Folder, FileInTheWay };

struct Case {
    const char* name;
    Before before;             // what stands at %APPDATA%\VantrelDAQ at the start
    const wchar_t* arguments;  // after the program's name
    bool inUserFolder;         // settings there, else in the start folder
    int span;                  // the recording's span on show (it was opened), -1: none
    bool box;                  // a message box comes (the file is refused)
};

constexpr int kSpan = 2;  // the test recording's span, not the start's 0

class UserFolder : public ::testing::TestWithParam<Case> {};

TEST_P(UserFolder, SettingsLandInTheRightFolder) {
    const Case& c = GetParam();
    const std::wstring exe = besideTest(L"vantreldaq.exe");
    if (!exists(exe)) GTEST_SKIP() << "no vantreldaq.exe";
    const std::wstring user = userFolder();
    ASSERT_FALSE(user.empty());
    // Earlier test programs in this prefix may have left the folder (their
    // view or port preferences): it stands aside for the case, then returns.
    struct Aside {
        std::wstring path, aside;
        ~Aside() {
            if (!aside.empty()) MoveFileW(aside.c_str(), path.c_str());
        }
    } kept{user, {}};
    if (exists(user)) {
        kept.aside = user + L".aside-" + std::to_wstring(GetCurrentProcessId());
        if (!MoveFileW(user.c_str(), kept.aside.c_str())) {
            kept.aside.clear();
            GTEST_SKIP() << "the user's own " << platform::win32::narrow(user.c_str()) << " cannot be moved aside";
        }
    }

    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring start = std::wstring(tmp) + L"vantrel-user-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(start.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring recording = start + L"\\Messung M\u00e4rz.udd";
    test::fillRecording({.count = 20000, .spanIndex = kSpan});
    int error = 0;
    ASSERT_EQ(writeRecordingFile(platform::win32::narrow(recording.c_str()).c_str(), error), SaveStatus::Saved);
    if (c.before == Before::Folder) {
        ASSERT_TRUE(CreateDirectoryW(user.c_str(), nullptr));
    }
    if (c.before == Before::FileInTheWay) {
        const HANDLE h = CreateFileW(user.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }

    std::wstring command = L"\"" + exe + L"\" " + c.arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, start.c_str(), &si, &pi));

    // Up to 30 s for the window and the outcome of the file argument.
    // Every message box met on the way is counted and answered.
    HWND main = nullptr;
    int boxes = 0;
    int span = -1;
    for (int i = 0; i < 300; ++i) {
        Sleep(100);
        const wintest::ProgramWindows w = wintest::programWindows(pi.dwProcessId);
        for (HWND box : w.dialogs) PostMessageW(box, WM_COMMAND, IDOK, 0);
        boxes += static_cast<int>(w.dialogs.size());
        if ((main = w.main) == nullptr) continue;
        const HWND combo = FindWindowExW(main, nullptr, L"ComboBox", nullptr);
        span = combo != nullptr ? static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
        if (c.box ? boxes > 0 : c.span < 0 || span == c.span) break;
    }
    ASSERT_NE(main, nullptr) << "no main window";
    if (c.span >= 0) {
        EXPECT_EQ(span, c.span) << "the recording named on the command line is on show";
    }
    EXPECT_EQ(boxes > 0, c.box);

    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    const std::wstring inUser = user + L"\\DAQSetup.cnf";
    const std::wstring inStart = start + L"\\DAQSetup.cnf";
    EXPECT_EQ(exists(inUser), c.inUserFolder);
    EXPECT_EQ(exists(inStart), !c.inUserFolder);

    DeleteFileW(inUser.c_str());
    DeleteFileW(inStart.c_str());
    if (c.before == Before::FileInTheWay) DeleteFileW(user.c_str());
    else RemoveDirectoryW(user.c_str());
    DeleteFileW(recording.c_str());
    RemoveDirectoryW(start.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Starts, UserFolder,
    ::testing::Values(
        Case{"CreatesTheFolder", Before::Nothing, L"--user-folder", true, -1, false},
        Case{"RelativeFileFromTheStartFolder", Before::Folder, L"--user-folder \"Messung M\u00e4rz.udd\"", true, kSpan,
             false},
        Case{"FileInTheWayKeepsTheStartFolder", Before::FileInTheWay, L"--user-folder \"Messung M\u00e4rz.udd\"", false,
             kSpan, false},
        Case{"AfterDoubleDashItIsAFileName", Before::Nothing, L"-- --user-folder", false, -1, true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
