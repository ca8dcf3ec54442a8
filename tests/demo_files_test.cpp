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
    const std::vector<std::filesystem::path> others{dir.path(),
                                                    L"NUL",
                                                    L"CON",
                                                    dir.path() / L"COM1",
                                                    LR"(\\.\PhysicalDrive0)",
                                                    LR"(\\.\C:)",
                                                    LR"(\\?\GLOBALROOT\Device\Null)"};
#else
    const auto fifo = dir.path() / "fifo.dmo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::vector<std::filesystem::path> others{dir.path(), "/dev/null", "/dev/zero", fifo};
#endif
    for (const auto& path : others) {
        EXPECT_EQ(files.OpenForReading(path), nullptr) << path;
        EXPECT_EQ(files.OpenForWriting(path), nullptr) << path;
    }
}

#ifdef _WIN32
// What another program gets when it opens the file with `access` and `share`.
bool OtherProgramCanOpen(const std::filesystem::path& path, DWORD access, DWORD share) {
    const HANDLE other =
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (other == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(other);
    return true;
}

TEST(DemoFiles, HeldDemoCanBeReadByOthersButNotChanged) {
    TempDir dir;
    const auto path = dir.Write("held.dmo", {0, 0, 0, 0, 1});
    const auto renamed = dir.path() / "renamed.dmo";
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    for (const bool armed : {false, true}) {
        const auto held = armed ? files.OpenForWriting(path) : files.OpenForReading(path);
        ASSERT_NE(held, nullptr);
        EXPECT_TRUE(OtherProgramCanOpen(path, GENERIC_READ, kShareAll)) << armed;
        EXPECT_FALSE(OtherProgramCanOpen(path, GENERIC_WRITE, kShareAll)) << armed;
        EXPECT_FALSE(MoveFileW(path.c_str(), renamed.c_str())) << armed;
        EXPECT_FALSE(DeleteFileW(path.c_str())) << armed;
        EXPECT_EQ(ReadAll(path), (Bytes{0, 0, 0, 0, 1}));
    }
}

#endif

}  // namespace
