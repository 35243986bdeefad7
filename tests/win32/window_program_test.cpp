// vantreldaq.exe as a user starts it: with a recording named on its command
// line (from a folder with a non-ASCII name), the window comes up at its fixed
// client size and paints the trace; a file that is no recording is refused
// with a message and the window stays empty; the close box ends the program
// with code 0 after writing the settings. Needs a display (the script starts
// Xvfb when there is none); skipped when vantreldaq.exe is not beside the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "win32/support/program.h"

using platform::win32::narrow;
using platform::win32::widen;
using wintest::besideTest;

namespace {

// Columns of the client area holding a pixel of the trace's colour.
int traceColumns(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = rc.right;
    info.bmiHeader.biHeight = -rc.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const HDC dc = CreateCompatibleDC(nullptr);
    std::uint32_t* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    // From the screen: a device context cannot cross into another process
    // under Wine, so PrintWindow would give nothing here.
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const HDC screen = GetDC(nullptr);
    BitBlt(dc, 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    int columns = 0;
    for (int x = 0; x < rc.right; ++x)
        for (int y = 0; y < rc.bottom; ++y)
            if ((bits[y * rc.right + x] & 0xFFFFFF) == 0x0000FF) {
                ++columns;
                break;
            }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return columns;
}

// The saw crosses both charts' 600 columns; the screen may still be catching
// up with the paint, so the test waits until most of them show.
constexpr int kTraceColumns = 400;

struct Case {
    const char* name;
    bool recording;     // a real recording, else a file of text
    bool expectTrace;
    bool expectMessage;  // the refusal's message box
};

class WindowProgram : public ::testing::TestWithParam<Case> {};

TEST_P(WindowProgram, StartsShowsAndCloses) {
    const Case& c = GetParam();
    const std::wstring exe = besideTest(L"vantreldaq.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";

    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring base = std::wstring(tmp) + L"vantrel-window-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring folder = base + L"\\Messungen M\u00e4rz";
    CreateDirectoryW(base.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring file = folder + L"\\Messung 1.udd";
    if (c.recording) {
        test::fillRecording({.count = 20000});
        int error = 0;
        ASSERT_EQ(writeRecordingFile(narrow(file.c_str()).c_str(), error), SaveStatus::Saved) << error;
    } else {
        const HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, "not a recording\n", 16, &written, nullptr);
        CloseHandle(h);
    }

    // Started in the folder above, named relative to it.
    std::wstring command = L"\"" + exe + L"\" \"Messungen M\u00e4rz\\Messung 1.udd\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, base.c_str(), &si, &pi));

    // Up to 30 s for the window and its first paint with the file's outcome;
    // message boxes met on the way are counted and answered.
    int boxes = 0;
    int columns = 0;
    HWND main = nullptr;
    for (int i = 0; i < 300; ++i) {
        Sleep(100);
        const wintest::ProgramWindows found = wintest::programWindows(pi.dwProcessId);
        for (HWND box : found.dialogs) {
            ++boxes;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        main = found.main;
        if (main == nullptr || !found.dialogs.empty()) continue;
        // Painted now, so the screen holds this window's picture and not
        // what stood there before it.
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        columns = traceColumns(main);
        // The refusal comes once the message loop runs; give it its time.
        if (c.expectTrace ? columns >= kTraceColumns : (boxes > 0 || !c.expectMessage) && columns == 0) break;
    }
    ASSERT_NE(main, nullptr) << "no main window";
    RECT rc{};
    GetClientRect(main, &rc);
    EXPECT_EQ(rc.right, 800);
    EXPECT_EQ(rc.bottom, 578);
    if (c.expectTrace) {
        EXPECT_GE(columns, kTraceColumns) << "the trace crosses the main chart";
    } else {
        EXPECT_EQ(columns, 0);
    }
    if (c.expectMessage) {
        EXPECT_GE(boxes, 1);
    }

    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_NE(GetFileAttributesW((base + L"\\DAQSetup.cnf").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the settings are written in the folder it ran in";
    DeleteFileW(file.c_str());
    DeleteFileW((base + L"\\DAQSetup.cnf").c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(base.c_str());
}

INSTANTIATE_TEST_SUITE_P(Files, WindowProgram,
                         ::testing::Values(Case{"Recording", true, true, false},
                                           Case{"NotARecording", false, false, true}),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
