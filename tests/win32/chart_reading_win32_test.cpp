// Reading the charts on Windows. In this process, over the fakes: the context
// menu in both languages and its items' effects, dropped files, view.conf
// under a non-ASCII folder. In the real vantreldaq.exe: the readout follows
// the real pointer and leaves with it, wheel (screen coordinates) and keys move
// the view, and the Menu key's menu turns peaks on in %APPDATA%\VantrelDAQ.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "chart/chart_reading.h"
#include "chart/envelope.h"
#include "fakes/fake_output.h"
#include "fakes/fake_platform.h"
#include "platform/win32/chart_reading_win32.h"
#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/user_prefs.h"
#include "support/chart_recording.h"
#include "support/program_dir.h"
#include "win32/support/program.h"

using namespace platform::win32;

namespace {

class ChartReadingWin32 : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        fake::resetOutput();
    }
    void TearDown() override {
        setUserPrefsPath("");
        resetGlobalStateForTests();
    }
    test::ProgramDir dir_;
};

std::wstring itemText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

TEST_F(ChartReadingWin32, ContextMenuInBothLanguagesAndWhatItsItemsDo) {
    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7});
    for (const auto& [command, texts] :
         {std::pair{CmdGerman, L"Spitzen zeigen|Wert kopieren||Bild als PNG speichern\u2026|Lastbericht\u2026"},
          std::pair{CmdEnglish, L"Show peaks|Copy value||Save picture as PNG\u2026|Load report\u2026"}}) {
        dispatchCommand(command);
        const HMENU menu = buildChartContextMenu(300, 400);
        std::wstring shown;
        for (UINT i = 0; i < static_cast<UINT>(GetMenuItemCount(menu)); ++i)
            shown += (i ? L"|" : L"") + itemText(menu, i);
        EXPECT_EQ(shown, texts);
        DestroyMenu(menu);
    }
    // The check mark follows the peaks, "Copy value" the readout.
    for (const auto& [x, y, peaks, copy] :
         {std::tuple{300, 400, false, true}, std::tuple{300, 100, true, true}, std::tuple{40, 40, false, false},
          std::tuple{300, 300, true, false}}) {
        restorePeaksShown(peaks);
        const HMENU menu = buildChartContextMenu(x, y);
        EXPECT_EQ((GetMenuState(menu, kMenuShowPeaks, MF_BYCOMMAND) & MF_CHECKED) != 0, peaks) << x << "," << y;
        EXPECT_EQ((GetMenuState(menu, kMenuCopyValue, MF_BYCOMMAND) & MF_GRAYED) == 0, copy) << x << "," << y;
        DestroyMenu(menu);
    }

    restorePeaksShown(false);
    runChartMenuCommand(nullptr, kMenuShowPeaks, 300, 400);
    EXPECT_TRUE(peaksShown());
    EXPECT_FALSE(fake::state().invalidations.empty());
    runChartMenuCommand(nullptr, kMenuCopyValue, 300, 400);
    EXPECT_EQ(fake::state().clipboard, readoutText(300, 400));
    // The file dialog waits until the menu has gone.
    runChartMenuCommand(nullptr, kMenuSavePicture, 300, 400);
    EXPECT_EQ(fake::state().postedTasks.size(), 1u);
    EXPECT_TRUE(fake::state().fileDialogs.empty());
}

// A DROPFILES block as the shell hands one over: wide names, double-ended.
HDROP makeDrop(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& n : names) list += n + L'\0';
    list += L'\0';
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(ChartReadingWin32, DroppedFilesOpenTheFirstRecordingOnceTheLoopRuns) {
    const std::wstring folder = L"C:\\Messungen M\u00e4rz";
    const std::wstring recording = folder + L"\\Messung 1.UDD";
    for (const auto& [files, expected] :
         {std::pair{std::vector<std::wstring>{}, std::wstring{}},
          std::pair{std::vector{folder + L"\\notes.txt", folder + L"\\a.udd.bak"}, std::wstring{}},
          std::pair{std::vector{folder + L"\\notes.txt", recording, folder + L"\\b.udd"}, recording}}) {
        const HDROP drop = makeDrop(files);
        EXPECT_EQ(droppedRecording(drop), narrow(expected.c_str())) << files.size();
        GlobalFree(drop);
    }
    // Opened by the Open command's own path once the loop runs: a missing
    // file is told as File > Open tells it.
    handleDroppedFiles(makeDrop({recording}));
    EXPECT_TRUE(fake::state().messages.empty()) << "not inside the drop";
    ASSERT_EQ(fake::state().postedTasks.size(), 1u);
    fake::state().postedTasks[0]();
    EXPECT_EQ(fake::state().messages.size(), 1u);
}

// The user's folder may well have a non-ASCII name.
TEST_F(ChartReadingWin32, PreferencesLiveWhereTheWindowsLayerNamesThem) {
    const std::wstring file = dir_.path().wstring() + L"\\J\u00fcrgen\\VantrelDAQ\\view.conf";
    setUserPrefsPath(narrow(file.c_str()));
    setPeaksShown(true);
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(loadUserPrefs().showPeaks);
    setPeaksShown(false);
    EXPECT_FALSE(loadUserPrefs().showPeaks);
}

int gDepthInMenu = -1;

LRESULT CALLBACK menuWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (LRESULT used = 0; chartReadingMessage(hwnd, msg, wParam, lParam, used)) return used;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The context menu's loop counts as one of our modal menus while it runs, so
// a transfer's end waits for it; the count is given back when it closes.
TEST_F(ChartReadingWin32, ContextMenuCountsWhileOpen) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = menuWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantrelMenuTest";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, L"VantrelMenuTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800,
                                        600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    installChartReading(window);
    gDepthInMenu = -1;
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        gDepthInMenu = gApp.modalDepth;
        EndMenu();
    });
    SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(-1, -1));
    EXPECT_EQ(gDepthInMenu, 1);
    EXPECT_EQ(gApp.modalDepth, 0);
    DestroyWindow(window);
}

// ---- the real program --------------------------------------------------------------

// Polls up to 20 s until done() holds.
template <typename F>
bool waitFor(F done) {
    for (int i = 0; i < 400 && !done(); ++i) Sleep(50);
    return done();
}

TEST(ChartReadingProgram, ReadoutWheelKeysAndMenuInTheRealWindow) {
    const std::wstring exe = wintest::besideTest(L"vantreldaq.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";
    PWSTR appData = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData)));
    const std::string prefs = narrow(appData) + "\\VantrelDAQ\\view.conf";
    CoTaskMemFree(appData);
    const std::string prefsBefore = test::readFileBytes(prefs);
    std::remove(prefs.c_str());

    test::TempDir dir;
    const std::string file = dir.file("Messung.udd");
    test::fillRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7});
    int error = 0;
    ASSERT_EQ(writeRecordingFile(file.c_str(), error), SaveStatus::Saved) << error;
    std::wstring command = L"\"" + exe + L"\" \"" + widen(file) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    _putenv_s("VANTREL_COM2", "COM7");  // for the COM items' tips
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.path().wstring().c_str(), &si, &pi));  // DAQSetup.cnf goes there
    _putenv_s("VANTREL_COM2", "");
    std::unique_ptr<PROCESS_INFORMATION, void (*)(PROCESS_INFORMATION*)> ended(&pi, [](PROCESS_INFORMATION* p) {
        if (WaitForSingleObject(p->hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p->hProcess, 1);
        CloseHandle(p->hThread);
        CloseHandle(p->hProcess);
    });

    HWND main = nullptr, readout = nullptr;
    auto at = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(main, &p);
        return p;
    };
    auto shown = [&] {
        wchar_t text[512] = {};
        SendMessageW(readout, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        return IsWindowVisible(readout) ? narrow(text) : std::string{};
    };
    // The real pointer over the main chart, stepping so that it moves.
    int step = 0;
    ASSERT_TRUE(waitFor([&] {
        const wintest::ProgramWindows found = wintest::programWindows(pi.dwProcessId);
        for (HWND box : found.dialogs) PostMessageW(box, WM_COMMAND, IDOK, 0);  // no port here
        if ((main = found.main) == nullptr || !found.dialogs.empty()) return false;
        readout = FindWindowExW(main, nullptr, L"VantrelReadout", nullptr);
        const POINT p = at(300 + (++step % 2), 400);
        SetCursorPos(p.x, p.y);
        return !shown().empty();
    })) << "no readout over the main chart";
    EXPECT_EQ(shown().rfind("2006-03-05 ", 0), 0u) << shown();
    EXPECT_NE(shown().find("\nValue: "), std::string::npos) << shown();
    RECT box{};
    GetWindowRect(readout, &box);
    EXPECT_TRUE(PtInRect(&box, at(320, 420))) << "beside the pointer";
    GetWindowRect(main, &box);
    EXPECT_EQ(box.left, (GetSystemMetrics(SM_CXSCREEN) - (box.right - box.left)) / 2) << "centred";
    EXPECT_EQ(box.top, (GetSystemMetrics(SM_CYSCREEN) - (box.bottom - box.top)) / 2) << "centred";
    SetCursorPos(box.right + 20, box.bottom + 20);
    EXPECT_TRUE(waitFor([&] { return shown().empty(); })) << "stays after the pointer left";
    const POINT over = at(300, 400);
    SetCursorPos(over.x, over.y);
    EXPECT_TRUE(waitFor([&] { return !shown().empty(); })) << "not back with the pointer";

    // (400, 500) lies in the main chart only once turned into client coordinates.
    const HWND combo = FindWindowExW(main, nullptr, L"ComboBox", nullptr);
    const HWND bar = FindWindowExW(main, nullptr, L"ScrollBar", nullptr);
    auto wheel = [&](int x, int y, int delta, bool ctrl) {
        const POINT p = at(x, y);
        SendMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(ctrl ? MK_CONTROL : 0, delta), MAKELPARAM(p.x, p.y));
        return SendMessageW(combo, CB_GETCURSEL, 0, 0);
    };
    const LRESULT span = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    EXPECT_EQ(wheel(400, 150, 120, true), span) << "over the zoom chart";
    EXPECT_LT(wheel(400, 500, 120, true), span) << "a shorter span";
    wheel(400, 500, -60, false);  // half a notch, then the other half
    wheel(400, 500, -60, false);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 1);
    SendMessageW(main, WM_KEYDOWN, VK_END, 0);
    EXPECT_GT(GetScrollPos(bar, SB_CTL), 1);
    SendMessageW(main, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);

    // Real key presses with no click before: the charts have the keyboard
    // from the start, and Ctrl+S opens the Save dialog.
    auto press = [](std::initializer_list<WORD> keys) {
        std::vector<INPUT> in;
        auto add = [&in](WORD k, DWORD flags) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = k;
            i.ki.dwFlags = flags;
            in.push_back(i);
        };
        for (WORD k : keys) add(k, 0);
        for (auto k = keys.end(); k != keys.begin();) add(*--k, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    };
    SetForegroundWindow(main);
    press({VK_END});
    EXPECT_TRUE(waitFor([&] { return GetScrollPos(bar, SB_CTL) > 1; })) << "End without a click first";
    press({VK_HOME});
    EXPECT_TRUE(waitFor([&] { return GetScrollPos(bar, SB_CTL) == 0; }));
    press({VK_CONTROL, 'S'});
    HWND save = nullptr;
    EXPECT_TRUE(waitFor([&] {
        const std::vector<HWND> open = wintest::programWindows(pi.dwProcessId).dialogs;
        save = open.empty() ? nullptr : open.front();
        return save != nullptr;
    })) << "Ctrl+S";
    if (save != nullptr) PostMessageW(save, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitFor([&] { return wintest::programWindows(pi.dwProcessId).dialogs.empty(); }));

    // The Menu key and Shift+F10, really pressed: the menu opens at the
    // pointer and stays open once the keys are up; Down, Enter: "Show peaks".
    bool peaks = false;
    for (const auto& keys : {std::initializer_list<WORD>{VK_APPS}, std::initializer_list<WORD>{VK_SHIFT, VK_F10}}) {
        SCOPED_TRACE(keys.size() == 1 ? "Menu key" : "Shift+F10");
        peaks = !peaks;
        // The pointer stands over the chart as the program knows it (Wine's
        // cursor position in another process can lag behind a move).
        SetCursorPos(over.x + 1, over.y);
        SetCursorPos(over.x, over.y);
        EXPECT_TRUE(waitFor([&] { return !shown().empty(); })) << "the readout is back with the pointer";
        SetForegroundWindow(main);
        press(keys);
        HWND menu = nullptr;
        ASSERT_TRUE(waitFor([&] { return (menu = wintest::programWindows(pi.dwProcessId).menu) != nullptr; }))
            << "no menu";
        Sleep(300);  // the keys' release, and the system's own menu message for it, have long been handled
        ASSERT_EQ(wintest::programWindows(pi.dwProcessId).menu, menu) << "the menu closed again or another took its place";
        GetWindowRect(menu, &box);
        EXPECT_EQ(box.left, over.x);
        EXPECT_EQ(box.top, over.y);
        press({VK_DOWN});
        press({VK_RETURN});
        const std::string chosen = peaks ? "show-peaks=1" : "show-peaks=0";
        EXPECT_TRUE(waitFor([&] { return test::readFileBytes(prefs).find(chosen) != std::string::npos; })) << chosen;
    }
    // The Communication menu from the keyboard: COM 2's tip names its device.
    SetForegroundWindow(main);
    press({VK_MENU, 'C'});
    ASSERT_TRUE(waitFor([&] { return wintest::programWindows(pi.dwProcessId).menu != nullptr; }));
    press({VK_DOWN});
    EXPECT_TRUE(waitFor([&] { return wintest::shownToolTip(pi.dwProcessId) == "COM7 [VANTREL_COM2]"; }))
        << wintest::shownToolTip(pi.dwProcessId);
    press({VK_ESCAPE});
    press({VK_ESCAPE});

    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    std::remove(prefs.c_str());
    if (!prefsBefore.empty()) test::writeFileBytes(prefs, prefsBefore);
}

}  // namespace
