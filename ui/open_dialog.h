#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>

namespace ui {

// The system's Open dialog, filtered to demos. Nothing when the user cancels or it fails.
std::optional<std::filesystem::path> AskForDemo(HWND owner);

}  // namespace ui
