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

TEST(DemoFiles, ReadsExactlyTheFirstFourBytes) {
    TempDir dir;
    demo::HeadBytes head{};
    for (std::size_t size = 0; size < 4; ++size) {
        const auto file = files.OpenForReading(dir.Write("short.dmo", Bytes(size, 7)));
        ASSERT_NE(file, nullptr);
        EXPECT_FALSE(file->ReadHead(head)) << size << " bytes are no length field";
    }
    const auto file = files.OpenForReading(dir.Write("demo.dmo", {1, 2, 3, 4, 5, 6}));
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->ReadHead(head));
    EXPECT_EQ(head, (demo::HeadBytes{1, 2, 3, 4}));
}

TEST(DemoFiles, WriteProtectedFileIsOnlyOpenedForReading) {
    TempDir dir;
    const auto path = dir.Write("protected.dmo", {0, 0, 0, 0, 1});
    MakeReadOnly(path);
    EXPECT_NE(files.OpenForReading(path), nullptr);
    EXPECT_EQ(files.OpenForWriting(path), nullptr);
    EXPECT_EQ(ReadAll(path), (Bytes{0, 0, 0, 0, 1}));
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

TEST(DemoFiles, DemoAnotherProgramWritesIsNotOpened) {
    TempDir dir;
    const auto path = dir.Write("recording.dmo", {0, 0, 0, 0, 1});
    const HANDLE game = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(game, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.OpenForReading(path), nullptr);
    EXPECT_EQ(files.OpenForWriting(path), nullptr);
    CloseHandle(game);
    EXPECT_NE(files.OpenForReading(path), nullptr);
}
#endif

}  // namespace
