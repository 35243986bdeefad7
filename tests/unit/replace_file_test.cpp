#include "recording/replace_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

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

}  // namespace
