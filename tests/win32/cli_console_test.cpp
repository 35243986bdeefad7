// vantreldaq-cli.exe in a console window: the progress line is redrawn in
// place (a shorter line leaves nothing of the longer one), and non-ASCII texts (a folder "Messungen März", German texts) reach
// the console's screen whole, whatever its code page. Read back from the
// console's own screen buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli.h"
#include "cli_os.h"
#include "platform/win32/text_win32.h"
#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "win32/support/program.h"

namespace {

using platform::win32::narrow;
using platform::win32::widen;

// Row y of the console's screen, blanks at its end removed.
std::string row(HANDLE console, int y) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(console, &info);
    wchar_t text[512] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, text, std::min<DWORD>(info.dwSize.X, 512), COORD{0, static_cast<SHORT>(y)},
                                &read);
    std::wstring line(text, read);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    return narrow(line.c_str());
}

TEST(CliConsole, ProgressRedrawsInPlaceAndTextsArriveWhole) {
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       &inherit, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(console, INVALID_HANDLE_VALUE);
    // In this process: the program's own stream set-up, then a console code
    // page that cannot say "ä" as UTF-8 bytes: only characters get there.
    SetStdHandle(STD_ERROR_HANDLE, console);
    cli::os::prepareStreams();
    SetConsoleOutputCP(850);
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), console, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    std::FILE* screen = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY), "w");
    ASSERT_NE(screen, nullptr);
    cli::emit(screen, cli::os::redrawnLine("[##########..........]  50% 500/1000", 60));
    cli::emit(screen, cli::os::redrawnLine("[####################] 100%", 60));
    cli::emit(screen, "\nGr\xc3\xb6\xc3\x9f" "e: \xc3\xa4 \xc3\xb6 \xc3\xbc \xc3\x9f\n");
    std::fflush(screen);
    EXPECT_EQ(row(console, 0), "[####################] 100%") << "the longer line is gone, nothing else shows";
    EXPECT_EQ(row(console, 1), "Gr\xc3\xb6\xc3\x9f" "e: \xc3\xa4 \xc3\xb6 \xc3\xbc \xc3\x9f");

    // The program itself, its output on the console.
    const std::wstring exe = wintest::besideTest(L"vantreldaq-cli.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no vantreldaq-cli.exe";
    // A short name, so that the line fits the console's 80 columns.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = narrow(temp) + "M\xc3\xa4rz-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(widen(folder).c_str(), nullptr));
    const std::string file = folder + "\\a.udd";
    test::fillRecording({.count = 1000, .sampleTime = 10, .spanIndex = 7});
    int error = 0;
    ASSERT_EQ(writeRecordingFile(file.c_str(), error), SaveStatus::Saved) << error;
    std::wstring command = L"\"" + exe + L"\" info --lang de \"" + widen(file) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = console;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    bool found = false;
    for (int y = 2; y < 20 && !found; ++y) found = row(console, y) == "File:          " + file;
    EXPECT_TRUE(found) << row(console, 2);
    DeleteFileW(widen(file).c_str());
    RemoveDirectoryW(widen(folder).c_str());
}

}  // namespace
