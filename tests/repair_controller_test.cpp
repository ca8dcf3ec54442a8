#include "demo/repair_controller.h"

#include <gtest/gtest.h>

#include <optional>

#include "demo/system_calls.h"
#include "shown_messages.h"
#include "temp_dir.h"

namespace {

using demo::SlotState;
// The controller shows only the fixed messages, so their views stay valid.
using Shown = std::vector<std::wstring_view>;

// The disk under the repair: it logs each call, and fails the one named, as a full or failing
// disk would; "short write" writes half the bytes.
std::vector<std::string> disk_calls;
std::string failing;
bool Call(const char* name) {
    disk_calls.push_back(name);
    return failing != name;
}
#ifdef _WIN32
BOOL WINAPI Write(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED at) {
    return Call("write") &&
           WriteFile(file, bytes, failing == "short write" ? size / 2 : size, written, at);
}
BOOL WINAPI Flush(HANDLE file) {
    return Call("flush") && FlushFileBuffers(file);
}
BOOL WINAPI Close(HANDLE file) {
    return CloseHandle(file) && Call("close");
}
const auto disk = demo::SystemDemoFiles({Write, Flush, Close, GetFileType});
#else
ssize_t Write(int file, const void* bytes, size_t size, off_t at) {
    return Call("write") ? ::pwrite(file, bytes, failing == "short write" ? size / 2 : size, at)
                         : -1;
}
int Flush(int file) {
    return Call("flush") ? ::fsync(file) : -1;
}
int Close(int file) {
    return ::close(file) == 0 && Call("close") ? 0 : -1;
}
const auto disk = demo::SystemDemoFiles({Write, Flush, Close});
#endif

// Each row: a file, what OpenDemo shows, and what the FixDemo after it shows, on a disk that
// fails one call or none. A healthy demo is held for reading until its message is dismissed; a
// broken one is armed in silence. "Demo has been modified!" comes only once the four bytes were
// written, flushed and closed, and only a repair writes, the first four bytes only; after it, as
// after a failed one, the slot is free, and a second FixDemo finds nothing open.
TEST(RepairController, EveryKindOfFileGetsItsMessageAndOnlyARepairWrites) {
    enum Kind { kFile, kReadOnly, kMissing };
    const Bytes broken = DemoBytes({0, 0, 0, 0}), repaired = DemoBytes(kRepairedLength);
    const std::vector<std::string> every_call{"write", "flush", "close"};
    struct Case {
        const char* file;
        Kind kind = kFile;
        Bytes bytes{};
        Shown on_open{};                      // what OpenDemo shows
        std::wstring_view on_fix = kNotOpen;  // what the FixDemo after it shows
        std::optional<Bytes> after{};         // what the file holds then, where it changed
        std::string fails{};                  // the disk call that fails
        std::vector<std::string> calls{};     // the disk calls of the FixDemo
    };
    // clang-format off
    const Case cases[] = {
        {.file = "broken", .bytes = broken, .on_fix = kModified, .after = repaired,
         .calls = every_call},
        {.file = "four zeros", .bytes = Bytes(4, 0), .on_fix = kModified, .after = kRepairedLength,
         .calls = every_call},
        {.file = "length -1", .bytes = DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}), .on_open = {kHealthy}},
        {.file = "length 2^24", .bytes = DemoBytes({0, 0, 0, 1}), .on_open = {kHealthy}},
        {.file = "already repaired", .bytes = repaired, .on_open = {kHealthy}},
        {.file = "write-protected", .kind = kReadOnly, .bytes = broken, .on_open = {kCannotOpen}},
        {.file = "empty", .on_open = {kCannotOpen}},
        {.file = "three bytes", .bytes = Bytes(3, 0), .on_open = {kCannotOpen}},
        {.file = "missing", .kind = kMissing, .on_open = {kCannotOpen}},
        {.file = "write fails", .bytes = broken, .fails = "write", .calls = {"write"}},
        // As far as the disk wrote it.
        {.file = "short write", .bytes = broken, .after = DemoBytes({0x00, 0x75, 0, 0}),
         .fails = "short write", .calls = {"write"}},
        {.file = "flush fails", .bytes = broken, .after = repaired, .fails = "flush",
         .calls = {"write", "flush"}},
        {.file = "close fails", .bytes = broken, .after = repaired, .fails = "close",
         .calls = every_call},
    };
    // clang-format on
    TempDir dir;
    Shown shown;
    std::vector<SlotState> held;  // the slot while each message is up
    demo::RepairController controller(*disk, [&](std::wstring_view text) {
        shown.push_back(text);
        held.push_back(controller.State());
    });
    for (const Case& row : cases) {
        SCOPED_TRACE(row.file);
        const fs::path path = dir.path() / row.file;
        if (row.kind != kMissing) {
            dir.Write(row.file, row.bytes);
        }
        if (row.kind == kReadOnly) {
            fs::permissions(path, fs::perms::owner_read);
        }
        shown.clear(), held.clear(), disk_calls.clear();
        failing = row.fails;
        const bool armed = !row.calls.empty();
        EXPECT_EQ(controller.OpenDemo(path.c_str()), armed);
        EXPECT_EQ(shown, row.on_open);
        // A healthy demo is held for reading while its message is up.
        const bool healthy = row.on_open == Shown{kHealthy};
        EXPECT_EQ(held, std::vector(row.on_open.size(),
                                    healthy ? SlotState::kHeldForReading : SlotState::kFree));
        EXPECT_EQ(controller.State(), armed ? SlotState::kArmed : SlotState::kFree);
        shown.clear();
        controller.FixDemo();
        controller.FixDemo();
        EXPECT_EQ(shown, (Shown{row.on_fix, kNotOpen}));
        EXPECT_EQ(disk_calls, row.calls);
        EXPECT_EQ(controller.State(), SlotState::kFree);
        if (row.kind == kFile || row.kind == kReadOnly) {
            EXPECT_EQ(ReadAll(path), row.after.value_or(row.bytes));
        }
    }
}

}  // namespace
