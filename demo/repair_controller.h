#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "demo_file.h"

namespace demo {

enum class SlotState { kFree, kHeldForReading, kArmed };

// Carries a demo from the test (OpenDemo) to the repair (FixDemo). Between the two the broken
// demo stays open for writing in the demo slot; destroying the controller closes it unwritten.
class RepairController {
public:
    // Shows one line to the user and returns once the user has dismissed it.
    using ShowMessage = std::function<void(std::wstring_view text)>;

    RepairController(DemoFiles& files, ShowMessage show_message);
    RepairController(const RepairController&) = delete;
    RepairController& operator=(const RepairController&) = delete;

    // Tests the demo at `path`; returns true when it is broken and now armed for FixDemo.
    bool OpenDemo(const PathChar* path);
    // Writes the repair value into the armed demo and lets it go.
    void FixDemo();

    SlotState State() const;

private:
    void Release() { slot_.reset(); }

    DemoFiles& files_;
    ShowMessage show_message_;
    std::unique_ptr<DemoFile> slot_;
    bool armed_ = false;
};

}  // namespace demo
