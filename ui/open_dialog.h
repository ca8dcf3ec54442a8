#pragma once

#include <windows.h>

#include <optional>

#include "demo/wide_string.h"

namespace ui {

// The system's Open dialog, filtered to demos. It lives as long as its window and remembers the
// file it last returned: the next showing starts in that file's folder with its name filled in.
class OpenDialog {
public:
    // The full path the user confirmed; nothing when the user cancels or the dialog fails.
    std::optional<demo::WideString> Show(HWND owner);

private:
    demo::WideString file_name_;
};

}  // namespace ui
