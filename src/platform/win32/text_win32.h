// UTF-8 <-> UTF-16 for the Win32 layer: the core passes UTF-8, the wide
// ("W") Windows calls take UTF-16. Invalid input converts with U+FFFD rather
// than failing, so a name is never silently cut.
#pragma once

#include <string>

namespace platform::win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const wchar_t* utf16, int length = -1);

}  // namespace platform::win32
