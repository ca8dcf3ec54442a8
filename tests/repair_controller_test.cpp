#include "demo/repair_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    const auto ok = kHealthy, refused = kCannotOpen, done = kModified, none = kNotOpen;
    const Bytes broken = DemoBytes({0, 0, 0, 0}), repaired = DemoBytes({0x00, 0x75, 0x2B, 0x7D});
    // Each file, and what it holds after a repair: as it was, where that is not given.
    const std::tuple<const char*, Kind, Bytes, Shown, std::wstring_view, Bytes> cases[] = {
        {"broken", kFile, broken, {}, done, repaired},
        {"four zero bytes", kFile, Bytes(4, 0), {}, done, {0x00, 0x75, 0x2B, 0x7D}},
        {"length -1", kFile, DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}), {ok}, none, {}},
        {"length 2^24", kFile, DemoBytes({0x00, 0x00, 0x00, 0x01}), {ok}, none, {}},
        {"already repaired", kFile, repaired, {ok}, none, {}},
        {"write-protected", kReadOnly, broken, {refused}, none, {}},
        {"empty", kFile, {}, {refused}, none, {}},
        {"three bytes", kFile, Bytes(3, 0), {refused}, none, {}},
        {"missing", kMissing, {}, {refused}, none, {}},
        {"folder", kFolder, {}, {refused}, none, {}},
    };
    TempDir dir;
    Shown shown;
    std::vector<SlotState> held;  // the slot while each message is up
    demo::RepairController controller(demo::SystemDemoFiles(), [&](std::wstring_view text) {
        shown.push_back(text);
        held.push_back(controller.State());
    });
    for (const auto& [what, kind, bytes, on_open, on_fix, after] : cases) {
        SCOPED_TRACE(what);
        const auto path = kind == kFolder
                              ? (fs::create_directory(dir.path() / what), dir.path() / what)
                          : kind == kMissing ? dir.path() / what
                                             : dir.Write(what, bytes);
        if (kind == kReadOnly) {
            fs::permissions(path, fs::perms::owner_read);
        }
        shown.clear(), held.clear();
        const bool armed = on_fix == done;
        EXPECT_EQ(controller.OpenDemo(path), armed);
        EXPECT_EQ(shown, on_open);
        EXPECT_EQ(held, std::vector<SlotState>(on_open.size(), on_open.empty() || on_open[0] != ok
                                                                   ? SlotState::kFree
                                                                   : SlotState::kHeldForReading));
        EXPECT_EQ(controller.State(), armed ? SlotState::kArmed : SlotState::kFree);
        shown.clear();
        controller.FixDemo();
        controller.FixDemo();
        EXPECT_EQ(shown, (Shown{on_fix, none}));
        EXPECT_EQ(controller.State(), SlotState::kFree);
        if (kind == kFile || kind == kReadOnly) {
            EXPECT_EQ(ReadAll(path), after.empty() ? bytes : after);
        }
    }
}

}  // namespace
