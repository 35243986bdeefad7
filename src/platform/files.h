// Files by name for the core: names are UTF-8 on every system, and replacing a
// file by renaming another onto it is one step. The C library cannot promise
// either everywhere (on Windows its narrow calls take the ANSI code page, it
// refuses to rename onto an existing name, and it knows no exclusive "x"
// mode), so these go through the platform layer: platform/posix/files_posix.cpp
// and platform/win32/files_win32.cpp. They touch real files, also in tests.
// Any thread.
//
// Rules for this header: no Qt, POSIX or Windows types.
#pragma once

#include <cstdio>

namespace platform {

// std::fopen with a UTF-8 name and one of the modes "rb", "wb", "r+b".
std::FILE* openFile(const char* utf8Path, const char* mode);

// Creates utf8Path for binary writing only if no file of that name exists
// (never opening, truncating or removing one that does). Returns the file, or
// nullptr with *error set to the C library's error number (EEXIST when the name
// is taken).
std::FILE* createNewFile(const char* utf8Path, int* error);

// Renames from onto to, replacing a file named to at once if there is one.
// Returns 0 or the C library's error number, with both files as they were.
int renameReplacing(const char* utf8From, const char* utf8To);

// Removes a file. Returns 0 or the C library's error number.
int removeFile(const char* utf8Path);

}  // namespace platform
