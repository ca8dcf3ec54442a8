#include "demo/repair_controller.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>
#include <vector>

#include "demo/messages.h"
#include "temp_dir.h"

namespace {

namespace message = demo::message;
using demo::SlotState;
using Shown = std::vector<std::wstring>;

const Bytes kBrokenHead{0x00, 0x00, 0x00, 0x00};
const Bytes kRepairedHead{0x00, 0x75, 0x2B, 0x7D};

Bytes Repaired(Bytes bytes) {
    std::copy(kRepairedHead.begin(), kRepairedHead.end(), bytes.begin());
    return bytes;
}

// Passes everything through to the real files, but the armed demo's write or close can fail.
class FaultyFiles final : public demo::DemoFiles {
public:
    enum class Fault { kWriteRefused, kCloseFails };
    explicit FaultyFiles(Fault fault) : fault_(fault) {}

    std::unique_ptr<demo::DemoFile> OpenForReading(const demo::NativePath& path) override {
        return demo::SystemDemoFiles().OpenForReading(path);
    }
    std::unique_ptr<demo::DemoFile> OpenForWriting(const demo::NativePath& path) override {
        auto real = demo::SystemDemoFiles().OpenForWriting(path);
        return real ? std::make_unique<File>(std::move(real), fault_) : nullptr;
    }

private:
    class File final : public demo::DemoFile {
    public:
        File(std::unique_ptr<demo::DemoFile> real, Fault fault)
            : real_(std::move(real)), fault_(fault) {}
        bool ReadHead(demo::HeadBytes& head) override { return real_->ReadHead(head); }
        bool WriteHead(const demo::HeadBytes& head) override {
            return fault_ != Fault::kWriteRefused && real_->WriteHead(head);
        }
        bool Close() override { return real_->Close() && fault_ != Fault::kCloseFails; }

    private:
        std::unique_ptr<demo::DemoFile> real_;
        Fault fault_;
    };
    Fault fault_;
};

class RepairControllerTest : public testing::Test {
protected:
    demo::RepairController::ShowMessage Record() {
        return [this](std::wstring_view text) { shown_.emplace_back(text); };
    }

    TempDir dir_;
    Shown shown_;
    demo::RepairController controller_{demo::SystemDemoFiles(), Record()};
};

TEST_F(RepairControllerTest, BrokenDemoIsArmedSilentlyThenRepairedInPlaceOnce) {
    const Bytes original = DemoBytes(kBrokenHead, 1000);
    const auto path = dir_.Write("crash.dmo", original);

    EXPECT_TRUE(controller_.OpenDemo(path));
    EXPECT_EQ(shown_, Shown{});
    EXPECT_EQ(controller_.State(), SlotState::kArmed);
    EXPECT_EQ(ReadAll(path), original) << "arming must not write";

    controller_.FixDemo();
    EXPECT_EQ(shown_, Shown{std::wstring(message::kModified)});
    EXPECT_EQ(controller_.State(), SlotState::kFree);
    EXPECT_EQ(ReadAll(path), Repaired(original));

    controller_.FixDemo();
    EXPECT_EQ(shown_.back(), message::kNotOpen);
    EXPECT_EQ(ReadAll(path), Repaired(original));
}

TEST_F(RepairControllerTest, HealthyDemosAreReportedAndLeftUntouched) {
    for (const Bytes& head : {Bytes{0xFF, 0xFF, 0xFF, 0xFF}, kRepairedHead, Bytes{1, 0, 0, 0}}) {
        shown_.clear();
        const Bytes original = DemoBytes(head);
        const auto path = dir_.Write("healthy.txt", original);

        EXPECT_FALSE(controller_.OpenDemo(path));
        EXPECT_EQ(shown_, Shown{std::wstring(message::kHealthy)});
        EXPECT_EQ(controller_.State(), SlotState::kFree);

        controller_.FixDemo();
        EXPECT_EQ(shown_.back(), message::kNotOpen);
        EXPECT_EQ(ReadAll(path), original);
    }
}

TEST_F(RepairControllerTest, HealthyDemoIsHeldForReadingUntilTheMessageIsDismissed) {
    const auto path = dir_.Write("healthy.dmo", DemoBytes({5, 0, 0, 0}));
    std::vector<SlotState> states;
    std::vector<bool> writable;
    demo::RepairController controller(demo::SystemDemoFiles(), [&](std::wstring_view) {
        states.push_back(controller.State());
        writable.push_back(demo::SystemDemoFiles().OpenForWriting(path) != nullptr);
        if (states.size() == 1) {
            controller.FixDemo();  // a click that got through while the message was up
        }
    });

    EXPECT_FALSE(controller.OpenDemo(path));
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0], SlotState::kHeldForReading);
    EXPECT_EQ(states[1], SlotState::kHeldForReading) << "the stray Fix must not take the demo";
    EXPECT_EQ(controller.State(), SlotState::kFree);
#ifdef _WIN32
    EXPECT_FALSE(writable[0]) << "others must not write a demo we are reading";
#endif
    EXPECT_NE(demo::SystemDemoFiles().OpenForWriting(path), nullptr) << "closed once dismissed";
}

TEST_F(RepairControllerTest, ArmedDemoStaysArmedWhateverIsPickedNext) {
    const Bytes armed_bytes = DemoBytes(kBrokenHead);
    const Bytes other_bytes = DemoBytes({9, 9, 9, 9});
    const auto armed = dir_.Write("armed.dmo", armed_bytes);
    const auto other = dir_.Write("other.dmo", other_bytes);
    const auto broken = dir_.Write("broken.dmo", armed_bytes);
    ASSERT_TRUE(controller_.OpenDemo(armed));

    for (const auto& path : {other, armed, broken, dir_.path() / "missing.dmo"}) {
        EXPECT_FALSE(controller_.OpenDemo(path));
        EXPECT_EQ(shown_.back(), message::kCannotOpen);
        EXPECT_EQ(controller_.State(), SlotState::kArmed);
    }
    EXPECT_EQ(shown_.size(), 4u);

    controller_.FixDemo();
    EXPECT_EQ(shown_.back(), message::kModified);
    EXPECT_EQ(ReadAll(armed), Repaired(armed_bytes));
    EXPECT_EQ(ReadAll(other), other_bytes);
    EXPECT_EQ(ReadAll(broken), armed_bytes);
}

TEST_F(RepairControllerTest, WhatCannotBeOpenedOrIsNoDemoIsRefusedUntouched) {
    const auto write_protected = dir_.Write("protected.dmo", DemoBytes(kBrokenHead));
    MakeReadOnly(write_protected);
    std::vector<std::filesystem::path> refused{dir_.path() / "missing.dmo", dir_.path(),
                                               write_protected};
    for (std::size_t size = 0; size < 4; ++size) {
        refused.push_back(dir_.Write("short" + std::to_string(size) + ".dmo", Bytes(size, 0)));
    }

    for (const auto& path : refused) {
        shown_.clear();
        const bool existed = std::filesystem::is_regular_file(path);
        const Bytes before = existed ? ReadAll(path) : Bytes{};

        EXPECT_FALSE(controller_.OpenDemo(path)) << path;
        EXPECT_EQ(shown_, Shown{std::wstring(message::kCannotOpen)}) << path;
        EXPECT_EQ(controller_.State(), SlotState::kFree) << path;
        controller_.FixDemo();
        EXPECT_EQ(shown_.back(), message::kNotOpen);
        if (existed) {
            EXPECT_EQ(ReadAll(path), before) << path;
        }
    }
}

TEST_F(RepairControllerTest, FailedWriteOrCloseIsNeverReportedAsSuccess) {
    for (const auto fault : {FaultyFiles::Fault::kWriteRefused, FaultyFiles::Fault::kCloseFails}) {
        FaultyFiles files(fault);
        Shown shown;
        demo::RepairController controller(files,
                                          [&](std::wstring_view t) { shown.emplace_back(t); });
        const auto path = dir_.Write("faulty.dmo", DemoBytes(kBrokenHead));
        ASSERT_TRUE(controller.OpenDemo(path));

        controller.FixDemo();
        EXPECT_EQ(shown, Shown{std::wstring(message::kNotOpen)});
        EXPECT_EQ(controller.State(), SlotState::kFree);
    }
}

TEST_F(RepairControllerTest, ProgramEndClosesTheArmedDemoUnwritten) {
    const Bytes original = DemoBytes(kBrokenHead);
    const auto path = dir_.Write("left.dmo", original);
    {
        demo::RepairController controller(demo::SystemDemoFiles(), Record());
        ASSERT_TRUE(controller.OpenDemo(path));
    }
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_NE(demo::SystemDemoFiles().OpenForWriting(path), nullptr) << "the demo was let go";
}

TEST_F(RepairControllerTest, UnicodeAndLongPathsAreRepaired) {
    auto long_dir = dir_.path();
    for (int i = 0; i < 6; ++i) {
        long_dir /= std::string(48, static_cast<char>('a' + i));
    }
    std::filesystem::create_directories(long_dir);
    const std::vector<std::filesystem::path> names{u8"Запись демо.dmo", u8"デモ 録画.dmo",
                                                   u8"λ & ω.dmo", long_dir / u8"長い.dmo"};
    for (const auto& name : names) {
        const Bytes original = DemoBytes(kBrokenHead);
        const auto path = dir_.Write(name, original);
        ASSERT_EQ(ReadAll(path), original) << "test setup could not write " << path;

        ASSERT_TRUE(controller_.OpenDemo(path)) << path;
        controller_.FixDemo();
        EXPECT_EQ(ReadAll(path), Repaired(original)) << path;
    }
    EXPECT_GT(names.back().native().size(), 260u);
}

TEST_F(RepairControllerTest, HugeSparseDemoKeepsItsSizeAndTail) {
    constexpr std::uintmax_t kSize = 5ull << 30;
    const auto path = dir_.Write("huge.dmo", kBrokenHead);
    std::filesystem::resize_file(path, kSize);
    {
        std::fstream tail(path, std::ios::in | std::ios::out | std::ios::binary);
        tail.seekp(static_cast<std::streamoff>(kSize - 4));
        tail.write("TAIL", 4);
    }

    ASSERT_TRUE(controller_.OpenDemo(path));
    controller_.FixDemo();
    EXPECT_EQ(shown_, Shown{std::wstring(message::kModified)});
    EXPECT_EQ(std::filesystem::file_size(path), kSize);

    std::ifstream in(path, std::ios::binary);
    char head[8]{};
    in.read(head, 8);
    EXPECT_EQ(Bytes(head, head + 8), (Bytes{0x00, 0x75, 0x2B, 0x7D, 0, 0, 0, 0}));
    char tail[4]{};
    in.seekg(static_cast<std::streamoff>(kSize - 4));
    in.read(tail, 4);
    EXPECT_EQ(std::string(tail, 4), "TAIL");
}

#ifdef _WIN32
// Another program holds the demo open. A reader that lets us write may stay; anyone who writes,
// or who will not share, keeps the demo from being armed.
TEST_F(RepairControllerTest, DemoHeldByAnotherProgram) {
    struct Holder {
        DWORD access;
        DWORD share;
        bool armed;
    };
    constexpr DWORD kRead = FILE_SHARE_READ, kWrite = FILE_SHARE_WRITE, kDelete = FILE_SHARE_DELETE;
    for (const Holder holder : {Holder{GENERIC_READ, 0, false}, Holder{GENERIC_READ, kRead, false},
                                Holder{GENERIC_READ, kRead | kWrite, true},
                                Holder{GENERIC_READ, kRead | kWrite | kDelete, true},
                                Holder{GENERIC_WRITE, kRead | kWrite | kDelete, false}}) {
        shown_.clear();
        const auto path = dir_.Write("held.dmo", kBrokenHead);
        const HANDLE other = CreateFileW(path.c_str(), holder.access, holder.share, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);

        EXPECT_EQ(controller_.OpenDemo(path), holder.armed) << holder.access << " " << holder.share;
        controller_.FixDemo();
        CloseHandle(other);
        if (holder.armed) {
            EXPECT_EQ(shown_, (Shown{std::wstring(message::kModified)}));
            EXPECT_EQ(ReadAll(path), kRepairedHead);
        } else {
            EXPECT_EQ(shown_,
                      (Shown{std::wstring(message::kCannotOpen), std::wstring(message::kNotOpen)}));
            EXPECT_EQ(ReadAll(path), kBrokenHead);
        }
    }
}
#endif

}  // namespace
