#pragma once

#include <string>

namespace demo {

// Whether `path` names a device or a volume ("\\.\", or "\\?\" without a drive or UNC share):
// never a demo.
bool NamesDevice(const std::wstring& path);

// `path` in the form that opens it where it reaches MAX_PATH (260 characters with the final
// null, so from 260 characters on): "\\?\" or "\\?\UNC\" before the full path. Shorter paths,
// and those already in that form, are returned as they are; empty where no full path is had.
std::wstring ExtendedLengthPath(const std::wstring& path);

}  // namespace demo
