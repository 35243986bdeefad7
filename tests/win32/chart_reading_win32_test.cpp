// Reading the charts on Windows: the context menu's items in both languages
// and what they do, dropped files, the preferences under a non-ASCII folder
// (in this process, over the fakes), and the wiring in the real vantreldaq.exe:
// the readout follows the real pointer and leaves with it, wheel (screen
// coordinates) and keys move the view, the Menu key's menu turns peaks on and
// the choice lands in %APPDATA%\VantrelDAQ\view.conf.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
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

std::wstring itemText(HMENU menu, int i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    return text;
}

UINT itemState(HMENU menu, UINT id) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    GetMenuItemInfoW(menu, id, FALSE, &info);
    return info.fState;
}

TEST_F(ChartReadingWin32, ContextMenuInBothLanguagesAndWhatItsItemsDo) {
    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7});
    struct Language {
        int command;
        const wchar_t* texts[3];
    };
    const Language languages[] = {
        {CmdGerman, {L"Spitzen zeigen", L"Wert kopieren", L"Bild als PNG speichern\u2026"}},
        {CmdEnglish, {L"Show peaks", L"Copy value", L"Save picture as PNG\u2026"}},
    };
    for (const Language& l : languages) {
        dispatchCommand(l.command);
        const HMENU menu = buildChartContextMenu(300, 400);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(GetMenuItemCount(menu), 4);
        EXPECT_EQ(itemText(menu, 0), l.texts[0]);
        EXPECT_EQ(itemText(menu, 1), l.texts[1]);
        EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
        EXPECT_EQ(itemText(menu, 3), l.texts[2]);
        DestroyMenu(menu);
    }

    // Check mark and enable state follow the peaks and the readout.
    struct Point {
        int x, y;
        bool peaks;
        bool copyEnabled;
    };
    for (const Point& p : {Point{300, 400, false, true}, Point{300, 100, true, true}, Point{40, 40, false, false},
                           Point{300, 300, true, false}}) {
        restorePeaksShown(p.peaks);
        const HMENU menu = buildChartContextMenu(p.x, p.y);
        EXPECT_EQ((itemState(menu, kMenuShowPeaks) & MFS_CHECKED) != 0, p.peaks) << p.x << "," << p.y;
        EXPECT_EQ((itemState(menu, kMenuCopyValue) & MFS_GRAYED) == 0, p.copyEnabled) << p.x << "," << p.y;
        DestroyMenu(menu);
    }

    // "Show peaks" toggles and repaints; "Copy value" puts the readout on the
    // clipboard with Windows' line ends; the picture waits for the loop.
    restorePeaksShown(false);
    runChartMenuCommand(nullptr, kMenuShowPeaks, 300, 400);
    EXPECT_TRUE(peaksShown());
    EXPECT_FALSE(fake::state().invalidations.empty());
    runChartMenuCommand(nullptr, kMenuShowPeaks, 300, 400);
    EXPECT_FALSE(peaksShown());

    runChartMenuCommand(nullptr, kMenuCopyValue, 300, 400);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(data, nullptr);
    const std::string copied = narrow(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
    CloseClipboard();
    std::string readout = readoutText(300, 400);
    readout.replace(readout.find('\n'), 1, "\r\n");
    EXPECT_EQ(copied, readout);

    ASSERT_TRUE(fake::state().postedTasks.empty());
    runChartMenuCommand(nullptr, kMenuSavePicture, 300, 400);
    ASSERT_EQ(fake::state().postedTasks.size(), 1u);
    EXPECT_TRUE(fake::state().fileDialogs.empty()) << "no dialog inside the menu";
    fake::state().fileAnswers.push_back("");  // cancelled
    fake::state().postedTasks[0]();
    ASSERT_EQ(fake::state().fileDialogs.size(), 1u);
    EXPECT_EQ(fake::state().fileDialogs[0].defaultExt, "png");
}

// A DROPFILES block as the shell hands one over: wide names, double-ended.
HDROP makeDrop(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& n : names) list += n + L'\0';
    list += L'\0';
    const SIZE_T bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(ChartReadingWin32, DroppedFilesOpenTheFirstRecordingOnceTheLoopRuns) {
    const std::wstring folder = dir_.path().wstring() + L"\\Messungen M\u00e4rz";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring recording = folder + L"\\Messung 1.UDD";
    test::fillRecording({.count = 1200});
    int error = 0;
    ASSERT_EQ(writeRecordingFile(narrow(recording.c_str()).c_str(), error), SaveStatus::Saved) << error;
    resetGlobalStateForTests();

    struct Case {
        const char* name;
        std::vector<std::wstring> files;
        std::wstring expected;
    };
    const Case cases[] = {
        {"nothing", {}, L""},
        {"no recording", {folder + L"\\notes.txt", folder + L"\\.udd.bak"}, L""},
        {"the first recording", {folder + L"\\notes.txt", recording, folder + L"\\other.udd"}, recording},
    };
    for (const Case& c : cases) {
        const HDROP drop = makeDrop(c.files);
        EXPECT_EQ(droppedRecording(drop), narrow(c.expected.c_str())) << c.name;
        GlobalFree(drop);
    }

    handleDroppedFiles(makeDrop({recording}));
    EXPECT_EQ(gApp.dataPresent, 0) << "not inside the drop";
    ASSERT_EQ(fake::state().postedTasks.size(), 1u);
    fake::state().postedTasks[0]();
    EXPECT_NE(gApp.dataPresent, 0);
    EXPECT_EQ(gHeader.recordCount, 1200u);
    EXPECT_TRUE(fake::state().messages.empty());
}

// The file the Windows program names lies under a folder that may well have a
// non-ASCII name (the user's); it is made, written and read back through it.
TEST_F(ChartReadingWin32, PreferencesLiveWhereTheWindowsLayerNamesThem) {
    const std::wstring file = dir_.path().wstring() + L"\\J\u00fcrgen\\VantrelDAQ\\view.conf";
    setUserPrefsPath(narrow(file.c_str()));
    EXPECT_EQ(userPrefsPath(), narrow(file.c_str()));
    setPeaksShown(true);
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(loadUserPrefs().showPeaks);
    setPeaksShown(false);
    EXPECT_FALSE(loadUserPrefs().showPeaks);
}

// ---- the real program --------------------------------------------------------------

std::wstring besideTest(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

struct Windows {
    DWORD pid = 0;
    HWND main = nullptr;
    HWND menu = nullptr;  // an open popup menu
    std::vector<HWND> boxes;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM param) {
    auto& found = *reinterpret_cast<Windows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != found.pid || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (std::wstring(cls) == L"VantrelDaq") found.main = hwnd;
    if (std::wstring(cls) == L"#32768") found.menu = hwnd;
    if (std::wstring(cls) == L"#32770") found.boxes.push_back(hwnd);
    return TRUE;
}

Windows look(DWORD pid) {
    Windows found;
    found.pid = pid;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND childOfClass(HWND parent, const wchar_t* cls) {
    return FindWindowExW(parent, nullptr, cls, nullptr);
}

std::wstring windowText(HWND hwnd) {
    wchar_t text[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

POINT onScreen(HWND main, int x, int y) {
    POINT p{x, y};
    ClientToScreen(main, &p);
    return p;
}

// Ends the program if the test leaves before it has ended.
struct Started {
    PROCESS_INFORMATION pi{};
    ~Started() {
        if (pi.hProcess == nullptr) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
};

// Polls up to 20 s until done() holds.
template <typename F>
bool waitFor(F done) {
    for (int i = 0; i < 400; ++i) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

std::string readAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ChartReadingProgram, ReadoutWheelKeysAndMenuInTheRealWindow) {
    const std::wstring exe = besideTest(L"vantreldaq.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";
    PWSTR appData = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData)));
    const std::wstring prefs = std::wstring(appData) + L"\\VantrelDAQ\\view.conf";
    CoTaskMemFree(appData);
    const bool hadPrefs = GetFileAttributesW(prefs.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::string prefsBefore = hadPrefs ? readAll(prefs) : std::string{};
    DeleteFileW(prefs.c_str());

    test::TempDir dir(false);
    const std::wstring file = dir.path().wstring() + L"\\Messung.udd";
    test::fillRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7});
    int error = 0;
    ASSERT_EQ(writeRecordingFile(narrow(file.c_str()).c_str(), error), SaveStatus::Saved) << error;
    std::wstring command = L"\"" + exe + L"\" \"" + file + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    Started started;
    PROCESS_INFORMATION& pi = started.pi;
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.path().wstring().c_str(), &si, &pi));

    HWND main = nullptr;
    HWND readout = nullptr;
    // The real pointer over the main chart, stepping so that it moves: the
    // readout shows once the recording is on show.
    const bool shown = waitFor([&] {
        static int step = 0;
        const Windows found = look(pi.dwProcessId);
        for (HWND box : found.boxes) PostMessageW(box, WM_COMMAND, IDOK, 0);  // no port here
        main = found.main;
        if (main == nullptr || !found.boxes.empty()) return false;
        readout = childOfClass(main, L"VantrelReadout");
        const POINT p = onScreen(main, 300 + (++step % 2), 400);
        SetCursorPos(p.x, p.y);
        return readout != nullptr && IsWindowVisible(readout) && !windowText(readout).empty();
    });
    ASSERT_TRUE(shown) << "no readout over the main chart";
    const std::wstring text = windowText(readout);
    EXPECT_EQ(text.rfind(L"2006-03-05 ", 0), 0u) << narrow(text.c_str());
    EXPECT_NE(text.find(L"\nValue: "), std::wstring::npos) << narrow(text.c_str());
    RECT box{};
    GetWindowRect(readout, &box);
    const POINT beside = onScreen(main, 320, 420);
    EXPECT_TRUE(PtInRect(&box, beside)) << "beside the pointer";

    // Leaving the window hides it (WM_MOUSELEAVE); coming back shows it again.
    RECT frame{};
    GetWindowRect(main, &frame);
    SetCursorPos(frame.right + 20, frame.bottom + 20);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(readout); })) << "left the window";
    const POINT over = onScreen(main, 300, 400);
    SetCursorPos(over.x, over.y);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(readout) != FALSE; })) << "came back";

    // The wheel's point is on the screen; (400, 500) lies in the main chart
    // only once turned into client coordinates.
    const HWND combo = childOfClass(main, L"ComboBox");
    const HWND bar = childOfClass(main, L"ScrollBar");
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(bar, nullptr);
    auto wheel = [&](int x, int y, int delta, bool ctrl) {
        const POINT p = onScreen(main, x, y);
        SendMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(ctrl ? MK_CONTROL : 0, delta), MAKELPARAM(p.x, p.y));
    };
    const LRESULT span = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    wheel(400, 500, -120, true);  // a longer span: none fits
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), span);
    wheel(400, 150, 120, true);  // over the zoom chart: not the wheel's
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), span);
    wheel(400, 500, 120, true);  // a shorter one
    EXPECT_LT(SendMessageW(combo, CB_GETCURSEL, 0, 0), span);
    wheel(400, 500, -60, false);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0) << "half a notch";
    wheel(400, 500, -60, false);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 1);

    // The navigation keys.
    SendMessageW(main, WM_KEYDOWN, VK_END, 0);
    const int last = GetScrollPos(bar, SB_CTL);
    EXPECT_GT(last, 1);
    for (const auto& [key, pos] : {std::pair{VK_HOME, 0}, std::pair{VK_END, last}, std::pair{VK_PRIOR, -1}}) {
        SendMessageW(main, WM_KEYDOWN, key, 0);
        if (pos >= 0) EXPECT_EQ(GetScrollPos(bar, SB_CTL), pos) << key;
        else EXPECT_LT(GetScrollPos(bar, SB_CTL), last) << key;
    }

    // The Menu key: the menu opens at the pointer; Down and Enter choose
    // "Show peaks", which the program keeps for the user.
    PostMessageW(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main), MAKELPARAM(-1, -1));
    HWND menu = nullptr;
    ASSERT_TRUE(waitFor([&] { return (menu = look(pi.dwProcessId).menu) != nullptr; })) << "no menu";
    RECT menuBox{};
    GetWindowRect(menu, &menuBox);
    EXPECT_EQ(menuBox.left, over.x);
    EXPECT_EQ(menuBox.top, over.y);
    PostMessageW(main, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(main, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(waitFor([&] { return look(pi.dwProcessId).menu == nullptr; })) << "the menu stays";
    EXPECT_TRUE(waitFor([&] { return readAll(prefs).find("show-peaks=1") != std::string::npos; })) << "peaks not kept";

    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    DeleteFileW(prefs.c_str());
    if (hadPrefs) std::ofstream(std::filesystem::path(prefs), std::ios::binary) << prefsBefore;
}

}  // namespace
