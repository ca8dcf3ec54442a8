// Starts two programs in turn, RUNS times each, and measures for every start the time from
// CreateProcess to a visible top-level window that answers messages, and the peak working set
// at that moment. Prints the medians and the ratios of the first program to the second.
// Usage: startup_bench PROGRAM BASELINE [RUNS]
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Start {
    double milliseconds;
    double peak_kib;
};

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.process && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

bool MeasureStart(const std::wstring& program, Start& start) {
    LARGE_INTEGER frequency{}, begin{}, end{};
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + program + L"\"";
    QueryPerformanceCounter(&begin);
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    bool answered = false;
    for (int tries = 0; tries < 20000 && !answered; ++tries) {
        WindowSearch search{process.dwProcessId, nullptr};
        EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        DWORD_PTR ignored = 0;
        answered =
            search.found != nullptr &&
            SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
        if (!answered) {
            Sleep(0);
        }
    }
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    start.milliseconds = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                         static_cast<double>(frequency.QuadPart);
    start.peak_kib = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    return answered;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench PROGRAM BASELINE [RUNS]\n");
        return 2;
    }
    const std::wstring programs[] = {argv[1], argv[2]};
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 15;
    std::vector<double> times[2], peaks[2];
    for (int run = 0; run < runs; ++run) {
        for (int which = 0; which < 2; ++which) {  // alternating, so drift hits both alike
            Start start{};
            if (!MeasureStart(programs[which], start)) {
                std::fwprintf(stderr, L"%ls did not answer\n", programs[which].c_str());
                return 1;
            }
            times[which].push_back(start.milliseconds);
            peaks[which].push_back(start.peak_kib);
        }
    }
    const double time_ratio = Median(times[0]) / Median(times[1]);
    const double peak_ratio = Median(peaks[0]) / Median(peaks[1]);
    std::printf(
        "start-up, median of %d: program %.1f ms, bare %.1f ms, ratio %.2f (goal <= 1.25)\n", runs,
        Median(times[0]), Median(times[1]), time_ratio);
    std::printf(
        "peak working set, median: program %.0f KiB, bare %.0f KiB, ratio %.2f (goal <= 1.50)\n",
        Median(peaks[0]), Median(peaks[1]), peak_ratio);
    return time_ratio <= 1.25 && peak_ratio <= 1.5 ? 0 : 1;
}
