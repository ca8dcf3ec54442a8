#pragma once

#include <string_view>

// The repair's four messages, word for word and spelt as the user must read them.
inline constexpr std::wstring_view kHealthy = L"This demos time limit seems to be ok.";
inline constexpr std::wstring_view kCannotOpen =
    L"This file could not be opened all ready open or it's write protected!";
inline constexpr std::wstring_view kModified = L"Demo has been modified!";
inline constexpr std::wstring_view kNotOpen = L"File is not open!";
