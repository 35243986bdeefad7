#include "recording/replace_file.h"

#include <cerrno>

#include "platform/files.h"

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
        // Exclusive: never reuse a file that happens to carry the temporary name.
        int error = 0;
        r.file = platform::createNewFile(temp.c_str(), &error);
        if (r.file != nullptr) {
            r.temp = temp;
            return 0;
        }
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

int replaceFileFinish(ReplaceFile& r) {
    if (r.file == nullptr) return EBADF;
    // On disc before it may take the target's name: otherwise a power cut
    // soon after the rename can leave the name on an empty file.
    int rc = platform::flushToDisc(r.file);
    errno = 0;
    if (std::fclose(r.file) != 0 && rc == 0) rc = lastError();
    r.file = nullptr;
    return rc;
}

int replaceFileInstall(ReplaceFile& r) {
    if (const int rc = platform::renameReplacing(r.temp.c_str(), r.target.c_str()); rc != 0) return rc;
    r.temp.clear();
    return 0;
}

void replaceFileDiscard(ReplaceFile& r) {
    if (r.file != nullptr) std::fclose(r.file);
    r.file = nullptr;
    if (!r.temp.empty()) platform::removeFile(r.temp.c_str());
    r.temp.clear();
}
