#include "demo/repair_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/messages.h"
#include "temp_dir.h"

namespace {

namespace message = demo::message;
using demo::SlotState;
// The controller shows only the fixed messages, so their views stay valid.
using Shown = std::vector<std::wstring_view>;

const Bytes kBroken = DemoBytes({0x00, 0x00, 0x00, 0x00});

Bytes Repaired(Bytes bytes) {
    bytes[0] = 0x00, bytes[1] = 0x75, bytes[2] = 0x2B, bytes[3] = 0x7D;
    return bytes;
}

class RepairControllerTest : public testing::Test {
protected:
    TempDir dir_;
    Shown shown_;
    std::vector<SlotState> states_;  // the slot while each message is up
    demo::RepairController controller_{demo::SystemDemoFiles(), [this](std::wstring_view text) {
                                           shown_.push_back(text);
                                           states_.push_back(controller_.State());
                                       }};
};

// Each row: a file, what OpenDemo shows, and what the FixDemo after it shows. A healthy demo is
// held for reading until its message is dismissed; a broken one is armed in silence. Only "Demo
// has been modified!" may come with a change to the file, and then of its first four bytes
// only; a second FixDemo always finds nothing open.
TEST_F(RepairControllerTest, EveryKindOfFileGetsItsMessageAndOnlyARepairWrites) {
    enum class Kind { kFile, kReadOnly, kMissing, kFolder };
    struct Case {
        const char* what;
        Kind kind;
        Bytes bytes;
        Shown on_open;
        std::wstring_view on_fix;
    };
    const auto ok = message::kHealthy, refused = message::kCannotOpen, done = message::kModified,
               none = message::kNotOpen;
    const Case cases[] = {
        {"broken", Kind::kFile, kBroken, {}, done},
        {"four zero bytes", Kind::kFile, Bytes(4, 0), {}, done},
        {"length -1", Kind::kFile, DemoBytes({0xFF, 0xFF, 0xFF, 0xFF}), {ok}, none},
        {"length 2^24", Kind::kFile, DemoBytes({0x00, 0x00, 0x00, 0x01}), {ok}, none},
        {"already repaired", Kind::kFile, Repaired(kBroken), {ok}, none},
        {"write-protected", Kind::kReadOnly, kBroken, {refused}, none},
        {"empty", Kind::kFile, {}, {refused}, none},
        {"three bytes", Kind::kFile, Bytes(3, 0), {refused}, none},
        {"missing", Kind::kMissing, {}, {refused}, none},
        {"folder", Kind::kFolder, {}, {refused}, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shown_.clear();
        states_.clear();
        const auto path = dir_.path() / c.what;
        if (c.kind == Kind::kFolder) {
            fs::create_directory(path);
        } else if (c.kind != Kind::kMissing) {
            dir_.Write(c.what, c.bytes);
        }
        if (c.kind == Kind::kReadOnly) {
            fs::permissions(path, fs::perms::owner_read);  // write-protected
        }
        const bool armed = c.on_fix == message::kModified;

        EXPECT_EQ(controller_.OpenDemo(path), armed);
        EXPECT_EQ(shown_, c.on_open);
        std::vector<SlotState> held;
        for (const auto text : c.on_open) {
            held.push_back(text == ok ? SlotState::kHeldForReading : SlotState::kFree);
        }
        EXPECT_EQ(states_, held);
        EXPECT_EQ(controller_.State(), armed ? SlotState::kArmed : SlotState::kFree);
        shown_.clear();
        controller_.FixDemo();
        controller_.FixDemo();
        EXPECT_EQ(shown_, (Shown{c.on_fix, message::kNotOpen}));
        EXPECT_EQ(controller_.State(), SlotState::kFree);
        if (c.kind == Kind::kFile || c.kind == Kind::kReadOnly) {
            EXPECT_EQ(ReadAll(path), armed ? Repaired(c.bytes) : c.bytes);
        }
    }
}

// A broken demo whose write fails, or else whose close does; opening it gives a copy.
struct FaultyDemo final : demo::DemoFiles, demo::DemoFile {
    explicit FaultyDemo(bool fails) : write_fails(fails) {}
    std::unique_ptr<DemoFile> OpenForReading(const demo::NativePath&) override {
        return std::make_unique<FaultyDemo>(*this);
    }
    std::unique_ptr<DemoFile> OpenForWriting(const demo::NativePath&) override {
        return std::make_unique<FaultyDemo>(*this);
    }
    bool ReadHead(demo::HeadBytes& head) override { return head = {}, true; }
    bool WriteHead(const demo::HeadBytes&) override { return !write_fails; }
    bool Close() override { return write_fails; }
    bool write_fails;
};

TEST(RepairController, FailedWriteOrCloseIsNeverReportedAsSuccess) {
    for (const bool write_fails : {true, false}) {
        FaultyDemo files(write_fails);
        Shown shown;
        demo::RepairController controller(files, [&](std::wstring_view t) { shown.push_back(t); });
        ASSERT_TRUE(controller.OpenDemo({}));
        controller.FixDemo();
        EXPECT_EQ(shown, Shown{message::kNotOpen}) << write_fails;
        EXPECT_EQ(controller.State(), SlotState::kFree);
    }
}

// A demo past MAX_PATH, its name in three scripts: repaired in place, nothing but its field
// changed. (The repair never asks a demo's size, so no demo of over 4 GiB is needed to show that
// one is repaired alike.)
TEST_F(RepairControllerTest, DemoWithALongUnicodePathIsRepairedInPlace) {
    const auto folder = dir_.path() / std::string(150, 'a') / std::string(150, 'b');
    const auto demo = dir_.Write(folder / u8"Запись デモ λ & ω.dmo", kBroken);
    ASSERT_GT(demo.native().size(), 260u);
    ASSERT_TRUE(controller_.OpenDemo(demo));
    controller_.FixDemo();
    EXPECT_EQ(shown_.back(), message::kModified);
    EXPECT_EQ(ReadAll(demo), Repaired(kBroken));
}

}  // namespace
