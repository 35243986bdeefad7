#include "win32/support/program.h"

#include <utility>

#include "platform/win32/text_win32.h"

namespace wintest {

std::wstring besideTest(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

namespace {

struct Search {
    DWORD pid;
    ProgramWindows found;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search.pid || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    const std::wstring name = cls;
    if (name == L"VantrelDaq") search.found.main = hwnd;
    else if (name == L"#32768") search.found.menu = hwnd;
    else if (name == L"#32770") search.found.dialogs.push_back(hwnd);
    return TRUE;
}

}  // namespace

ProgramWindows programWindows(DWORD pid) {
    Search search{pid, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string controlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return platform::win32::narrow(text);
}

std::string shownToolTip(DWORD pid) {
    std::pair<DWORD, std::string> search{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& [wanted, text] = *reinterpret_cast<std::pair<DWORD, std::string>*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            wchar_t cls[64] = {}, tip[256] = {};
            GetClassNameW(hwnd, cls, 64);
            if (owner != wanted || !IsWindowVisible(hwnd) || std::wstring(cls) != L"tooltips_class32") return TRUE;
            SendMessageW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(tip));
            text = platform::win32::narrow(tip);
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

}  // namespace wintest
