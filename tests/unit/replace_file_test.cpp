#include "recording/replace_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

// What the sync hook answers and how often it was asked.
struct Syncs {
    int fileError = 0;
    int folderError = 0;
    int files = 0;
    int folders = 0;
} syncs;

int countedSync(bool folder) {
    ++(folder ? syncs.folders : syncs.files);
    return folder ? syncs.folderError : syncs.fileError;
}

#ifdef _WIN32
constexpr bool kFolderSynced = false;  // the rename writes through instead
#else
constexpr bool kFolderSynced = true;
#endif

class ReplaceFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    const std::string target = dir.file("data.bin");

    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) out.insert(e.path().filename().string());
        return out;
    }
};

TEST_F(ReplaceFileTest, ReplacesTheTargetAndLeavesForeignTemporaryNamesAlone) {
    test::writeFileBytes(target, "old");
    test::writeFileBytes(target + ".t0", "someone else's");

    ReplaceFile r;
    ASSERT_EQ(replaceFileOpen(r, target, ".t"), 0);
    EXPECT_EQ(r.temp, target + ".t1");
    EXPECT_EQ(test::readFileBytes(target), "old") << "nothing changes before install";
    ASSERT_GE(std::fputs("new contents", r.file), 0);
    ASSERT_EQ(replaceFileFinish(r), 0);
    ASSERT_EQ(replaceFileInstall(r), 0);
    replaceFileDiscard(r);  // after a good install: nothing left to remove

    EXPECT_EQ(test::readFileBytes(target), "new contents");
    EXPECT_EQ(test::readFileBytes(target + ".t0"), "someone else's");
    EXPECT_EQ(names(), (std::set<std::string>{"data.bin", "data.bin.t0"}));
}

TEST_F(ReplaceFileTest, EveryFailureLeavesTheOldTargetAndNoTemporaryFile) {
    const std::string old = "the previous file\n";
    test::writeFileBytes(target, old);
    const std::string big(200000, 'x');

    {  // the disk fills while the buffered contents are flushed
        ReplaceFile r;
        ASSERT_EQ(replaceFileOpen(r, target, ".t"), 0);
        std::vector<char> buffer(big.size() * 2);
        std::setvbuf(r.file, buffer.data(), _IOFBF, buffer.size());
        VANTREL_NEEDS_FILE_SIZE_LIMIT();
        test::FileSizeLimit limit(1000);
        ASSERT_EQ(std::fwrite(big.data(), 1, big.size(), r.file), big.size());
        EXPECT_EQ(replaceFileFinish(r), EFBIG);
        EXPECT_EQ(r.file, nullptr);
        replaceFileDiscard(r);
    }
    {  // the finished file cannot take the target's name
        const std::string folder = dir.file("folder");
        std::filesystem::create_directories(folder + "/inside");
        ReplaceFile r;
        ASSERT_EQ(replaceFileOpen(r, folder, ".t"), 0);
        ASSERT_EQ(replaceFileFinish(r), 0);
        EXPECT_NE(replaceFileInstall(r), 0);
        EXPECT_TRUE(std::filesystem::exists(r.temp));
        replaceFileDiscard(r);
        std::filesystem::remove_all(folder);
    }
    {  // abandoned half-way by the caller
        ReplaceFile r;
        ASSERT_EQ(replaceFileOpen(r, target, ".t"), 0);
        std::fputs("half", r.file);
        replaceFileDiscard(r);
        EXPECT_EQ(replaceFileFinish(r), EBADF);
    }
    EXPECT_EQ(test::readFileBytes(target), old);
    EXPECT_EQ(names(), (std::set<std::string>{"data.bin"}));
}

TEST_F(ReplaceFileTest, OpenReportsWhyNoTemporaryFileCouldBeMade) {
    ReplaceFile r;
    EXPECT_EQ(replaceFileOpen(r, dir.file("missing/data.bin"), ".t"), ENOENT);
    EXPECT_EQ(r.file, nullptr);

    for (int n = 0; n < 100; ++n) test::writeFileBytes(target + ".t" + std::to_string(n), "taken");
    EXPECT_EQ(replaceFileOpen(r, target, ".t"), EEXIST);
    EXPECT_EQ(r.file, nullptr);
    EXPECT_EQ(names().size(), 100u) << "neither the target nor another name was created";
}

// A power cut must find the old file or the new one: the contents are on disc
// before the rename, a failed flush fails the save and keeps the old file, and
// the folder is synced after the rename unless it cannot be.
TEST_F(ReplaceFileTest, ContentsReachTheDiscBeforeTheRenameAndTheFolderAfterIt) {
    struct Case {
        const char* what;
        int fileError, folderError;
        int finish, install;  // -1: not reached
        const char* after;
    };
    const Case cases[] = {
        {"both syncs succeed", 0, 0, 0, 0, "new"},
        {"the contents cannot reach the disc", EIO, 0, EIO, -1, "old"},
        {"the disc is full at the flush", ENOSPC, 0, ENOSPC, -1, "old"},
        {"the folder cannot be synced at all", 0, EINVAL, 0, 0, "new"},
        {"the folder's sync fails", 0, EIO, 0, kFolderSynced ? EIO : 0, "new"},
    };
    platform::setDiscSyncHookForTests(countedSync);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::writeFileBytes(target, "old");
        syncs = Syncs{c.fileError, c.folderError};
        ReplaceFile r;
        ASSERT_EQ(replaceFileOpen(r, target, ".t"), 0);
        std::fputs("new", r.file);
        EXPECT_EQ(replaceFileFinish(r), c.finish);
        if (c.install >= 0) {
            EXPECT_EQ(replaceFileInstall(r), c.install);
        }
        replaceFileDiscard(r);
        EXPECT_EQ(test::readFileBytes(target), c.after);
        EXPECT_EQ(names(), (std::set<std::string>{"data.bin"}));
        EXPECT_EQ(syncs.files, 1);
        EXPECT_EQ(syncs.folders, c.install >= 0 && kFolderSynced ? 1 : 0);
    }
    platform::setDiscSyncHookForTests(nullptr);
}

}  // namespace
