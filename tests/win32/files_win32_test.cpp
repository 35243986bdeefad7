// Replacing a file on Windows keeps what the user gave the old one: a save
// over a hidden file leaves a hidden file, and a read-only file is refused
// rather than replaced.
#include <windows.h>
#undef ReplaceFile  // windows.h's name for ReplaceFileW; here the saving helper's record

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/win32/text_win32.h"
#include "recording/replace_file.h"
#include "support/temp_dir.h"

namespace {

DWORD attributes(const std::string& path) { return GetFileAttributesW(platform::win32::widen(path).c_str()); }

TEST(FilesWin32, ReplacingKeepsTheOldFilesAttributes) {
    const struct {
        const char* what;
        DWORD before;  // 0: no old file
        int install;
        const char* contents;
    } cases[] = {
        {"no old file", 0, 0, "new"},
        {"a hidden file", FILE_ATTRIBUTE_HIDDEN, 0, "new"},
        {"a read-only file", FILE_ATTRIBUTE_READONLY, EACCES, "old"},
    };
    test::TempDir dir;
    const std::string target = dir.file("recording.udd");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before != 0) {
            test::writeFileBytes(target, "old");
            ASSERT_TRUE(SetFileAttributesW(platform::win32::widen(target).c_str(), c.before));
        }
        ReplaceFile r;
        ASSERT_EQ(replaceFileOpen(r, target, ".t"), 0);
        std::fputs("new", r.file);
        ASSERT_EQ(replaceFileFinish(r), 0);
        EXPECT_EQ(replaceFileInstall(r), c.install);
        replaceFileDiscard(r);
        const DWORD now = attributes(target);
        ASSERT_NE(now, INVALID_FILE_ATTRIBUTES);
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
        EXPECT_EQ(now & kKept, c.before & kKept);
        EXPECT_EQ(test::readFileBytes(target), c.contents);
        SetFileAttributesW(platform::win32::widen(target).c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(platform::removeFile(target.c_str()), 0);
    }
}

}  // namespace
