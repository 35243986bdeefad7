// File names are bytes on POSIX, UTF-8 by convention, and rename(2) replaces
// its target atomically: the C library does all of platform/files.h itself.
#include <cerrno>
#include <cstdio>

#include "platform/files.h"

namespace platform {

namespace {

int lastError() { return errno != 0 ? errno : EIO; }

}  // namespace

std::FILE* openFile(const char* utf8Path, const char* mode) { return std::fopen(utf8Path, mode); }

std::FILE* createNewFile(const char* utf8Path, int* error) {
    errno = 0;
    std::FILE* f = std::fopen(utf8Path, "wbx");
    if (error != nullptr) *error = f != nullptr ? 0 : lastError();
    return f;
}

int renameReplacing(const char* utf8From, const char* utf8To) {
    errno = 0;
    return std::rename(utf8From, utf8To) == 0 ? 0 : lastError();
}

int removeFile(const char* utf8Path) {
    errno = 0;
    return std::remove(utf8Path) == 0 ? 0 : lastError();
}

}  // namespace platform
