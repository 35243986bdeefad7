// Printing and the screen dump in vantreldaq.exe, driven as a user would from
// another process: Print with no printer installed shows "Unable to open
// printer" and the program goes on; Screen dump through the save dialog writes
// a bitmap of the window's outer rectangle showing the trace; a dump whose file
// cannot be replaced reports it and leaves the existing file as it was; with a
// spooler behind Wine, Print goes through the page setup dialog. Needs
// a display (the script starts Xvfb); skipped without vantreldaq.exe beside it.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "win32/support/program.h"

using platform::win32::narrow;
using wintest::besideTest;
using wintest::controlText;

namespace {

constexpr int kCmdScreenDump = 2018;
constexpr int kCmdPrinter = 2019;
constexpr int kFileNameCombo = 0x47C;  // cmb13, the save dialog's file name
constexpr int kFileNameEdit = 0x480;   // edt1, the same in older templates
constexpr int kBoxText = 0xFFFF;       // a message box's text

std::string readFile(const std::wstring& path) {
    std::ifstream in(narrow(path.c_str()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

class OutputProgram : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = besideTest(L"vantreldaq.exe");
        if (GetFileAttributesW(exe_.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq.exe";
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        base_ = std::wstring(tmp) + L"vantrel-output-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(base_.c_str(), nullptr);
        test::fillRecording({.count = 20000});
        int error = 0;
        ASSERT_EQ(writeRecordingFile(narrow((base_ + L"\\rec.udd").c_str()).c_str(), error), SaveStatus::Saved);
        std::wstring command = L"\"" + exe_ + L"\" rec.udd";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ASSERT_TRUE(CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, base_.c_str(),
                                   &si, &pi_));
        // A message on the way (a COM port the start-up cannot use) is answered.
        for (int i = 0; i < 300 && main_ == nullptr; ++i) {
            Sleep(100);
            const wintest::ProgramWindows found = wintest::programWindows(pi_.dwProcessId);
            for (HWND box : found.dialogs) PostMessageW(box, WM_COMMAND, IDOK, 0);
            if (found.dialogs.empty()) main_ = found.main;
        }
        ASSERT_NE(main_, nullptr) << "no main window";
        Sleep(500);  // the recording loads once the message loop runs
    }
    void TearDown() override {
        if (pi_.hProcess == nullptr) return;
        if (main_ != nullptr) PostMessageW(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
        for (const wchar_t* f : {L"\\rec.udd", L"\\dump.bmp", L"\\DAQSetup.cnf"}) DeleteFileW((base_ + f).c_str());
        RemoveDirectoryW(base_.c_str());
    }

    // Sends a menu command and answers what comes up until done() holds or
    // 20 s pass: the save dialog gets savePath, the question about replacing
    // a file Yes, every message box OK (their texts are collected), and any
    // other dialog OK (counted in confirmed_) after a click on pick_, if set.
    // With id 0 nothing is sent: it answers for a command started otherwise,
    // for tenths of a second (3 s unless given).
    template <class Done>
    std::vector<std::string> command(int id, const std::wstring& savePath, Done done, int tenths = 0) {
        std::vector<std::string> messages;
        if (id != 0) PostMessageW(main_, WM_COMMAND, static_cast<WPARAM>(id), 0);
        for (int i = 0; i < (tenths > 0 ? tenths : id != 0 ? 200 : 30); ++i) {
            Sleep(100);
            const wintest::ProgramWindows found = wintest::programWindows(pi_.dwProcessId);
            for (HWND d : found.dialogs) {
                HWND name = GetDlgItem(d, kFileNameCombo);
                if (name == nullptr) name = GetDlgItem(d, kFileNameEdit);
                if (name != nullptr) {
                    SetWindowTextW(name, savePath.c_str());
                    PostMessageW(d, WM_COMMAND, IDOK, 0);
                } else if (GetDlgItem(d, IDYES) != nullptr) {
                    PostMessageW(d, WM_COMMAND, IDYES, 0);
                } else if (GetDlgItem(d, kBoxText) != nullptr) {
                    messages.push_back(controlText(d, kBoxText));
                    PostMessageW(d, WM_COMMAND, IDOK, 0);
                } else {
                    ++confirmed_;  // another dialog (the page setup)
                    if (pick_ != 0) SendMessageW(GetDlgItem(d, pick_), BM_CLICK, 0, 0);
                    PostMessageW(d, WM_COMMAND, IDOK, 0);
                }
            }
            if (found.dialogs.empty() && done(messages)) break;
        }
        return messages;
    }

    std::wstring exe_, base_;
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
    int confirmed_ = 0;
    int pick_ = 0;
};

TEST_F(OutputProgram, PrintWithoutAPrinterSaysSo) {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed > 0) GTEST_SKIP() << "a printer is installed";
    const auto messages =
        command(kCmdPrinter, L"", [](const std::vector<std::string>& m) { return !m.empty(); });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unable to open printer");
    EXPECT_EQ(WaitForSingleObject(pi_.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program goes on";
}

// Through a real spooler: the test script sets VANTREL_TEST_WINE_SPOOLER when
// it has put a CUPS printer behind Wine, and checks the two pages that come
// out: the first as the page setup dialog proposes it (landscape), the second
// turned to portrait there.
TEST_F(OutputProgram, PrintsInTheOrientationChosenInThePageSetupDialog) {
    if (GetEnvironmentVariableW(L"VANTREL_TEST_WINE_SPOOLER", nullptr, 0) == 0) GTEST_SKIP() << "no spooler set up";
    constexpr int kPortrait = 0x420;  // rad1 of the page setup dialog
    for (int pick : {0, kPortrait}) {
        confirmed_ = 0;
        pick_ = pick;
        auto messages = command(kCmdPrinter, L"", [&](const std::vector<std::string>&) { return confirmed_ > 0; });
        EXPECT_EQ(confirmed_, 1) << "the page setup dialog";
        // An error would come once the page is composed and handed over.
        const auto later = command(0, L"", [](const std::vector<std::string>&) { return false; });
        messages.insert(messages.end(), later.begin(), later.end());
        EXPECT_TRUE(messages.empty()) << messages[0];
    }
}

TEST_F(OutputProgram, ScreenDumpWritesTheWindowAndNeverDestroysAFileItCannotReplace) {
    const std::wstring path = base_ + L"\\dump.bmp";
    const std::string old = "an older picture";
    std::ofstream(narrow(path.c_str()), std::ios::binary) << old;

    // Replacing an existing file, confirmed in the dialog.
    const auto messages = command(kCmdScreenDump, path, [&](const std::vector<std::string>&) {
        return readFile(path).substr(0, 2) == "BM";
    });
    EXPECT_TRUE(messages.empty()) << messages[0];
    const std::string bmp = readFile(path);
    ASSERT_GE(bmp.size(), 54u);
    RECT outer{};
    GetWindowRect(main_, &outer);
    const auto width = static_cast<std::int32_t>(u32(bmp, 18));
    const auto height = static_cast<std::int32_t>(u32(bmp, 22));
    EXPECT_EQ(width, outer.right - outer.left) << "the outer rectangle, frame and menu bar included";
    EXPECT_EQ(height, outer.bottom - outer.top);
    const std::uint32_t offset = u32(bmp, 10);
    const unsigned bits = static_cast<unsigned char>(bmp[28]) | static_cast<unsigned char>(bmp[29]) << 8;
    ASSERT_TRUE(bits == 24 || bits == 32) << bits;
    const std::size_t stride = ((bits * static_cast<std::size_t>(width) + 31) / 32) * 4;
    EXPECT_EQ(bmp.size(), offset + stride * static_cast<std::size_t>(height));
    EXPECT_EQ(u32(bmp, 2), bmp.size());
    // The trace's blue in most of the charts' 600 columns.
    int columns = 0;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            const auto* p = reinterpret_cast<const unsigned char*>(bmp.data() + offset + y * stride + x * (bits / 8));
            if (p[0] == 255 && p[1] == 0 && p[2] == 0) {
                ++columns;
                break;
            }
        }
    EXPECT_GE(columns, 400);

    // The same file held open by another program: the dump reports that it
    // cannot put its picture there, and the picture already there stays.
    const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto refused = command(kCmdScreenDump, path, [](const std::vector<std::string>& m) { return !m.empty(); });
    CloseHandle(held);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].rfind("Error creating the BMP-file", 0), 0u) << refused[0];
    EXPECT_EQ(readFile(path), bmp);
}

// Screen dump chosen in the open Print menu, as a user does: the picture is
// the window's, with no trace of the menu where it hung. The same dump sent
// as a plain command is the reference, pixel for pixel.
TEST_F(OutputProgram, ScreenDumpFromTheMenuLeavesTheMenuOut) {
    const std::wstring plain = base_ + L"\\dump.bmp";
    const std::wstring fromMenu = base_ + L"\\menu.bmp";
    const auto isBitmap = [](const std::wstring& path) { return readFile(path).substr(0, 2) == "BM"; };
    command(kCmdScreenDump, plain, [&](const std::vector<std::string>&) { return isBitmap(plain); });
    ASSERT_TRUE(isBitmap(plain));

    // Alt+P opens the Print menu, its S picks Screen dump.
    PostMessageW(main_, WM_SYSCOMMAND, SC_KEYMENU, 'p');
    HWND menu = nullptr;
    for (int i = 0; i < 100 && menu == nullptr; ++i) {
        Sleep(50);
        menu = wintest::programWindows(pi_.dwProcessId).menu;
    }
    ASSERT_NE(menu, nullptr) << "the Print menu did not open";
    Sleep(300);  // fully drawn on the screen
    RECT shown{}, outer{};
    GetWindowRect(menu, &shown);
    GetWindowRect(main_, &outer);
    PostMessageW(main_, WM_CHAR, 's', 0);
    command(0, fromMenu, [&](const std::vector<std::string>&) { return isBitmap(fromMenu); }, 200);
    ASSERT_TRUE(isBitmap(fromMenu));

    const std::string a = readFile(plain), b = readFile(fromMenu);
    ASSERT_EQ(a.size(), b.size());
    const auto width = static_cast<std::int32_t>(u32(a, 18));
    const auto height = static_cast<std::int32_t>(u32(a, 22));  // bottom-up when positive
    const unsigned bytes = (static_cast<unsigned char>(a[28]) | static_cast<unsigned char>(a[29]) << 8) / 8;
    const std::size_t stride = ((bytes * 8 * static_cast<std::size_t>(width) + 31) / 32) * 4;
    const std::size_t offset = u32(a, 10);
    const int rows = height < 0 ? -height : height;
    const int top = std::max(0, static_cast<int>(shown.top - outer.top));
    const int bottom = std::min(rows, static_cast<int>(shown.bottom - outer.top));
    const int left = std::max(0, static_cast<int>(shown.left - outer.left));
    const int right = std::min(static_cast<int>(width), static_cast<int>(shown.right - outer.left));
    int differing = 0, inside = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const std::size_t row = static_cast<std::size_t>(height > 0 ? rows - 1 - y : y);
            const std::size_t at = offset + row * stride + static_cast<std::size_t>(x) * bytes;
            ++inside;
            differing += a.compare(at, bytes, b, at, bytes) != 0;
        }
    EXPECT_GT(inside, 1000) << "the menu hung over the window";
    EXPECT_EQ(differing, 0) << "of " << inside << " pixels where the menu was";
    DeleteFileW(fromMenu.c_str());
}

}  // namespace
