#pragma once

#include <string_view>

namespace ui {

inline constexpr const wchar_t* kAppTitle = L"Vorlax Demo Fixer";

// Shows one line in a message box that blocks every window of the program until dismissed.
void ShowMessage(std::wstring_view text);

}  // namespace ui
