#include "repair_controller.h"

#include <utility>

#include "length_field.h"
#include "messages.h"

namespace demo {

RepairController::RepairController(DemoFiles& files, ShowMessage show_message)
    : files_(files), show_message_(std::move(show_message)) {}

SlotState RepairController::State() const {
    if (!slot_) {
        return SlotState::kFree;
    }
    return armed_ ? SlotState::kArmed : SlotState::kHeldForReading;
}

bool RepairController::OpenDemo(const PathChar* path) {
    if (slot_) {
        show_message_(message::kCannotOpen);
        return false;
    }
    slot_ = files_.OpenForReading(path);
    armed_ = false;
    if (!slot_) {
        show_message_(message::kCannotOpen);
        return false;
    }

    const std::optional<std::int32_t> length = ReadLength(*slot_);
    if (!length) {
        // Fewer than four bytes: not a demo, and extending it would turn it into garbage.
        Release();
        show_message_(message::kCannotOpen);
        return false;
    }
    if (!IsBroken(*length)) {
        // The demo stays held for reading until the user has seen the message.
        show_message_(message::kHealthy);
        Release();
        return false;
    }

    Release();
    slot_ = files_.OpenForWriting(path);
    if (!slot_) {
        show_message_(message::kCannotOpen);
        return false;
    }
    armed_ = true;
    return true;
}

void RepairController::FixDemo() {
    if (State() != SlotState::kArmed) {
        show_message_(message::kNotOpen);
        return;
    }
    // The slot is free from here on, whether the write succeeds or not.
    const std::unique_ptr<DemoFile> demo = std::move(slot_);
    const bool written = WriteRepairValue(*demo) && demo->Close();
    show_message_(written ? message::kModified : message::kNotOpen);
}

}  // namespace demo
