// Caps the size of files this process writes while the object lives: writes
// beyond the cap fail (EFBIG) instead of ending the process, which is how the
// tests make a disk "full" part-way through a file.
//
// Windows has no such limit: there the object does nothing and kWorks is
// false, so that a test can skip the cases that need a full disk
// (VANTREL_NEEDS_FILE_SIZE_LIMIT()).
#pragma once

#ifdef _WIN32

namespace test {

class FileSizeLimit {
public:
    static constexpr bool kWorks = false;
    explicit FileSizeLimit(unsigned long long) {}
};

}  // namespace test

#else

#include <sys/resource.h>

#include <csignal>

namespace test {

class FileSizeLimit {
public:
    static constexpr bool kWorks = true;
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
};

}  // namespace test

#endif

// Skips the rest of the test where files cannot be capped.
#define VANTREL_NEEDS_FILE_SIZE_LIMIT() \
    if (!test::FileSizeLimit::kWorks) GTEST_SKIP() << "no file size limit on this system"
