// Read first by every source file of the program where the win32-thread libstdc++ cannot read
// C++20's <memory> at the XP floor (GCC 13 to 15; see CMakeLists.txt). That library declares
// the parts of std::condition_variable that <memory> reaches (through the atomic wait functions)
// only where _WIN32_WINNT is Vista's or later. Its threads header alone is read as for Vista: it
// declares those functions without including windows.h. A program that called them would fail
// to build: the program is linked without the compiled standard library, and its build checks
// that the exe takes in no threads support and imports nothing XP lacks. Everything else, the
// program's own use of the Windows API included, keeps the XP floor.
#pragma once
#include <cstdlib>

#pragma push_macro("_WIN32_WINNT")
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <bits/gthr.h>
#pragma pop_macro("_WIN32_WINNT")
