// Replacing a file so that it is never seen half-written: the new contents go
// to a fresh temporary file beside the target (the same directory, so the
// final rename stays on one file system) and take the target's name only once
// they are complete and on disc (not only in the system's cache), and the
// rename is made durable too, so a power cut at any moment leaves the old
// file or the new one. Until the rename, and after any failure before it, the
// target is exactly as it was.
//
// The steps are separate so that each caller can tell its user which one
// failed: open, write (the caller's own, through file), finish, install, and
// discard after a failure anywhere.
#pragma once

#include <cstdio>
#include <string>

struct ReplaceFile {
    std::string target;         // the name the contents are meant for
    std::string temp;           // the temporary file, empty when there is none
    std::FILE* file = nullptr;  // open temporary file, nullptr when none
};

// Creates "<target><suffix>N" for the first N in 0 .. 99 whose name is free and
// opens it for binary writing. Exclusive: a file that already carries such a
// name is never opened, truncated or removed. Returns 0, or the C library's
// error number (EEXIST when every name is taken) with nothing created.
int replaceFileOpen(ReplaceFile& r, const std::string& target, const char* suffix);

// Flushes the temporary file to disc and closes it. Returns 0, or the error
// number of the step that failed (EBADF when no file is open); a failed flush
// to disc is a failed write. The file is closed either way; the temporary
// file stays on disk for install or discard.
int replaceFileFinish(ReplaceFile& r);

// Renames the finished temporary file over the target, durably (see
// platform::renameReplacing). Returns 0, or the error number; the target is
// untouched unless the rename was done and only the folder's sync failed.
int replaceFileInstall(ReplaceFile& r);

// Closes the temporary file if it is still open and deletes it. The target is
// left as it was. Harmless when there is nothing to discard.
void replaceFileDiscard(ReplaceFile& r);
