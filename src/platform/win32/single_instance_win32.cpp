#include "platform/win32/single_instance_win32.h"

#include <string_view>

#include "platform/win32/text_win32.h"
#include "shell/single_instance.h"

namespace platform::win32 {

namespace {

constexpr ULONG_PTR kCopyDataHandOver = 0x56444148;  // "VDAH": a hand-over, not some other program's data
constexpr wchar_t kMainWindowClass[] = L"VantrelDaq";

struct Search {
    DWORD self;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND hwnd, LPARAM param) {
    auto& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[16] = {};
    if (pid == s.self || GetClassNameW(hwnd, name, 16) == 0 || std::wstring_view(name) != kMainWindowClass) return TRUE;
    s.found = hwnd;
    return FALSE;
}

}  // namespace

bool handOverToFirstProgram(const std::string& message) {
    wchar_t user[257] = {};
    DWORD length = 257;
    const std::string userName = GetUserNameW(user, &length) ? narrow(user) : std::string();
    const std::wstring name = L"Local\\" + widen(firstProgramName(userName));
    // Never closed: the handle marks this program until it ends, and Windows
    // releases it then, however the program ends.
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return false;

    // The first program may still be making its window.
    const ULONGLONG deadline = GetTickCount64() + kHandOverWaitMs;
    Search search{GetCurrentProcessId(), nullptr};
    for (;;) {
        EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) break;
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
    // This start came from the user, so it may pass the foreground on.
    DWORD pid = 0;
    GetWindowThreadProcessId(search.found, &pid);
    AllowSetForegroundWindow(pid);
    COPYDATASTRUCT data{kCopyDataHandOver, static_cast<DWORD>(message.size()), const_cast<char*>(message.data())};
    DWORD_PTR taken = FALSE;
    return SendMessageTimeoutW(search.found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                               kHandOverWaitMs, &taken) != 0 &&
           taken == TRUE;
}

bool takeCopyData(const COPYDATASTRUCT* data) {
    if (data == nullptr || data->dwData != kCopyDataHandOver || (data->cbData > 0 && data->lpData == nullptr))
        return false;
    const std::string_view bytes(static_cast<const char*>(data->lpData), data->cbData);
    return takeHandOver(bytes) == HandOverState::Complete;
}

}  // namespace platform::win32
