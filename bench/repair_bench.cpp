// Times a whole repair (test, arm, fix) of an 8-byte demo and of a 5 GiB sparse demo through
// the core, to show that a repair costs the same whatever the demo's size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "demo/repair_controller.h"

namespace {

void WriteBrokenHead(const std::filesystem::path& demo) {
    std::fstream file(demo, std::ios::in | std::ios::out | std::ios::binary);
    file.write("\0\0\0\0", 4);
}

double MedianRepairMicroseconds(const std::filesystem::path& demo, int runs) {
    demo::RepairController controller(demo::SystemDemoFiles(), [](std::wstring_view) {});
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        WriteBrokenHead(demo);
        const auto begin = std::chrono::steady_clock::now();
        if (!controller.OpenDemo(demo.c_str())) {
            return -1;
        }
        controller.FixDemo();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() / "vorlax-repair-bench";
    std::filesystem::create_directories(folder);
    const auto small = folder / "small.dmo";
    const auto huge = folder / "huge.dmo";
    std::ofstream(small, std::ios::binary).write("\0\0\0\0abcd", 8);
    std::ofstream(huge, std::ios::binary).write("\0\0\0\0", 4);
    std::filesystem::resize_file(huge, 5ull << 30);

    constexpr int kRuns = 51;
    const double small_us = MedianRepairMicroseconds(small, kRuns);
    const double huge_us = MedianRepairMicroseconds(huge, kRuns);
    std::filesystem::remove_all(folder);
    if (small_us < 0 || huge_us < 0) {
        std::fprintf(stderr, "a repair failed\n");
        return 1;
    }
    std::printf("repair, median of %d: 8-byte demo %.0f us, 5 GiB demo %.0f us, ratio %.2f\n",
                kRuns, small_us, huge_us, huge_us / small_us);
    return 0;
}
