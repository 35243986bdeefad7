#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "fakes/fake_platform.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "support/file_size_limit.h"
#include "support/shown_messages.h"
#include "support/temp_dir.h"

namespace {

// A recording file image: header fields and record values i*3 with time bytes.
std::string fileImage(std::uint16_t sampleTime, std::uint16_t span, std::uint32_t count, std::size_t recordsPresent,
                      unsigned char reservedFill = 0xA5) {
    std::string b(kHeaderBytes, '\0');
    b[0] = static_cast<char>(sampleTime & 0xFF);
    b[1] = static_cast<char>(sampleTime >> 8);
    b[2] = static_cast<char>(span & 0xFF);
    b[3] = static_cast<char>(span >> 8);
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<char>(count >> (8 * i));
    for (int i = 0; i < 12; ++i) b[8 + i] = static_cast<char>(reservedFill + i);
    for (std::size_t r = 0; r < recordsPresent; ++r) {
        const char rec[9] = {8, 3, 1, 12, 30, 15, 5, 0, static_cast<char>(r * 3)};
        b.append(rec, 9);
    }
    return b;
}

// The state a refused file must leave alone.
struct Snapshot {
    RecordingHeader header;
    std::string records;
    static Snapshot take(std::size_t records = 64) {
        return {gHeader, std::string(reinterpret_cast<const char*>(gStore), 9 * records)};
    }
    bool operator==(const Snapshot& o) const {
        return std::memcmp(&header, &o.header, sizeof header) == 0 && records == o.records;
    }
};

class RecordingFile : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        // An earlier recording in memory: 5 records, its own reserved bytes.
        gHeader.sampleTime = 20;
        gHeader.spanIndex = 3;
        gHeader.recordCount = 5;
        gHeader.reserved.fill(0x11);
        for (int i = 0; i < 64; ++i) gStore[i] = SampleRecord{7, 7, 7, 7, 7, 7, 7, 7, static_cast<std::uint8_t>(200 - i)};
    }
    test::TempDir dir;
};

TEST_F(RecordingFile, LoadsHeaderAndRecordsLittleEndian) {
    const std::string path = dir.file("one.udd");
    test::writeFileBytes(path, fileImage(0x0132, 0x0009, 1, 1));
    int code = -1;
    ASSERT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::Loaded);
    EXPECT_EQ(gHeader.sampleTime, 0x0132);
    EXPECT_EQ(gHeader.spanIndex, 9);
    EXPECT_EQ(gHeader.recordCount, 1u);
    EXPECT_EQ(gHeader.reserved[0], 0xA5);
    EXPECT_EQ(gHeader.reserved[11], 0xA5 + 11);
    EXPECT_EQ(gStore[0].year, 8);
    EXPECT_EQ(gStore[0].value, 0);
}

TEST_F(RecordingFile, TrailingBytesAreIgnored) {
    const std::string path = dir.file("long.udd");
    test::writeFileBytes(path, fileImage(50, 2, 3, 6));
    int code = 0;
    ASSERT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::Loaded);
    EXPECT_EQ(gHeader.recordCount, 3u);
    EXPECT_EQ(gStore[2].value, 6);
}

// Every refused file, from the disk and from memory, leaves header (reserved
// bytes included) and records exactly as they were.
TEST_F(RecordingFile, RefusedFilesLeaveTheRecordingIntact) {
    struct Case {
        const char* name;
        std::string bytes;
        LoadStatus expected;
    };
    const Case cases[] = {
        {"empty", "", LoadStatus::BadHeader},
        {"cut header", fileImage(50, 2, 3, 3).substr(0, 19), LoadStatus::BadHeader},
        {"header only", fileImage(50, 2, 3, 0), LoadStatus::ShortRecords},
        {"last record cut", fileImage(50, 2, 3, 3).substr(0, 20 + 26), LoadStatus::ShortRecords},
        {"count 0", fileImage(50, 2, 0, 2), LoadStatus::BadHeader},
        {"count above capacity", fileImage(50, 2, kStoreCapacity + 1, 2), LoadStatus::BadHeader},
        {"count 0xFFFFFFFF", fileImage(50, 2, 0xFFFFFFFFu, 2), LoadStatus::BadHeader},
        {"sample time 0", fileImage(0, 2, 3, 3), LoadStatus::BadHeader},
        {"full count, few bytes", fileImage(50, 2, kStoreCapacity, 4), LoadStatus::ShortRecords},
    };
    const Snapshot before = Snapshot::take();
    for (const Case& c : cases) {
        const std::string path = dir.file("bad.udd");
        test::writeFileBytes(path, c.bytes);
        int code = 0;
        EXPECT_EQ(readRecordingFile(path.c_str(), code), c.expected) << c.name;
        EXPECT_TRUE(Snapshot::take() == before) << c.name << ": the file reader touched the recording";
        EXPECT_EQ(loadRecordingBytes(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()),
                  c.expected)
            << c.name;
        EXPECT_TRUE(Snapshot::take() == before) << c.name << ": the byte loader touched the recording";
    }
    EXPECT_EQ(loadRecordingBytes(nullptr, 0), LoadStatus::BadHeader);
}

TEST_F(RecordingFile, AReadThatFallsShortAfterTheLengthCheckLeavesTheRecordingIntact) {
    const std::string path = dir.file("shrinks.udd");
    test::writeFileBytes(path, fileImage(50, 2, 3, 3));
    const Snapshot before = Snapshot::take();
    limitRecordReadsForTests(10);
    int code = 0;
    EXPECT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::ShortRecords);
    limitRecordReadsForTests(static_cast<std::size_t>(-1));
    EXPECT_TRUE(Snapshot::take() == before);
    EXPECT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::Loaded);
}

TEST_F(RecordingFile, MissingFileIsNotCreated) {
    const std::string path = dir.file("absent.udd");
    int code = 0;
    EXPECT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::OpenFailed);
    EXPECT_NE(code, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(RecordingFile, SaveLoadRoundTripKeepsEverything) {
    gHeader.sampleTime = 0x0201;
    gHeader.spanIndex = 13;
    gHeader.recordCount = 40;
    for (std::uint8_t i = 0; i < 12; ++i) gHeader.reserved[i] = static_cast<std::uint8_t>(0xF0 + i);
    for (std::uint32_t i = 0; i < 40; ++i) gStore[i] = SampleRecord{9, 12, 31, 23, 59, 58, 9, 8, static_cast<std::uint8_t>(i)};
    const Snapshot saved = Snapshot::take(40);
    const std::string path = dir.file("round.udd");
    int code = -1;
    ASSERT_EQ(writeRecordingFile(path.c_str(), code), SaveStatus::Saved);
    EXPECT_EQ(code, 0);

    const std::string bytes = test::readFileBytes(path);
    ASSERT_EQ(bytes.size(), 20u + 9u * 40u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x01\x02\x0D\x00\x28\x00\x00\x00", 8));
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]), 0xF0);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "round.udd")
        << "no temporary file is left beside the target";

    resetGlobalStateForTests();
    ASSERT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::Loaded);
    EXPECT_TRUE(Snapshot::take(40) == saved);
}

TEST_F(RecordingFile, FailedSaveKeepsTheOldFile) {
    const std::string path = dir.file("keep.udd");
    const std::string old = fileImage(100, 1, 2, 2);
    test::writeFileBytes(path, old);
    gHeader.recordCount = 64;
    {
        int code = 0;
        VANTREL_NEEDS_FILE_SIZE_LIMIT();
        test::FileSizeLimit limit(100);  // header fits, records do not
        EXPECT_EQ(writeRecordingFile(path.c_str(), code), SaveStatus::RecordsShort);
        EXPECT_NE(code, 0);
    }
    {
        int code = 0;
        VANTREL_NEEDS_FILE_SIZE_LIMIT();
        test::FileSizeLimit limit(10);  // not even the header
        EXPECT_EQ(writeRecordingFile(path.c_str(), code), SaveStatus::HeaderShort);
        EXPECT_NE(code, 0);
    }
    EXPECT_EQ(test::readFileBytes(path), old);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1) << "a failed save leaves no temporary file";

    int code = 0;
    EXPECT_EQ(writeRecordingFile(dir.file("no/such/dir.udd").c_str(), code), SaveStatus::CreateFailed);
    EXPECT_NE(code, 0);
}

// ---- the Open and Save commands through the fake window system ----

using test::expected;
using test::messages;

TEST_F(RecordingFile, OpenCommandRefusesBadFilesWithOneMessage) {
    const Snapshot before = Snapshot::take();
    const std::string shortHeader = dir.file("h.udd"), shortRecords = dir.file("r.udd");
    test::writeFileBytes(shortHeader, "\x32\x00\x01");
    test::writeFileBytes(shortRecords, fileImage(50, 1, 10, 9));
    fake::state().fileAnswers = {shortHeader, shortRecords};
    commandOpen();
    commandOpen();
    EXPECT_EQ(messages(), (std::vector<std::string>{expected(82, 15), expected(81, 15)}));
    EXPECT_TRUE(Snapshot::take() == before);
    EXPECT_EQ(gApp.dataPresent, 0);
    ASSERT_EQ(fake::state().fileDialogs.size(), 2u);
    EXPECT_TRUE(fake::state().fileDialogs[0].open);
    EXPECT_EQ(fake::state().fileDialogs[0].filter, "UDD File (*.udd)");
    EXPECT_EQ(fake::state().fileDialogs[0].defaultExt, "udd");
}

TEST_F(RecordingFile, OpenCommandCancelAndMissingFile) {
    commandOpen();  // no answer scripted: cancelled
    EXPECT_TRUE(fake::state().messages.empty());
    const std::string missing = dir.file("gone.udd");
    fake::state().fileAnswers = {missing};
    commandOpen();
    EXPECT_EQ(messages(), std::vector<std::string>{expected(80, 43, ENOENT)});
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(RecordingFile, OpenCommandLoadsAGoodFile) {
    const std::string path = dir.file("good.udd");
    test::writeFileBytes(path, fileImage(100, 4, 3, 3));
    fake::state().fileAnswers = {path};
    commandOpen();
    EXPECT_TRUE(fake::state().messages.empty());
    EXPECT_EQ(gHeader.recordCount, 3u);
    EXPECT_EQ(gStore[2].value, 6);
    EXPECT_EQ(gApp.dataPresent, 1) << "a good load shows the recording";
}

TEST_F(RecordingFile, SaveCommand) {
    commandSave();  // no recording yet
    EXPECT_EQ(messages(), std::vector<std::string>{expected(45, 46)});
    EXPECT_TRUE(fake::state().fileDialogs.empty());

    fake::reset();
    gApp.dataPresent = 1;
    commandSave();  // cancelled
    EXPECT_TRUE(fake::state().messages.empty());
    ASSERT_EQ(fake::state().fileDialogs.size(), 1u);
    EXPECT_FALSE(fake::state().fileDialogs[0].open);

    fake::state().fileAnswers = {dir.file("ok.udd"), dir.file("missing/dir.udd")};
    commandSave();
    EXPECT_EQ(test::readFileBytes(dir.file("ok.udd")).size(), 20u + 9u * 5u);
    commandSave();
    EXPECT_EQ(messages(), std::vector<std::string>{expected(84, 43, ENOENT)});

    fake::reset();
    const std::string path = dir.file("ok.udd");
    const std::string old = test::readFileBytes(path);
    gHeader.recordCount = 64;
    fake::state().fileAnswers = {path};
    {
        VANTREL_NEEDS_FILE_SIZE_LIMIT();
        test::FileSizeLimit limit(100);
        commandSave();
    }
    EXPECT_EQ(messages(), (std::vector<std::string>{expected(85, 15), expected(84, 43, EFBIG)}));
    EXPECT_EQ(test::readFileBytes(path), old);
}

}  // namespace
