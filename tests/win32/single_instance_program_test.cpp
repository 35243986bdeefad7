// vantreldaq.exe started again by the same user, as real processes: a later
// start without a file just ends with 0, one with a file hands it to the
// first program, which shows it, and ends with 0; while the first program's
// window thread is held (hung) a later start does not wait on it but opens a
// window of its own. Needs a display (the script starts Xvfb when there is
// none); skipped when vantreldaq.exe is not beside the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "win32/support/program.h"

namespace {

using wintest::besideTest;

constexpr int kSpan = 2;  // the recording's span, not the start's 0

struct Program {
    PROCESS_INFORMATION pi{};
    bool started = false;
    ~Program() {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    // Exit code within ms, else STILL_ACTIVE.
    DWORD exitWithin(DWORD ms) const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
};

void start(Program& p, const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    p.started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                               &p.pi) != FALSE;
}

// Waits up to 30 s for check(main window of p), answering message boxes (a
// port that does not open) on the way; the main window, or null.
HWND waitFor(const Program& p, const std::function<bool(HWND)>& check) {
    for (int i = 0; i < 300; ++i) {
        const wintest::ProgramWindows w = wintest::programWindows(p.pi.dwProcessId);
        for (HWND box : w.dialogs) PostMessageW(box, WM_COMMAND, IDOK, 0);
        if (w.main != nullptr && w.dialogs.empty() && check(w.main)) return w.main;
        Sleep(100);
    }
    return nullptr;
}

int spanOnShow(HWND main) {
    const HWND combo = FindWindowExW(main, nullptr, L"ComboBox", nullptr);
    return combo != nullptr ? static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
}

TEST(SingleInstanceProgram, LaterStartsHandOverToTheFirst) {
    const std::wstring exe = besideTest(L"vantreldaq.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring folder = std::wstring(tmp) + L"vantrel-single-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring file = folder + L"\\Messung M\u00e4rz.udd";
    test::fillRecording({.count = 20000, .spanIndex = kSpan});
    int error = 0;
    ASSERT_EQ(writeRecordingFile(platform::win32::narrow(file.c_str()).c_str(), error), SaveStatus::Saved);

    Program first, again, withFile, onItsOwn;
    start(first, exe, L"", folder);
    ASSERT_TRUE(first.started);
    const HWND main = waitFor(first, [](HWND) { return true; });
    ASSERT_NE(main, nullptr) << "the first program's window";

    start(again, exe, L"", folder);
    EXPECT_EQ(again.exitWithin(30000), 0u) << "a start without a file just ends";
    start(withFile, exe, L"\"Messung M\u00e4rz.udd\"", folder);
    EXPECT_EQ(withFile.exitWithin(30000), 0u) << "a start with a file hands it over and ends";
    EXPECT_NE(waitFor(first, [](HWND w) { return spanOnShow(w) == kSpan; }), nullptr)
        << "the first program shows the recording";

    // The first program's window thread held: the later start runs on its own.
    ASSERT_NE(SuspendThread(first.pi.hThread), static_cast<DWORD>(-1));
    start(onItsOwn, exe, L"", folder);
    const HWND own = waitFor(onItsOwn, [](HWND) { return true; });
    EXPECT_NE(own, nullptr) << "a window of its own";
    ResumeThread(first.pi.hThread);

    for (const Program* p : {&first, &onItsOwn}) {
        const HWND w = wintest::programWindows(p->pi.dwProcessId).main;
        if (w != nullptr) PostMessageW(w, WM_CLOSE, 0, 0);
        EXPECT_EQ(p->exitWithin(30000), 0u);
    }
    DeleteFileW(file.c_str());
    DeleteFileW((folder + L"\\DAQSetup.cnf").c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
