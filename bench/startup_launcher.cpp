// Times program starts: from CreateProcess to the program's window being visible, alternating
// between the programs named, and prints the median of each and the ratio to the first.
// Arguments: rounds, then pairs of program path and window class.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    if (pid == s->pid && IsWindowVisible(hwnd) && std::wstring(name) == s->className) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from the start to the visible window, or a negative value on failure.
double TimeStart(const std::wstring& exe, const wchar_t* className) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        return -1;
    }
    Search search{pi.dwProcessId, className, nullptr};
    double ms = -1;
    for (;;) {
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        double elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                         static_cast<double>(frequency.QuadPart);
        if (search.found != nullptr) {
            ms = elapsed;
            break;
        }
        if (elapsed > 60000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            break;
        }
        Sleep(1);
    }
    if (search.found != nullptr) {
        PostMessageW(search.found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ms;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: startup_launcher rounds exe class [exe class ...]\n");
        return 2;
    }
    int rounds = std::max(1, _wtoi(argv[1]));
    std::size_t programs = static_cast<std::size_t>(argc - 2) / 2;
    std::vector<std::vector<double>> times(programs);
    TimeStart(argv[2], argv[3]);  // warm-up: the first start of a session loads Wine's DLLs
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t p = 0; p < programs; ++p) {
            double ms = TimeStart(argv[2 + 2 * p], argv[3 + 2 * p]);
            if (ms < 0) {
                std::fwprintf(stderr, L"no window from %ls\n", argv[2 + 2 * p]);
                return 1;
            }
            times[p].push_back(ms);
        }
    }
    double base = 0;
    for (std::size_t p = 0; p < programs; ++p) {
        std::sort(times[p].begin(), times[p].end());
        double median = times[p][times[p].size() / 2];
        if (p == 0) {
            base = median;
        }
        std::wprintf(L"%ls: median %.1f ms (min %.1f, max %.1f, %d starts), ratio %.2f\n",
                     argv[2 + 2 * p], median, times[p].front(), times[p].back(), rounds,
                     base > 0 ? median / base : 0.0);
    }
    return 0;
}
