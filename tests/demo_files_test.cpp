#include "demo/demo_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "temp_dir.h"

namespace {

demo::DemoFiles& files = demo::SystemDemoFiles();

TEST(DemoFiles, OnlyRegularFilesAreOpened) {
    TempDir dir;
#ifdef _WIN32
    // A user who is no administrator is refused the raw disk and the volume by their access
    // rights anyway: there, those two show nothing of the program's own check; the rest do.
    const std::vector<fs::path> others{dir.path(),
                                       L"NUL",
                                       L"CON",
                                       dir.path() / L"COM1",
                                       LR"(\\.\PhysicalDrive0)",
                                       LR"(\\.\C:)",
                                       LR"(\\?\GLOBALROOT\Device\Null)"};
#else
    const auto fifo = dir.path() / "fifo.dmo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::vector<fs::path> others{dir.path(), "/dev/null", "/dev/zero", fifo};
#endif
    for (const auto& path : others) {
        EXPECT_EQ(files.OpenForReading(path), nullptr) << path;
        EXPECT_EQ(files.OpenForWriting(path), nullptr) << path;
    }
}

#ifdef _WIN32
// While the demo is held, for reading or armed, the game or another program may read it but
// not write, rename or delete it; and a demo it still writes cannot be armed.
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
        const auto held = armed ? files.OpenForWriting(path) : files.OpenForReading(path);
        ASSERT_NE(held, nullptr);
        EXPECT_TRUE(other_can_open(GENERIC_READ)) << armed;
        EXPECT_FALSE(other_can_open(GENERIC_WRITE)) << armed;
        EXPECT_FALSE(MoveFileW(path.c_str(), (dir.path() / L"moved.dmo").c_str())) << armed;
        EXPECT_FALSE(DeleteFileW(path.c_str())) << armed;
    }
    const HANDLE game = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(files.OpenForWriting(path), nullptr);
    CloseHandle(game);
}
#endif

}  // namespace
