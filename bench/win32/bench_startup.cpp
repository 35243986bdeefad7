// Start-up of vantreldaq.exe as a user sees it: from CreateProcess until the
// program's message loop first waits for input (its window is up and painted),
// then the program is closed through its close box. Best and median of ten
// starts, wall time. Run from the build folder under Wine:
//   wine build-win/bench_startup.exe [recording.udd]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Search {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK findMain(HWND hwnd, LPARAM param) {
    auto& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (pid == s.pid && std::wstring(cls) == L"VantrelDaq") {
        s.window = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self, n);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
    std::wstring command = L"\"" + dir + L"vantreldaq.exe\"";
    if (argc > 1) {
        const std::string arg = argv[1];
        command += L" \"" + std::wstring(arg.begin(), arg.end()) + L"\"";
    }
    std::vector<double> times;
    for (int round = 0; round < 10; ++round) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::wstring line = command;
        const double t0 = now();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
            std::fprintf(stderr, "cannot start vantreldaq.exe (%lu)\n", GetLastError());
            return 1;
        }
        WaitForInputIdle(pi.hProcess, 30000);
        times.push_back(now() - t0);
        Search s{pi.dwProcessId, nullptr};
        for (int i = 0; i < 100 && s.window == nullptr; ++i) {
            EnumWindows(findMain, reinterpret_cast<LPARAM>(&s));
            if (s.window == nullptr) Sleep(20);
        }
        if (s.window != nullptr) PostMessageW(s.window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to first idle: best %.1f ms, median %.1f ms (10 starts)\n", times.front() * 1e3,
                times[times.size() / 2] * 1e3);
    // What a first start adds for one program per user, alone (the starts
    // above are too noisy to show it): the user's name and a new named mutex.
    const double c0 = now();
    for (int i = 0; i < 1000; ++i) {
        wchar_t user[257] = {};
        DWORD length = 257;
        GetUserNameW(user, &length);
        const std::wstring name = L"Local\\VantrelDAQ-bench-" + std::to_wstring(i) + L"-" + user;
        const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        if (mutex != nullptr) CloseHandle(mutex);
    }
    std::printf("first-program check: %.1f us (mean of 1000)\n", (now() - c0) * 1e3);
    return 0;
}
