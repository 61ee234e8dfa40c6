// The text of a Win32 error code (the HTTP layer's table first for 12000-12999), without
// trailing line breaks; the code in decimal when no text exists.
#pragma once
#include <string>

#include "platform/base/wintypes.h"

std::wstring FormatErrorMessage(DWORD code);
