// The dialogs of vantreldaq.exe from its own resource templates, run over a
// window of the test: the span dialog's enable rules, sample time and result,
// the set-time dialog's start values and checks, the progress window's Abort,
// the three answers of the unsaved-work question and the two of the Yes/No
// question, the count of open modal dialogs, the end of the desktop session
// as the main window handles it, the About logo and the program icon. A modal dialog is driven from a thread timer that fires inside
// its message loop, one step per tick. Needs a display.
#include "platform/win32/dialogs_win32.h"
#include "platform/win32/message_loop_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>  // DLLVERSIONINFO

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/session_win32.h"
#include "platform/win32/text_win32.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/ui_texts.h"
#include "shell/user_prefs.h"
#include "support/chart_recording.h"
#include "support/scripted_logger.h"
#include "support/temp_dir.h"

using namespace platform::win32;
using platform::SaveAnswer;

namespace {

// Under Wine with no window manager (the test's Xvfb), every top-level window
// that is shown and hidden waits about two seconds for a manager that never
// answers. This program's windows need none, so it asks Wine to leave them
// unmanaged. Wine reads that setting when the process starts: the first run
// in a fresh prefix writes it and runs the program again, passing on its exit
// code. Nothing of this happens on Windows itself.
const bool gUnmanaged = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return false;
    wchar_t self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring name(self, n);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name + L"\\X11 Driver";
    wchar_t value[4] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", RRF_RT_REG_SZ, nullptr, value, &size) ==
        ERROR_SUCCESS)
        return true;
    if (RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, L"N", 4) != ERROR_SUCCESS)
        return false;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = GetCommandLineW();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return false;  // run here, only slower
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    ExitProcess(code);
}();

using Step = std::function<void(HWND)>;
std::deque<Step> gSteps;

BOOL CALLBACK findDialog(HWND hwnd, LPARAM param) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (std::wstring(cls) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

void CALLBACK onTick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;  // not up yet
    if (gSteps.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    Step step = std::move(gSteps.front());
    gSteps.pop_front();
    if (gSteps.empty()) KillTimer(nullptr, timer);
    step(dialog);
}

// Runs a modal dialog with steps played into it, one per tick.
template <class Run>
auto driven(std::deque<Step> steps, Run run) {
    gSteps = std::move(steps);
    SetTimer(nullptr, 0, 20, onTick);
    return run();
}

std::string text(HWND dialog, int id) {
    wchar_t buffer[256] = {};
    const int n = GetDlgItemTextW(dialog, id, buffer, 256);
    return narrow(buffer, n);
}
std::string title(HWND window) {
    wchar_t buffer[256] = {};
    const int n = GetWindowTextW(window, buffer, 256);
    return narrow(buffer, n);
}
void click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void setField(HWND dialog, int id, const wchar_t* value) { SetDlgItemTextW(dialog, id, value); }
// A key as the user types it, to the focused control through the dialog's loop.
void key(WPARAM vk) {
    PostMessageW(GetFocus(), WM_KEYDOWN, vk, 1);
    PostMessageW(GetFocus(), WM_KEYUP, vk, 0xC0000001);
}
// Moves the focus the way Tab does, so the dialog manager updates the default button.
void focus(HWND dialog, int id) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

class Win32Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        ASSERT_TRUE(initDialogControls());
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 400,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        gSteps.clear();
        DestroyWindow(owner_);
    }
    HWND owner_ = nullptr;
};

struct SpanCase {
    std::uint16_t sampleTime;
    int firstEnabled, lastEnabled;  // the enabled span buttons form one run
    const char* shown;              // field 1016
};

// The program's manifest (compiled into this test too) brings Common
// Controls 6, the themed ones; the dialogs' classes register under it.
TEST_F(Win32Dialogs, CommonControlsSixAreTheOnesLoaded) {
    // The module the program's own calls go to, not just any comctl32 loaded.
    HMODULE comctl = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&InitCommonControlsEx)),
                                   &comctl));
    using GetVersion = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    const auto getVersion = reinterpret_cast<GetVersion>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    ASSERT_NE(getVersion, nullptr);
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    ASSERT_EQ(getVersion(&version), S_OK);
    // Wine's copy in its 6.0 side-by-side folder still calls itself 5.81.
    wchar_t file[MAX_PATH] = {};
    GetModuleFileNameW(comctl, file, MAX_PATH);
    std::wstring path = file;
    CharLowerW(path.data());
    EXPECT_TRUE(version.dwMajorVersion == 6 || (path.find(L"\\winsxs\\") != std::wstring::npos &&
                                                    path.find(L"common-controls_6595b64144ccf1df_6.") != std::wstring::npos))
        << version.dwMajorVersion << " " << platform::win32::narrow(file);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    for (const wchar_t* name : {UPDOWN_CLASSW, PROGRESS_CLASSW, TOOLTIPS_CLASSW})
        EXPECT_TRUE(GetClassInfoExW(nullptr, name, &cls)) << platform::win32::narrow(name);
}

TEST_F(Win32Dialogs, SpanDialogEnablesBySampleTimeAndReturnsFiveHoursUntouched) {
    const SpanCase cases[] = {{2, 1001, 1008, "0.02"},  {5, 1002, 1009, "0.05"},  {10, 1003, 1011, "0.10"},
                              {20, 1004, 1011, "0.20"}, {50, 1005, 1012, "0.50"}, {100, 1007, 1014, "1.00"}};
    for (const SpanCase& c : cases) {
        SCOPED_TRACE(c.sampleTime);
        gApp.transferSampleTime = c.sampleTime;
        int tools = 0;
        std::string lastTip;
        const int result = driven({[&](HWND d) {
                                      for (int id = 1001; id <= 1014; ++id)
                                          EXPECT_EQ(IsWindowEnabled(GetDlgItem(d, id)) != 0,
                                                    id >= c.firstEnabled && id <= c.lastEnabled)
                                              << id;
                                      EXPECT_EQ(IsDlgButtonChecked(d, 1008), BST_CHECKED);
                                      // The first span starts their group; the group is one tab
                                      // stop, which the button control keeps on the checked span.
                                      for (int id = 1001; id <= 1014; ++id) {
                                          const LONG style = GetWindowLongW(GetDlgItem(d, id), GWL_STYLE);
                                          EXPECT_EQ((style & WS_GROUP) != 0, id == 1001) << id;
                                          EXPECT_EQ((style & WS_TABSTOP) != 0, id == 1008) << id;
                                      }
                                      EXPECT_EQ(text(d, 1016), c.shown);
                                      EXPECT_EQ(title(d), messageTextPtr(23));
                                      EXPECT_EQ(text(d, 1008), messageTextPtr(8));
                                      HWND tips = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
                                      while (tips != nullptr && GetWindow(tips, GW_OWNER) != d)
                                          tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr);
                                      if (tips != nullptr) {
                                          tools =
                                              static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
                                          // A disabled span's tip, tied to its place on the dialog.
                                          wchar_t tip[512] = {};
                                          TTTOOLINFOW tool{};
                                          tool.cbSize = TTTOOLINFOW_V2_SIZE;
                                          tool.hwnd = d;
                                          tool.uId = 1014;
                                          tool.lpszText = tip;
                                          SendMessageW(tips, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
                                          lastTip = narrow(tip);
                                      }
                                      click(d, IDOK);
                                  }},
                                  [&] { return runSpanDialogOver(owner_); });
        EXPECT_EQ(result, 8);  // "5 hours"
        EXPECT_EQ(tools, 14);  // every span says what it fetches, enabled or not
        if (c.lastEnabled < 1014) {
            EXPECT_EQ(lastTip, spanButtonTip(13, c.sampleTime)) << "12 days says why it is not offered";
            EXPECT_EQ(lastTip.rfind("Not offered", 0), 0u) << lastTip;
        }
    }
}

TEST_F(Win32Dialogs, SpanDialogInGermanReturnsTheLastClickAndCancelsOnEnterOnCancel) {
    gSettings.language = German;
    gApp.transferSampleTime = 10;
    const int chosen = driven({[&](HWND d) {
                                  EXPECT_EQ(title(d), "Daten speichern");
                                  EXPECT_EQ(text(d, 1031), "Datenmenge");
                                  EXPECT_EQ(text(d, 1032), "Speicher Intervall");
                                  EXPECT_EQ(text(d, IDCANCEL), "Abbrechen");
                                  EXPECT_EQ(text(d, IDOK), "Get");
                                  click(d, 1011);  // 1 day
                                  click(d, 1007);  // 2 hours
                                  click(d, IDOK);
                              }},
                              [&] { return runSpanDialogOver(owner_); });
    EXPECT_EQ(chosen, 7);
    // A keyboard user on Cancel who presses Enter must not start a fetch.
    const int cancelled = driven({[](HWND d) {
                                     click(d, 1011);
                                     focus(d, IDCANCEL);
                                     key(VK_RETURN);
                                 }},
                                 [&] { return runSpanDialogOver(owner_); });
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(driven({[](HWND) { key(VK_ESCAPE); }}, [&] { return runSpanDialogOver(owner_); }), 0);
}

TEST_F(Win32Dialogs, SetTimeDialogStartsFromRecordZeroAndKeepsAnInvalidEntryOpen) {
    gStore[0].year = 8;
    gStore[0].month = 2;
    gStore[0].day = 29;
    gStore[0].hour = 13;
    gStore[0].minute = 45;
    gStore[0].second = 7;
    bool stayedOpen = false;
    const int result = driven(
        {[](HWND d) {
             EXPECT_EQ(title(d), "Set Time");
             EXPECT_EQ(text(d, 1034), "Date");
             const char* shown[][2] = {{"2008", "1022"}, {"2", "1020"},  {"29", "1018"},
                                       {"13", "1024"},   {"45", "1026"}, {"7", "1028"}};
             for (const auto& s : shown) EXPECT_EQ(text(d, std::stoi(s[1])), s[0]) << s[1];
             // All four digits of the year show beside its arrows, whatever the face.
             const HWND year = GetDlgItem(d, 1022);
             RECT field{}, arrows{};
             GetWindowRect(year, &field);
             GetWindowRect(GetDlgItem(d, 1023), &arrows);
             const HDC dc = GetDC(year);
             SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(year, WM_GETFONT, 0, 0)));
             SIZE digits{};
             GetTextExtentPoint32W(dc, L"2008", 4, &digits);
             ReleaseDC(year, dc);
             const auto margins = static_cast<DWORD>(SendMessageW(year, EM_GETMARGINS, 0, 0));
             RECT inside{};
             GetClientRect(year, &inside);
             const int border = (field.right - field.left - inside.right) / 2;
             // Text room: from inside the left border to the arrows, less the
             // margins; the edit keeps a few pixels of it for its caret.
             EXPECT_GE(arrows.left - field.left - border - LOWORD(margins) - HIWORD(margins), digits.cx + 4);
             focus(d, 1024);
             key(VK_UP);  // the hour's up-down steps its edit
         },
         [&](HWND d) {
             EXPECT_EQ(text(d, 1024), "14");
             setField(d, 1018, L"30");  // 30 February
             click(d, 1031);
             stayedOpen = IsWindow(d) && IsWindowVisible(d);
             setField(d, 1018, L"28");
             click(d, 1031);
         }},
        [&] { return runSetTimeDialogOver(owner_); });
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, messageTextPtr(44));
    EXPECT_EQ(result, 1031);
    const std::array<std::uint8_t, 6> entry{7, 45, 14, 28, 2, 8};  // second .. year - 2000
    EXPECT_EQ(gApp.timeEntry, entry);
}

TEST_F(Win32Dialogs, SetTimeDialogInGermanCancelsOnEnterOnCancel) {
    gSettings.language = German;
    const int result = driven({[](HWND d) {
                                  EXPECT_EQ(title(d), "Zeit einstellen");
                                  const char* texts[][2] = {{"Datum", "1034"},
                                                            {"Zeit", "1035"},
                                                            {"Startzeit", "1030"},
                                                            {"Endezeit", "1031"},
                                                            {"Abbrechen", "2"}};
                                  for (const auto& t : texts) EXPECT_EQ(text(d, std::stoi(t[1])), t[0]);
                                  setField(d, 1024, L"99");
                                  focus(d, IDCANCEL);
                                  key(VK_RETURN);
                              }},
                              [&] { return runSetTimeDialogOver(owner_); });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(fake::state().messages.empty());
}

// The template's default push buttons, counted as the dialog manager creates
// them (before it moves the default to the focused button).
INT_PTR CALLBACK countDefaultButtons(HWND dialog, UINT msg, WPARAM, LPARAM param) {
    if (msg != WM_INITDIALOG) return FALSE;
    auto* ids = reinterpret_cast<std::vector<int>*>(param);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            ids->push_back(GetDlgCtrlID(child));
    }
    return TRUE;
}

// Enter on a focused button presses it; Enter in a field takes the time shown
// as the start, also after the focus has passed the end button, never as the
// end: that would shift the whole recording by its length.
TEST_F(Win32Dialogs, SetTimeDialogHasOneDefaultButtonAndEnterInAFieldSetsTheStart) {
    std::vector<int> defaults;
    const HWND probe = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_SET_TIME), owner_,
                                          countDefaultButtons, reinterpret_cast<LPARAM>(&defaults));
    ASSERT_NE(probe, nullptr);
    DestroyWindow(probe);
    EXPECT_EQ(defaults, std::vector<int>{1030});

    gStore[0].year = 26;
    gStore[0].month = 3;
    gStore[0].day = 1;
    gStore[0].hour = 8;
    gStore[0].minute = 50;
    gStore[0].second = 16;
    const struct {
        std::vector<int> focus;  // in turn; the last one gets the Enter
        int result;
    } cases[] = {
        {{1018}, 1030},        // day
        {{1031, 1024}, 1030},  // past the end button, then the hour
        {{1031, 1028}, 1030},  // ... the second
        {{1024, 1031}, 1031},  // the end button itself
        {{1031, 1030}, 1030},
    };
    for (const auto& c : cases) {
        const std::vector<int> focusOrder = c.focus;
        const int result = driven({[focusOrder](HWND d) {
                                      for (int id : focusOrder) focus(d, id);
                                      key(VK_RETURN);
                                  }},
                                  [&] { return runSetTimeDialogOver(owner_); });
        EXPECT_EQ(result, c.result) << c.focus.back();
    }
    EXPECT_TRUE(fake::state().messages.empty());
    const std::array<std::uint8_t, 6> shown{16, 50, 8, 1, 3, 26};  // second .. year - 2000
    EXPECT_EQ(gApp.timeEntry, shown);
}

// What is queued, through the program's own loop step.
void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) dispatchLoopMessage(msg, nullptr, nullptr);
}

TEST_F(Win32Dialogs, ProgressWindowSitsInTheCornerAndItsAbortReachesTheTransfer) {
    const HWND w = createProgressIn(owner_, "Transferring data, please wait...", "Abort");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(createProgressIn(owner_, "x", "y"), w);  // the one window
    EXPECT_EQ(GetParent(w), owner_);
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, owner_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    const HWND bar = GetDlgItem(w, VANTREL_PROGRESS_BAR);
    EXPECT_NE(GetWindowLongW(bar, GWL_STYLE) & PBS_SMOOTH, 0);
    EXPECT_EQ(text(w, VANTREL_PROGRESS_TEXT), "Transferring data, please wait...");
    EXPECT_EQ(text(w, VANTREL_PROGRESS_ABORT), "Abort");
    setProgressBar(w, 42);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 42);
    setProgressBar(w, 250);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
    setProgressDetailText(w, "412.300 von 1.036.800 Werten, noch etwa 7 min");
    EXPECT_EQ(text(w, VANTREL_PROGRESS_DETAIL), "412.300 von 1.036.800 Werten, noch etwa 7 min");

    // Enter on the focused Abort button, through the program's message loop.
    raiseProgress(w);
    EXPECT_EQ(GetFocus(), GetDlgItem(w, VANTREL_PROGRESS_ABORT));
    key(VK_RETURN);
    pump();
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(fake::state().postedCommands, std::vector<int>{10000});
    destroyProgress(w);
    EXPECT_EQ(progressWindow(), nullptr);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(Win32Dialogs, UnsavedWorkQuestionHasThreeAnswers) {
    struct Case {
        Step answer;
        SaveAnswer expected;
    };
    const Case cases[] = {
        {[](HWND d) { click(d, IDOK); }, SaveAnswer::Save},
        {[](HWND d) { click(d, VANTREL_SAVE_DISCARD); }, SaveAnswer::Discard},
        {[](HWND d) { click(d, IDCANCEL); }, SaveAnswer::Cancel},
        {[](HWND) { key(VK_ESCAPE); }, SaveAnswer::Cancel},
        {[](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, SaveAnswer::Cancel},
    };
    for (const Case& c : cases) {
        const SaveAnswer answer =
            driven({[&](HWND d) {
                       EXPECT_EQ(title(d), "VantrelDAQ");
                       EXPECT_EQ(text(d, VANTREL_SAVE_TEXT), "Not saved.\nSave it?");
                       EXPECT_EQ(text(d, IDOK), "&Speichern");
                       EXPECT_EQ(text(d, VANTREL_SAVE_DISCARD), "&Verwerfen");
                       EXPECT_EQ(text(d, IDCANCEL), "Abbrechen");
                       c.answer(d);
                   }},
                   [&] {
                       return askSaveChangesOver(owner_, "Not saved.\nSave it?", "VantrelDAQ", "&Speichern",
                                                 "&Verwerfen", "Abbrechen");
                   });
        EXPECT_EQ(answer, c.expected);
    }
}

TEST_F(Win32Dialogs, YesNoQuestionSaysNoUnlessYesIsChosen) {
    const std::pair<Step, bool> cases[] = {
        {[](HWND d) { click(d, IDYES); }, true},
        {[](HWND d) { click(d, IDNO); }, false},
        {[](HWND) { key(VK_RETURN); }, false},  // No is the default
        {[](HWND) { key(VK_ESCAPE); }, false},
        {[](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, false},
    };
    for (const auto& [answer, expected] : cases) {
        const bool yes = driven({[&](HWND d) {
                                    EXPECT_EQ(title(d), "VantrelDAQ");
                                    EXPECT_EQ(text(d, VANTREL_YES_NO_TEXT), uiText(UiText::StopTransferAndQuit));
                                    EXPECT_EQ(text(d, IDYES), "&Ja");
                                    EXPECT_EQ(text(d, IDNO), "&Nein");
                                    answer(d);
                                }},
                                [&] {
                                    return askYesNoOver(owner_, uiText(UiText::StopTransferAndQuit), "VantrelDAQ",
                                                        "&Ja", "&Nein");
                                });
        EXPECT_EQ(yes, expected);
    }
}

// A timer of ours ticks inside each of these loops: each counts itself as
// open, so a transfer's end waits until the user has answered.
TEST_F(Win32Dialogs, EveryModalDialogCountsWhileOpen) {
    const std::pair<const char*, std::function<void(HWND)>> dialogs[] = {
        {"span", [](HWND owner) { runSpanDialogOver(owner); }},
        {"about", [](HWND owner) { runAboutDialogOver(owner); }},
        {"set time", [](HWND owner) { runSetTimeDialogOver(owner); }},
        {"save changes", [](HWND owner) { askSaveChangesOver(owner, "t", "c", "s", "d", "x"); }},
        {"yes/no", [](HWND owner) { askYesNoOver(owner, "t", "c", "y", "n"); }},
    };
    for (const auto& [name, run] : dialogs) {
        int inside = -1;
        driven({[&](HWND d) {
                   inside = gApp.modalDepth;
                   PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
               }},
               [&] {
                   run(owner_);
                   return 0;
               });
        EXPECT_EQ(inside, 1) << name;
        EXPECT_EQ(gApp.modalDepth, 0) << name;
    }
}

LRESULT CALLBACK sessionWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; sessionMessage(hwnd, msg, wParam, lParam, result)) return result;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The end of the desktop session as the main window takes it: with a transfer
// running the query asks first and a No keeps the session waiting (FALSE)
// with the transfer going on; an ending session stops the transfer, its abort
// code on the line before the link closes, and writes the settings.
TEST_F(Win32Dialogs, SessionEndAsksAboutARunningTransfer) {
    test::TempDir dir(true);
    test::installScriptedLogger();
    WNDCLASSW wc{};
    wc.lpfnWndProc = sessionWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantrelSessionTest";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, L"VantrelSessionTest", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    const struct {
        bool transfer;
        int answer;  // to the Yes/No question: 1 Yes, 0 No
        LRESULT result;
        bool stillRuns;
    } cases[] = {{false, 0, TRUE, false}, {true, 0, FALSE, true}, {true, 1, TRUE, false}};
    for (const auto& c : cases) {
        fake::reset();
        test::loggerRecord().sent.clear();
        gApp.transferOpen = c.transfer ? 1 : 0;
        gApp.receiving = gApp.transferOpen;
        fake::state().yesNoAnswers.push_back(c.answer);
        EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), c.result) << c.transfer << c.answer;
        EXPECT_EQ(fake::state().yesNoQuestions.size(), c.transfer ? 1u : 0u);
        EXPECT_EQ(transferRunning(), c.stillRuns);
        EXPECT_EQ(test::timesSent(CodeAbort), c.transfer && c.answer == 1 ? 1 : 0);
    }
    // Called off, then ending with the transfer still running.
    gApp.transferOpen = 1;
    gApp.receiving = 1;
    test::loggerRecord().sent.clear();
    SendMessageW(window, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(transferRunning());
    EXPECT_EQ(test::loggerRecord().closes, 0);
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(transferRunning());
    EXPECT_EQ(test::loggerRecord().sent, std::vector<std::uint16_t>{CodeAbort});
    EXPECT_EQ(test::loggerRecord().closes, 1);
    EXPECT_EQ(test::readFileBytes(dir.file("DAQSetup.cnf")).size(), kSettingsBytes);
    DestroyWindow(window);
    test::removeScriptedLogger();
}

// The load report dialog: its fields start from the preferences, a value
// that cannot be used is named, a good one redraws the page (its demand
// bars on screen), and the options are kept when it closes.
TEST_F(Win32Dialogs, LoadReportDialogTakesTypedOptionsAndKeepsThem) {
    test::fillRecording({.count = 5000, .sampleTime = 100});
    gApp.dataPresent = 1;
    test::TempDir dir;
    setUserPrefsPath(dir.file("view.conf"));
    int barPixels = 0;
    driven({[&](HWND d) {
                EXPECT_EQ(title(d), "Load report");
                EXPECT_EQ(text(d, kReportIdThresholds), "80, 100");
                EXPECT_EQ(IsDlgButtonChecked(d, kReportIdWhole), BST_CHECKED);
                setField(d, kReportIdThresholds, L"90, 300");
                EXPECT_EQ(text(d, kReportIdProblem), "Thresholds: 1 to 254 %, at most 8, separated by commas.");
                setField(d, kReportIdThresholds, L"90, 120");
                EXPECT_EQ(text(d, kReportIdProblem), "");
                UpdateWindow(d);
            },
            [&](HWND d) {
                // The bars stand on the lower plot's base line, near the page's bottom.
                HDC dc = GetDC(d);
                for (int x = 430; x < 800; ++x)
                    barPixels += GetPixel(dc, 10 + x, 64 + 500) == RGB(110, 140, 215) ? 1 : 0;
                ReleaseDC(d, dc);
                click(d, kReportIdShown);
            },
            [&](HWND d) { click(d, IDCANCEL); }},
           [&] {
               runLoadReportDialogOver(owner_);
               return 0;
           });
    EXPECT_GT(barPixels, 50);
    const UserPrefs kept = loadUserPrefs();
    EXPECT_EQ(kept.reportThresholds, (std::vector<int>{90, 120}));
    EXPECT_TRUE(kept.reportShownOnly);
    EXPECT_EQ(gApp.modalDepth, 0);
    setUserPrefsPath({});
}

TEST_F(Win32Dialogs, AboutShowsTheLogoAndTheIconLoads) {
    gSettings.language = German;
    SIZE logo{};
    driven({[&](HWND d) {
               EXPECT_EQ(title(d), "Über");
               const auto shown =
                   reinterpret_cast<HBITMAP>(SendDlgItemMessageW(d, 101, STM_GETIMAGE, IMAGE_BITMAP, 0));
               BITMAP bm{};
               if (shown != nullptr && GetObjectW(shown, sizeof bm, &bm) != 0)
                   logo = {bm.bmWidth, bm.bmHeight};
               click(d, IDOK);
           }},
           [&] {
               runAboutDialogOver(owner_);
               return 0;
           });
    EXPECT_EQ(logo.cx, 64);
    EXPECT_EQ(logo.cy, 64);

    const HINSTANCE self = GetModuleHandleW(nullptr);
    const auto bitmap = static_cast<HBITMAP>(
        LoadImageW(self, MAKEINTRESOURCEW(VANTREL_BITMAP_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION dib{};
    ASSERT_NE(GetObjectW(bitmap, sizeof dib, &dib), 0);
    EXPECT_EQ(dib.dsBm.bmWidth, 64);
    EXPECT_EQ(dib.dsBm.bmHeight, 64);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 4);
    DeleteObject(bitmap);
    for (const int size : {16, 32, 48}) {
        const auto icon = static_cast<HICON>(
            LoadImageW(self, MAKEINTRESOURCEW(VANTREL_ICON_PROGRAM), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

}  // namespace
