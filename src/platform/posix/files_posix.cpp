// File names are bytes on POSIX, UTF-8 by convention, and rename(2) replaces
// its target atomically: the C library does most of platform/files.h itself.
// What it leaves out is durability: a rename can reach the disc before the
// renamed file's contents do, and the rename itself lives in the folder, so
// both are synced explicitly.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/files.h"

namespace platform {

namespace {

int lastError() { return errno != 0 ? errno : EIO; }

std::atomic<DiscSyncHook> syncHook{nullptr};

int hooked(bool folder) {
    const DiscSyncHook hook = syncHook.load();
    return hook != nullptr ? hook(folder) : 0;
}

int retryClose(int fd) { return ::close(fd) == 0 || errno == EINTR ? 0 : errno; }

// Syncs the folder holding path, which makes a rename into it durable. Some
// file systems cannot sync a folder at all (EINVAL, ENOTSUP); their renames
// are as durable as they get, so that is no failure.
int syncFolderOf(const char* path) {
    if (const int rc = hooked(true); rc != 0) return rc == EINVAL || rc == ENOTSUP ? 0 : rc;
    const std::string name = path;
    const std::size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    int fd = -1;
    do fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno == EACCES ? 0 : lastError();  // a folder we may enter but not read
    int rc = 0;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        if (errno != EINVAL && errno != ENOTSUP) rc = lastError();
        break;
    }
    retryClose(fd);
    return rc;
}

}  // namespace

std::FILE* openFile(const char* utf8Path, const char* mode) { return std::fopen(utf8Path, mode); }

std::FILE* createNewFile(const char* utf8Path, int* error) {
    errno = 0;
    std::FILE* f = std::fopen(utf8Path, "wbx");
    if (error != nullptr) *error = f != nullptr ? 0 : lastError();
    return f;
}

int flushToDisc(std::FILE* f) {
    if (f == nullptr) return EBADF;
    errno = 0;
    if (std::fflush(f) != 0 || std::ferror(f) != 0) return lastError();
    if (const int rc = hooked(false); rc != 0) return rc;
    while (::fsync(::fileno(f)) != 0)
        if (errno != EINTR) return lastError();
    return 0;
}

int renameReplacing(const char* utf8From, const char* utf8To) {
    errno = 0;
    if (std::rename(utf8From, utf8To) != 0) return lastError();
    return syncFolderOf(utf8To);
}

int removeFile(const char* utf8Path) {
    errno = 0;
    return std::remove(utf8Path) == 0 ? 0 : lastError();
}

void setDiscSyncHookForTests(DiscSyncHook hook) { syncHook.store(hook); }

}  // namespace platform
