// Read first by every source file of the program when GCC 13 or later builds it with the win32
// thread model. That libstdc++ declares the parts of std::condition_variable that C++20's
// <memory> reaches (through the atomic wait functions) only where _WIN32_WINNT is Vista's or
// later. Its threads header alone is read as for Vista: it declares those functions without
// including windows.h, and nothing of the program calls them (the import test would show it).
// Everything else, the program's own use of the Windows API included, keeps the XP floor.
#pragma once
#include <cstdlib>

#pragma push_macro("_WIN32_WINNT")
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <bits/gthr.h>
#pragma pop_macro("_WIN32_WINNT")
