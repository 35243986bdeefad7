// vantreldaq.exe against the logger simulator, as a user works with it: with
// COM1 mapped onto the simulator's pseudo-terminal (scripts/test_windows.sh
// does that and sets VANTREL_TEST_LIVE_COM1=1), Transfer opens the span
// dialog, "Get" fetches the preselected span, and the recording is saved,
// exported and dumped through the common file dialogs into a folder with a
// non-ASCII name. With a logger at the line's own pace (VANTREL_TEST_LIVE_PACE
// =real): the end of the desktop session and the close box, mid-transfer, ask
// before they stop it. Skipped without the live port or without
// vantreldaq.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "win32/support/program.h"

using platform::win32::narrow;
using wintest::besideTest;
using wintest::controlText;
using wintest::programWindows;

namespace {

void click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Polls every 100 ms for up to seconds until found() gives a window.
HWND waitFor(double seconds, const std::function<HWND()>& found) {
    for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
        if (HWND h = found()) return h;
        Sleep(100);
    }
    return nullptr;
}

// The program's dialog that has a control with the given id.
HWND dialogWith(DWORD pid, int id) {
    for (HWND d : programWindows(pid).dialogs)
        if (GetDlgItem(d, id) != nullptr) return d;
    return nullptr;
}

// The progress window: the main window's child with the Abort button.
HWND progressWindow(HWND main) {
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgItem(child, 1017) != nullptr) return child;
    return nullptr;
}

// The common file dialog's name field: the combo box of the newer dialog or
// the edit field of the older one.
HWND fileDialog(DWORD pid) {
    for (HWND d : programWindows(pid).dialogs)
        if (GetDlgItem(d, 1148) != nullptr || GetDlgItem(d, 1152) != nullptr) return d;
    return nullptr;
}

// Answers the save dialog the command opens with path; true when it came.
bool saveAs(DWORD pid, HWND main, int command, const std::wstring& path) {
    PostMessageW(main, WM_COMMAND, command, 0);
    const HWND dialog = waitFor(20, [&] { return fileDialog(pid); });
    if (dialog == nullptr) return false;
    const int nameId = GetDlgItem(dialog, 1148) != nullptr ? 1148 : 1152;
    SetDlgItemTextW(dialog, nameId, path.c_str());
    click(dialog, IDOK);
    return waitFor(20, [&] { return fileDialog(pid) == nullptr ? main : nullptr; }) != nullptr;
}

std::uint64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// Waits until a file has reached its final size (written, renamed into place).
std::uint64_t settledSize(const std::wstring& path) {
    std::uint64_t last = 0;
    for (int i = 0; i < 100; ++i) {
        const std::uint64_t now = fileSize(path);
        if (now != 0 && now == last) return now;
        last = now;
        Sleep(100);
    }
    return last;
}

std::size_t lineCount(const std::wstring& path) {
    std::FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == nullptr) return 0;
    std::size_t lines = 0;
    for (int c; (c = std::fgetc(f)) != EOF;) lines += c == '\n';
    std::fclose(f);
    return lines;
}

TEST(WindowTransfer, FetchSaveExportAndDumpThroughTheWindow) {
    char live[8] = {};
    if (GetEnvironmentVariableA("VANTREL_TEST_LIVE_COM1", live, sizeof live) == 0)
        GTEST_SKIP() << "no logger on COM1 (VANTREL_TEST_LIVE_COM1 unset)";
    const std::wstring exe = besideTest(L"vantreldaq.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";

    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring folder =
        std::wstring(tmp) + L"Messungen M\u00e4rz " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                               &pi));
    const DWORD pid = pi.dwProcessId;
    const HWND main = waitFor(30, [&] { return programWindows(pid).main; });
    ASSERT_NE(main, nullptr) << "no main window";

    // Transfer: the logger answers, the span dialog shows its sample time.
    PostMessageW(main, WM_COMMAND, 2016, 0);
    const HWND span = waitFor(20, [&] { return dialogWith(pid, 1008); });
    ASSERT_NE(span, nullptr) << "no span dialog";
    EXPECT_EQ(controlText(span, 1016), "0.10");
    click(span, IDOK);  // "5 hours" at 0.1 s: 180,000 samples
    const DWORD started = GetTickCount();

    // The progress window comes and goes; no message box on the way.
    EXPECT_NE(waitFor(20, [&] { return progressWindow(main); }), nullptr) << "no progress window";
    EXPECT_NE(waitFor(120, [&] { return progressWindow(main) == nullptr ? main : nullptr; }), nullptr)
        << "the transfer did not end";
    // A figure for the log, not a check: the pace depends on the machine.
    const double seconds = (GetTickCount() - started) / 1000.0;
    std::printf("window transfer of 180,000 samples under Wine: %.1f s from \"Get\" to the end, about %.0fx the "
                "1,440 samples/s line\n", seconds, 180000 / seconds / 1440);
    for (HWND d : programWindows(pid).dialogs) ADD_FAILURE() << "a message box: " << controlText(d, 0xFFFF);

    const std::wstring udd = folder + L"\\Messung 1.udd";
    ASSERT_TRUE(saveAs(pid, main, 2009, udd)) << "no save dialog";
    ASSERT_GT(settledSize(udd), 0u);
    int error = 0;
    ASSERT_EQ(readRecordingFile(narrow(udd.c_str()).c_str(), error), LoadStatus::Loaded) << error;
    EXPECT_EQ(gHeader.recordCount, 180000u);
    EXPECT_EQ(gHeader.sampleTime, 10);

    const std::wstring csv = folder + L"\\Messung 1.csv";
    ASSERT_TRUE(saveAs(pid, main, 2015, csv)) << "no export dialog";
    ASSERT_GT(settledSize(csv), 0u);
    EXPECT_EQ(lineCount(csv), 4u + 180000u) << "four lines of heading, then one line a sample";

    const std::wstring bmp = folder + L"\\Bild.bmp";
    ASSERT_TRUE(saveAs(pid, main, 2018, bmp)) << "no dump dialog";
    EXPECT_GT(settledSize(bmp), 800u * 578u);

    // Saved: the close box ends the program without a question.
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1234;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (const wchar_t* name : {L"\\Messung 1.udd", L"\\Messung 1.csv", L"\\Bild.bmp", L"\\DAQSetup.cnf"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

// The desktop session's end and the close box while a transfer runs: the
// program asks; No keeps it and the transfer (the session is told to wait),
// Yes stops the transfer and ends the program. The script checks that the
// logger received the abort.
TEST(WindowTransfer, QuittingMidTransferAsksFirst) {
    char pace[8] = {};
    if (GetEnvironmentVariableA("VANTREL_TEST_LIVE_PACE", pace, sizeof pace) == 0 || std::string(pace) != "real")
        GTEST_SKIP() << "no logger at the line's pace on COM1 (VANTREL_TEST_LIVE_PACE=real unset)";
    const std::wstring exe = besideTest(L"vantreldaq.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring folder = std::wstring(tmp) + L"quit " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                               &pi));
    const DWORD pid = pi.dwProcessId;
    const HWND main = waitFor(30, [&] { return programWindows(pid).main; });
    ASSERT_NE(main, nullptr) << "no main window";
    PostMessageW(main, WM_COMMAND, 2016, 0);
    const HWND span = waitFor(20, [&] { return dialogWith(pid, 1008); });
    ASSERT_NE(span, nullptr) << "no span dialog";
    click(span, IDOK);  // 180,000 samples: over two minutes at the line's pace
    ASSERT_NE(waitFor(20, [&] { return progressWindow(main); }), nullptr) << "no progress window";

    // The session asks to end; the answer comes back once the user has
    // answered the question.
    DWORD_PTR mayEnd = 1234;
    std::thread session([&] {
        SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 60000, &mayEnd);
    });
    HWND question = waitFor(20, [&] { return dialogWith(pid, 1111); });
    EXPECT_NE(question, nullptr) << "no question";
    if (question != nullptr) {
        EXPECT_EQ(controlText(question, 1111), "A transfer is running. Stop it and quit?");
        click(question, IDNO);
    }
    session.join();
    EXPECT_EQ(mayEnd, static_cast<DWORD_PTR>(FALSE)) << "No keeps the session waiting";
    EXPECT_NE(progressWindow(main), nullptr) << "No keeps the transfer";

    PostMessageW(main, WM_CLOSE, 0, 0);
    question = waitFor(20, [&] { return dialogWith(pid, 1111); });
    EXPECT_NE(question, nullptr) << "no question";
    if (question != nullptr) click(question, IDYES);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1234;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DeleteFileW((folder + L"\\DAQSetup.cnf").c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
