#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "recording/csv_export.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "support/shown_messages.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

class CsvExport : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        std::setlocale(LC_ALL, "C");
        gHeader.sampleTime = 50;
        gHeader.recordCount = 10;
        const std::uint8_t values[10] = {0, 9, 10, 99, 100, 149, 150, 201, 202, 255};
        for (int i = 0; i < 10; ++i) gStore[i] = SampleRecord{8, 2, 29, 13, 5, 9, 3, 4, values[i]};
        gStore[3] = SampleRecord{9, 1, 2, 3, 4, 5, 0, 0, 99};
        gStore[10].value = 42;  // stale record beyond the recording
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    // writeCsv into a temporary file; its bytes.
    static std::string csv(std::uint32_t first, std::uint32_t last, std::uint32_t step, int* result = nullptr) {
        std::FILE* f = std::tmpfile();
        const int r = writeCsv(f, first, last, step);
        if (result) *result = r;
        std::string bytes;
        std::rewind(f);
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
        return bytes;
    }
    test::TempDir dir;
};

// The start dates in the locale the tests run under: the C library's "C"
// locale on POSIX, the regional format of the English (US) user Wine gives
// the Windows tests.
#ifdef _WIN32
constexpr const char* kStart2008 = "Start time: 2/29/2008, 13:05:09\n";
constexpr const char* kStart2009 = "Start time: 1/2/2009, 3:04:05\n";
#else
constexpr const char* kStart2008 = "Start time: 02/29/08, 13:05:09\n";
constexpr const char* kStart2009 = "Start time: 01/02/09, 03:04:05\n";
#endif

// What follows the four header lines.
std::string body(const std::string& csv) {
    std::size_t pos = 0;
    for (int line = 0; line < 4; ++line) pos = csv.find('\n', pos) + 1;
    return csv.substr(pos);
}

TEST_F(CsvExport, WholeRecordingExactBytes) {
    int result = -1;
    EXPECT_EQ(csv(0, 9, 1, &result),
              std::string("Vantrel Data Acquisition\n") + kStart2008 +
              "Acquisition interval: 0.50 seconds\n"
              "kW%\n"
              "0\n9\n10\n99\n100\n149\n\n\n\n\n");
    EXPECT_EQ(result, 0);
}

TEST_F(CsvExport, RangeStepAndStartTimeOfFirstExportedRecord) {
    gHeader.sampleTime = 100;
    EXPECT_EQ(csv(3, 9, 2),
              std::string("Vantrel Data Acquisition\n") + kStart2009 +
              "Acquisition interval: 2.00 seconds\n"
              "kW%\n"
              "99\n149\n\n\n");
    gHeader.recordCount = 1;
    gHeader.sampleTime = 100;
    EXPECT_NE(csv(0, 0, 1440).find("Acquisition interval: 1440.00 seconds\n"), std::string::npos);
}

TEST_F(CsvExport, DegenerateRanges) {
    const std::string header = csv(4, 3, 1);
    EXPECT_EQ(header.substr(header.size() - 4), "kW%\n");
    EXPECT_EQ(body(header), "") << "last below first: header lines only";
    // A step of 0 exports every record instead of never ending.
    EXPECT_EQ(body(csv(5, 7, 0)), "149\n\n\n");
    // The range is cut at the recording's last record; stale records never appear.
    EXPECT_EQ(body(csv(8, 0xFFFFFFFFu, 1)), "\n\n");
    EXPECT_EQ(body(csv(9, 0xFFFFFFFFu, 0xFFFFFFFFu)), "\n");
    const std::string all = csv(0, 9, 1);
    EXPECT_EQ(all.find('\r'), std::string::npos);
    EXPECT_EQ(all.back(), '\n');
}

TEST_F(CsvExport, GermanTextsAndGermanDates) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    gSettings.language = German;
    const std::string expected = std::string(messageTextPtr(15)) + "\n" + messageTextPtr(18) +
                                 ": 29.02.2008, 13:05:09\n" + messageTextPtr(16) + ": 0.50 " + messageTextPtr(19) +
                                 "\n" + messageTextPtr(17) + "\n";
    EXPECT_EQ(std::string(messageTextPtr(18)), "Startzeit");
    const std::string bytes = csv(0, 1, 1);
    EXPECT_EQ(bytes, expected + "0\n9\n") << "numbers never take the locale's decimal comma";
}

// Line 2 takes the locale's date and its own time format made 24-hour: the
// locale's separators and hour padding stay, a 12-hour locale loses its am/pm.
TEST_F(CsvExport, StartTimeInTheLocalesTwentyFourHourFormat) {
#ifdef _WIN32
    GTEST_SKIP() << "the C library's locales; Windows takes the user's regional format";
#endif
    const struct {
        const char* locale;
        SampleRecord first;
        const char* line2;
    } cases[] = {
        {"en_US.UTF-8", {8, 2, 29, 13, 5, 9, 0, 0, 0}, "Start time: 02/29/2008, 13:05:09\n"},
        {"en_US.UTF-8", {8, 2, 29, 9, 5, 7, 0, 0, 0}, "Start time: 02/29/2008, 09:05:07\n"},
        {"de_DE.UTF-8", {8, 2, 29, 9, 5, 7, 0, 0, 0}, "Start time: 29.02.2008, 09:05:07\n"},
        {"fi_FI.UTF-8", {8, 2, 29, 13, 5, 9, 0, 0, 0}, "Start time: 29.02.2008, 13.05.09\n"},
        {"fi_FI.UTF-8", {8, 2, 29, 0, 5, 7, 0, 0, 0}, "Start time: 29.02.2008, 00.05.07\n"},
        {"C", {8, 2, 29, 23, 59, 58, 0, 0, 0}, "Start time: 02/29/08, 23:59:58\n"},
    };
    for (const auto& c : cases) {
        if (!std::setlocale(LC_ALL, c.locale)) {
            ADD_FAILURE() << "locale " << c.locale << " is not installed (scripts/setup.sh installs it)";
            continue;
        }
        gStore[0] = c.first;
        const std::string bytes = csv(0, 0, 1);
        const std::size_t from = bytes.find('\n') + 1;
        EXPECT_EQ(bytes.substr(from, bytes.find('\n', from) + 1 - from), c.line2) << c.locale;
    }
}

TEST_F(CsvExport, ShortWritesAreReported) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(writeCsv(full, 1, 0, 1), kCsvHeaderShort);
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(writeCsv(full, 0, 9, 1), kCsvValueShort);
    std::fclose(full);
}

using test::expected;
using test::messages;

TEST_F(CsvExport, ExportCommandsChooseTheirRanges) {
    for (int id : {2013, 2014, 2015}) commandExport(id);
    EXPECT_EQ(messages(), std::vector<std::string>(3, expected(45, 46)));
    EXPECT_TRUE(fake::state().fileDialogs.empty());

    fake::reset();
    gApp.dataPresent = 1;
    gApp.zoomStart = 2;
    gApp.zoomLast = 5;
    gApp.mainStart = 1;
    gApp.mainLast = 9;
    gApp.samplesPerPixel = 30;  // zoom step 3, main step 30
    fake::state().fileAnswers = {dir.file("zoom.csv"), dir.file("main.csv"), dir.file("all.csv")};
    commandExport(2013);
    commandExport(2014);
    commandExport(2015);
    EXPECT_TRUE(fake::state().messages.empty());
    ASSERT_EQ(fake::state().fileDialogs.size(), 3u);
    EXPECT_EQ(fake::state().fileDialogs[0].filter, "Export File (*.csv)");
    EXPECT_EQ(fake::state().fileDialogs[0].defaultExt, "csv");
    auto values = [&](const char* name) { return body(test::readFileBytes(dir.file(name))); };
    EXPECT_EQ(values("zoom.csv"), "10\n149\n");
    EXPECT_EQ(values("main.csv"), "9\n");
    EXPECT_EQ(values("all.csv"), body(csv(0, 9, 1)));

    // With fewer records than pixel columns the step is 0: every record goes out.
    gApp.samplesPerPixel = 0;
    fake::state().fileAnswers = {dir.file("small.csv")};
    commandExport(2014);
    EXPECT_EQ(values("small.csv"), "9\n10\n99\n100\n149\n\n\n\n\n");
}

TEST_F(CsvExport, ExportFailures) {
    gApp.dataPresent = 1;
    commandExport(2015);  // cancelled
    EXPECT_TRUE(fake::state().messages.empty());

    fake::state().fileAnswers = {dir.file("none/x.csv")};
    commandExport(2015);
    EXPECT_EQ(messages(), std::vector<std::string>{expected(84, 43, ENOENT)});
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));

    // A disc that fills part-way: both messages, and an earlier file of that
    // name stays as it was, with no temporary file left beside it.
    const std::string earlier = "an earlier export\n";
    test::writeFileBytes(dir.file("full.csv"), earlier);
    gHeader.recordCount = kStoreCapacity;
    VANTREL_NEEDS_FILE_SIZE_LIMIT();
    for (const unsigned long long cap : {10ULL, 200ULL, 100000ULL}) {
        fake::reset();
        fake::state().fileAnswers = {dir.file("full.csv")};
        {
            const test::FileSizeLimit limit(cap);
            commandExport(2015);
        }
        EXPECT_EQ(messages(),
                  (std::vector<std::string>{expected(76, 15, kCsvValueShort), expected(84, 43, kCsvValueShort)}))
            << cap;
        EXPECT_EQ(test::readFileBytes(dir.file("full.csv")), earlier) << cap;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << cap;
    }
}

}  // namespace
