#pragma once

#include "wide_string.h"

namespace demo {

// Whether `path` names a device or a volume ("\\.\", or "\\?\" without a drive or UNC share):
// never a demo.
bool NamesDevice(WideView path);

// `path` in the form that opens it where it reaches MAX_PATH (260 characters with the final
// null, so from 260 characters on): "\\?\" or "\\?\UNC\" before the full path. Shorter paths,
// and those already in that form, are returned as they are; empty where no full path is had.
WideString ExtendedLengthPath(const wchar_t* path);

}  // namespace demo
