#include "recording/replace_file.h"

#include <cerrno>

namespace {

// A failing stdio call normally leaves errno set; never report success by
// accident when it does not.
int lastError() { return errno != 0 ? errno : EIO; }

constexpr int kTempNameAttempts = 100;

}  // namespace

int replaceFileOpen(ReplaceFile& r, const std::string& target, const char* suffix) {
    r = ReplaceFile{};
    r.target = target;
    for (int n = 0; n < kTempNameAttempts; ++n) {
        const std::string temp = target + suffix + std::to_string(n);
        errno = 0;
        // "x": never reuse a file that happens to carry the temporary name.
        r.file = std::fopen(temp.c_str(), "wbx");
        if (r.file != nullptr) {
            r.temp = temp;
            return 0;
        }
        if (errno != EEXIST) return lastError();
    }
    return EEXIST;
}

int replaceFileFinish(ReplaceFile& r) {
    if (r.file == nullptr) return EBADF;
    errno = 0;
    int rc = 0;
    if (std::fflush(r.file) != 0 || std::ferror(r.file) != 0) rc = lastError();
    errno = 0;
    if (std::fclose(r.file) != 0 && rc == 0) rc = lastError();
    r.file = nullptr;
    return rc;
}

int replaceFileInstall(ReplaceFile& r) {
    errno = 0;
    if (std::rename(r.temp.c_str(), r.target.c_str()) != 0) return lastError();
    r.temp.clear();
    return 0;
}

void replaceFileDiscard(ReplaceFile& r) {
    if (r.file != nullptr) std::fclose(r.file);
    r.file = nullptr;
    if (!r.temp.empty()) std::remove(r.temp.c_str());
    r.temp.clear();
}
