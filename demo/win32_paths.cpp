#include "win32_paths.h"

#include <windows.h>

namespace demo {

bool NamesDevice(WideView path) {
    if (path.starts_with(LR"(\\.\)") || path.starts_with(LR"(//./)")) {
        return true;
    }
    if (!path.starts_with(LR"(\\?\)")) {
        return false;
    }
    const WideView rest = path.substr(4);
    const bool drive = rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\';
    const bool share = rest.starts_with(LR"(UNC\)");
    return !drive && !share;
}

// Without the prefix, a path of MAX_PATH characters or more fails to open wherever long paths are
// not enabled: Windows XP to 8.1, and 10 and 11 by default.
WideString ExtendedLengthPath(const wchar_t* path) {
    const WideView given = path;
    if (given.size() < MAX_PATH || given.starts_with(LR"(\\?\)") || given.starts_with(LR"(\\.\)")) {
        return WideString(given);
    }
    WideString full(32768, L'\0');
    const DWORD size =
        GetFullPathNameW(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (size == 0 || size >= full.size()) {
        return {};
    }
    full.resize(size);
    if (full.starts_with(LR"(\\)")) {
        return LR"(\\?\UNC\)" + full.substr(2);
    }
    return LR"(\\?\)" + full;
}

}  // namespace demo
