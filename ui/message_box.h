#pragma once

#include <windows.h>

#include <string_view>

namespace ui {

inline constexpr const wchar_t* kAppTitle = L"Vorlax Demo Fixer";

// Shows one line in a message box owned by `owner`, the window whose action it reports, and
// blocks every window of the program until the user dismisses it.
void ShowMessage(HWND owner, std::wstring_view text);

}  // namespace ui
