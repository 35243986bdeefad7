// Files by UTF-8 name on Windows: names are converted to UTF-16 and handed to
// the wide calls, so any name works whatever the ANSI code page is.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/win32/text_win32.h"

namespace platform {

namespace {

int errnoFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    default:
        return EIO;
    }
}

std::atomic<DiscSyncHook> syncHook{nullptr};

}  // namespace

std::FILE* openFile(const char* utf8Path, const char* mode) {
    if (utf8Path == nullptr || mode == nullptr) return nullptr;
    return _wfopen(win32::widen(utf8Path).c_str(), win32::widen(mode).c_str());
}

std::FILE* createNewFile(const char* utf8Path, int* error) {
    // The C runtime's fopen has no "x": O_EXCL on the descriptor instead.
    errno = 0;
    std::FILE* f = nullptr;
    const int fd = _wopen(win32::widen(utf8Path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd >= 0) {
        f = _fdopen(fd, "wb");
        if (f == nullptr) _close(fd);
    }
    if (error != nullptr) *error = f != nullptr ? 0 : (errno != 0 ? errno : EIO);
    return f;
}

int flushToDisc(std::FILE* f) {
    if (f == nullptr) return EBADF;
    errno = 0;
    if (std::fflush(f) != 0 || std::ferror(f) != 0) return errno != 0 ? errno : EIO;
    if (const DiscSyncHook hook = syncHook.load(); hook != nullptr)
        if (const int rc = hook(false); rc != 0) return rc;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (handle == INVALID_HANDLE_VALUE) return EBADF;
    return FlushFileBuffers(handle) ? 0 : errnoFor(GetLastError());
}

int renameReplacing(const char* utf8From, const char* utf8To) {
    const std::wstring from = win32::widen(utf8From);
    const std::wstring to = win32::widen(utf8To);
    const DWORD old = GetFileAttributesW(to.c_str());
    if (old == INVALID_FILE_ATTRIBUTES) {
        // Nothing to keep: a write-through rename, on disc when this returns.
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
        return errnoFor(GetLastError());
    }
    // A read-only file is not replaced, as Windows refuses to write it (Wine
    // would let a rename through).
    if ((old & FILE_ATTRIBUTE_READONLY) != 0) return EACCES;
    // ReplaceFileW keeps what the user gave the old file (its security,
    // creation time, attributes); where it fails (a file system without it,
    // a replaced file it could not move), the write-through rename does the
    // replacing and the attributes are carried over by hand. Either way a
    // crash leaves the old file or the new one.
    if (!ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr) &&
        !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return errnoFor(GetLastError());
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD now = GetFileAttributesW(to.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & kKept) != (old & kKept)) {
        const DWORD wanted = (now & ~kKept) | (old & kKept);
        SetFileAttributesW(to.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL);
    }
    return 0;
}

int removeFile(const char* utf8Path) {
    if (DeleteFileW(win32::widen(utf8Path).c_str())) return 0;
    return errnoFor(GetLastError());
}

void setDiscSyncHookForTests(DiscSyncHook hook) { syncHook.store(hook); }

}  // namespace platform
