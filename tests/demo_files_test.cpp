#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "demo/demo_file.h"
#include "demo/system_calls.h"
#include "demo/win32_paths.h"
#include "temp_dir.h"

namespace {

demo::DemoFiles& files = demo::SystemDemoFiles();

#ifdef _WIN32
// Wine answers no other question about a pipe or a device, so only this can show that the
// program asks whether a file is on a disk.
DWORD WINAPI AllPipes(HANDLE) {
    return FILE_TYPE_PIPE;
}
#endif

// Only regular files that exist are opened: none is created, for reading or for writing (a demo
// deleted between the Open dialog and the open would be made empty).
TEST(DemoFiles, OnlyExistingRegularFilesAreOpened) {
    TempDir dir;
    const auto missing = dir.path() / "deleted.dmo";
#ifdef _WIN32
    // A user who is no administrator is refused the raw disk and the volume by their access
    // rights anyway: there, those two show nothing of the program's own check; the rest do.
    std::vector<fs::path> others{L"NUL", LR"(\\.\PhysicalDrive0)", LR"(\\.\C:)",
                                 LR"(\\?\GLOBALROOT\Device\Null)"};
    others.insert(others.end(), {dir.path(), dir.path() / L"COM1", missing});
#else
    const auto fifo = dir.path() / "fifo.dmo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::vector<fs::path> others{dir.path(), "/dev/null", "/dev/zero", fifo, missing};
#endif
    for (const auto& path : others) {
        EXPECT_EQ(files.OpenForReading(path.c_str()), nullptr) << path;
        EXPECT_EQ(files.OpenForWriting(path.c_str()), nullptr) << path;
    }
    EXPECT_FALSE(fs::exists(missing));
#ifdef _WIN32
    const auto pipes = demo::SystemDemoFiles({WriteFile, FlushFileBuffers, CloseHandle, AllPipes});
    const auto demo = dir.Write("demo.dmo", {0, 0, 0, 0});
    EXPECT_EQ(pipes->OpenForReading(demo.c_str()), nullptr);
    EXPECT_EQ(pipes->OpenForWriting(demo.c_str()), nullptr);
#endif
}

#ifdef _WIN32
// From MAX_PATH characters on (260: the final null makes it 261), a path opens only with the
// "\\?\" prefix, wherever long paths are not enabled.
TEST(Win32Paths, PathsOfMaxPathCharactersAndLongerAreExtended) {
    const auto of_length = [](std::wstring path, std::size_t n) {
        return path.resize(n, L'a'), path;
    };
    const auto extended = [](const std::wstring& path) {
        return std::wstring(demo::ExtendedLengthPath(path.c_str()).c_str());
    };
    for (const std::size_t n : {259, 260, 261}) {
        const auto local = of_length(LR"(C:\demos\)", n), unc = of_length(LR"(\\pc\share\)", n);
        EXPECT_EQ(extended(local), n < 260 ? local : LR"(\\?\)" + local) << n;
        EXPECT_EQ(extended(unc), n < 260 ? unc : LR"(\\?\UNC)" + unc.substr(1)) << n;
    }
    const auto long_path = LR"(\\?\)" + of_length(LR"(C:\)", 300);
    EXPECT_EQ(extended(long_path), long_path);
}

// While the demo is held, for reading or armed, the game or another program may read it but
// not write, rename or delete it (one refused as the other). (The same sharing keeps a demo the
// game still writes from being armed.)
TEST(DemoFiles, HeldDemoCanBeReadByOthersButNotChanged) {
    TempDir dir;
    const auto path = dir.Write("held.dmo", {0, 0, 0, 0, 1});
    const auto other_can_open = [&](DWORD access) {
        const HANDLE other = CreateFileW(path.c_str(), access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
        return other != INVALID_HANDLE_VALUE && CloseHandle(other);
    };
    for (const bool armed : {false, true}) {
        const auto held =
            armed ? files.OpenForWriting(path.c_str()) : files.OpenForReading(path.c_str());
        ASSERT_NE(held, nullptr);
        SCOPED_TRACE(armed ? "armed" : "held for reading");
        EXPECT_TRUE(other_can_open(GENERIC_READ));
        EXPECT_FALSE(other_can_open(GENERIC_WRITE));
        EXPECT_FALSE(MoveFileW(path.c_str(), (dir.path() / L"moved.dmo").c_str()));
    }
}
#endif

}  // namespace
