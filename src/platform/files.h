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

// Puts what was written to f on disc: the C library's buffer to the system,
// then the system's cache to the device (fsync, FlushFileBuffers), so that a
// power cut after this returns cannot take the contents back. f stays open.
// Returns 0 or the error number; a failure means the contents may not survive.
int flushToDisc(std::FILE* f);

// Renames from onto to, replacing a file named to at once if there is one.
// The rename itself reaches the disc before this returns: POSIX syncs the
// folder afterwards (a file system that cannot sync a folder is no failure),
// Windows writes through. On Windows a replaced file's attributes (hidden,
// read-only for others, ...) pass to the new one. Returns 0 or the C library's
// error number; before the rename both files are as they were, and after a
// failed folder sync the new file has its name but may lose it to a power cut.
int renameReplacing(const char* utf8From, const char* utf8To);

// Removes a file. Returns 0 or the C library's error number.
int removeFile(const char* utf8Path);

// For tests that must see a sync to disc fail or count the syncs: while set,
// the hook runs before each one (folder: false for a file's contents, true for
// the folder after a rename) and a non-zero result is that sync's error number
// in place of the system's answer. nullptr (the start value) removes it.
using DiscSyncHook = int (*)(bool folder);
void setDiscSyncHookForTests(DiscSyncHook hook);

}  // namespace platform
