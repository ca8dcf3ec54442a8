#pragma once

#include <string_view>

// Every result the user sees is one of these lines, word for word.
namespace demo::message {

inline constexpr std::wstring_view kHealthy = L"This demos time limit seems to be ok.";
inline constexpr std::wstring_view kCannotOpen =
    L"This file could not be opened all ready open or it's write protected!";
inline constexpr std::wstring_view kModified = L"Demo has been modified!";
inline constexpr std::wstring_view kNotOpen = L"File is not open!";

}  // namespace demo::message
