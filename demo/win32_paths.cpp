#include "win32_paths.h"

#include <windows.h>

namespace demo {

bool NamesDevice(const std::wstring& path) {
    if (path.rfind(LR"(\\.\)", 0) == 0 || path.rfind(LR"(//./)", 0) == 0) {
        return true;
    }
    if (path.rfind(LR"(\\?\)", 0) != 0) {
        return false;
    }
    const std::wstring rest = path.substr(4);
    const bool drive = rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\';
    const bool share = rest.rfind(LR"(UNC\)", 0) == 0;
    return !drive && !share;
}

// Without the prefix, a path of MAX_PATH characters or more fails to open wherever long paths are
// not enabled: Windows XP to 8.1, and 10 and 11 by default.
std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.rfind(LR"(\\?\)", 0) == 0 ||
        path.rfind(LR"(\\.\)", 0) == 0) {
        return path;
    }
    std::wstring full(32768, L'\0');
    const DWORD size =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (size == 0 || size >= full.size()) {
        return {};
    }
    full.resize(size);
    if (full.rfind(LR"(\\)", 0) == 0) {
        return LR"(\\?\UNC\)" + full.substr(2);
    }
    return LR"(\\?\)" + full;
}

}  // namespace demo
