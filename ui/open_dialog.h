#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace ui {

// The system's Open dialog, filtered to demos. Nothing when the user cancels or it fails.
std::optional<std::wstring> AskForDemo(HWND owner);

}  // namespace ui
