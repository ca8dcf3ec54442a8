#include "demo/repair_controller.h"

#include <gtest/gtest.h>

#include <optional>

#include "shown_messages.h"
#include "temp_dir.h"

namespace {

using demo::SlotState;
// The controller shows only the fixed messages, so their views stay valid.
using Shown = std::vector<std::wstring_view>;

// Each row: a file, what OpenDemo shows, and what the FixDemo after it shows. A healthy demo is
// held for reading until its message is dismissed; a broken one is armed in silence. Only "Demo
// has been modified!" may come with a change to the file, and then of its first four bytes
// only; a second FixDemo always finds nothing open.
TEST(RepairController, EveryKindOfFileGetsItsMessageAndOnlyARepairWrites) {
    enum Kind { kFile, kReadOnly, kMissing, kFolder };
    const Bytes broken = DemoBytes({0, 0, 0, 0}), repaired = DemoBytes(kRepairedLength);
    struct Case {
        const char* file;
        Kind kind = kFile;
        Bytes bytes{};
        Shown on_open{};                      // what OpenDemo shows
        std::wstring_view on_fix = kNotOpen;  // what the FixDemo after it shows
        std::optional<Bytes> after{};         // what the file holds then, where it changed
    };
    const Case cases[] = {
        {.file = "broken", .bytes = broken, .on_fix = kModified, .after = repaired},
        {.file = "four zeros", .bytes = Bytes(4, 0), .on_fix = kModified, .after = kRepairedLength},
        {.file = "length -1", .bytes = DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}), .on_open = {kHealthy}},
        {.file = "length 2^24", .bytes = DemoBytes({0, 0, 0, 1}), .on_open = {kHealthy}},
        {.file = "already repaired", .bytes = repaired, .on_open = {kHealthy}},
        {.file = "write-protected", .kind = kReadOnly, .bytes = broken, .on_open = {kCannotOpen}},
        {.file = "empty", .on_open = {kCannotOpen}},
        {.file = "three bytes", .bytes = Bytes(3, 0), .on_open = {kCannotOpen}},
        {.file = "missing", .kind = kMissing, .on_open = {kCannotOpen}},
        {.file = "folder", .kind = kFolder, .on_open = {kCannotOpen}},
    };
    TempDir dir;
    Shown shown;
    std::vector<SlotState> held;  // the slot while each message is up
    demo::RepairController controller(demo::SystemDemoFiles(), [&](std::wstring_view text) {
        shown.push_back(text);
        held.push_back(controller.State());
    });
    for (const Case& row : cases) {
        SCOPED_TRACE(row.file);
        const fs::path path = dir.path() / row.file;
        if (row.kind == kFolder) {
            fs::create_directory(path);
        } else if (row.kind != kMissing) {
            dir.Write(row.file, row.bytes);
        }
        if (row.kind == kReadOnly) {
            fs::permissions(path, fs::perms::owner_read);
        }
        shown.clear(), held.clear();
        const bool armed = row.on_fix == kModified;
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
        EXPECT_EQ(controller.State(), SlotState::kFree);
        if (row.kind == kFile || row.kind == kReadOnly) {
            EXPECT_EQ(ReadAll(path), row.after.value_or(row.bytes));
        }
    }
}

}  // namespace
