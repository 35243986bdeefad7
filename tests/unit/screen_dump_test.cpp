#include "chart/screen_dump.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fakes/fake_output.h"
#include "fakes/fake_platform.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void writeText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

class ScreenDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        fake::resetOutput();
        gApp.dataPresent = 1;
        dir = fs::temp_directory_path() / ("vantrel-dump-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        target = dir / "shot.bmp";
        setCapture(806, 622, 32);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A capture whose pixel at (x, y) is x + 1000 y, so any misplaced row or
    // column shows.
    void setCapture(std::int32_t w, std::int32_t h, std::uint16_t bits) {
        auto& c = fake::output().capture;
        c.width = w;
        c.height = h;
        c.planes = 1;
        c.bitsPerPixel = bits;
        c.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x)
                c.pixels[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint32_t>(x + 1000 * y) & 0xFFFFFF;
        c.fromScreen = true;
    }
    void answerSaveDialog(const fs::path& p) { fake::state().fileAnswers.push_back(p.string()); }
    std::vector<fake::Message>& messages() { return fake::state().messages; }
    // Files in the folder other than the target: temporary leftovers.
    int strayFiles() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path() != target) ++n;
        return n;
    }

    fs::path dir;
    fs::path target;
};

TEST_F(ScreenDumpTest, WithoutARecordingOnlyTheMessageIsShown) {
    gApp.dataPresent = 0;
    answerSaveDialog(target);
    commandScreenDump();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "No data present,\naborting operation");
    EXPECT_EQ(messages()[0].caption, "Screen Dump");
    EXPECT_FALSE(messages()[0].errorIcon);
    EXPECT_EQ(fake::output().captureCalls, 0);
    EXPECT_TRUE(fake::state().fileDialogs.empty());
}

TEST_F(ScreenDumpTest, A32BitWindowOf806x622GivesTheExpectedFile) {
    answerSaveDialog(target);
    commandScreenDump();
    EXPECT_TRUE(messages().empty());
    ASSERT_EQ(fake::state().fileDialogs.size(), 1u);
    EXPECT_FALSE(fake::state().fileDialogs[0].open);
    EXPECT_EQ(fake::state().fileDialogs[0].filter, "Bitmap File (*.bmp)");
    EXPECT_EQ(fake::state().fileDialogs[0].defaultExt, "bmp");

    std::vector<std::uint8_t> f = readFile(target);
    ASSERT_EQ(f.size(), 2005382u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(le32(&f[2]), 2005382u);
    EXPECT_EQ(le32(&f[10]), 54u);
    EXPECT_EQ(le32(&f[14]), 40u);
    EXPECT_EQ(le32(&f[34]), 2005328u);
    // Bottom row (y = 621) first, 4 x 806 bytes a row; top-left pixel last row.
    const std::size_t stride = 4 * 806;
    auto pixelAt = [&](std::int32_t x, std::int32_t y) {
        const std::uint8_t* p = &f[54 + stride * static_cast<std::size_t>(621 - y) + 4 * static_cast<std::size_t>(x)];
        return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    };
    EXPECT_EQ(pixelAt(0, 621), 621000u);
    EXPECT_EQ(pixelAt(805, 0), 805u);
    EXPECT_EQ(pixelAt(17, 300), 300017u);
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(ScreenDumpTest, SixteenAndEightBitScreensGiveTheirTables) {
    setCapture(806, 10, 16);
    answerSaveDialog(target);
    commandScreenDump();
    std::vector<std::uint8_t> f = readFile(target);
    ASSERT_GE(f.size(), 262198u);
    EXPECT_EQ(le32(&f[10]), 262198u);
    EXPECT_EQ(le32(&f[46]), 65536u);  // colours used
    EXPECT_EQ(f.size(), 262198u + 1612u * 10);

    setCapture(806, 10, 8);
    answerSaveDialog(target);  // replacing the earlier file (the dialog asked)
    commandScreenDump();
    f = readFile(target);
    EXPECT_EQ(le32(&f[10]), 1078u);
    EXPECT_EQ(f.size(), 1078u + 808u * 10);
    EXPECT_TRUE(messages().empty());
}

TEST_F(ScreenDumpTest, CancellingTheSaveDialogWritesAndShowsNothing) {
    writeText(target, "old");
    fake::state().fileAnswers.push_back("");  // cancel
    commandScreenDump();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(readFile(target).size(), 3u);
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(ScreenDumpTest, NoCaptureEndsTheDumpBeforeAnyFile) {
    fake::output().captureSucceeds = false;
    answerSaveDialog(target);
    commandScreenDump();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Error retrieving BMP-color format");
    EXPECT_EQ(messages()[0].caption, "Screen Dump");
    EXPECT_TRUE(messages()[0].errorIcon);
    EXPECT_TRUE(fake::state().fileDialogs.empty());
    EXPECT_FALSE(fs::exists(target));

    // An empty capture is no better.
    fake::reset();
    fake::output().captureSucceeds = true;
    setCapture(0, 0, 32);
    answerSaveDialog(target);
    commandScreenDump();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Error retrieving BMP-color format");
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(ScreenDumpTest, AFailedPixelReadLeavesAnExistingFileAlone) {
    writeText(target, "previous picture");
    fake::output().capture.pixels.resize(100);  // fewer pixels than the sizes claim
    answerSaveDialog(target);
    commandScreenDump();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Error retrieving color table information");
    EXPECT_EQ(readFile(target).size(), 16u);
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(ScreenDumpTest, AFileThatCannotBeCreatedShowsTheSystemError) {
    answerSaveDialog(dir / "no-such-folder" / "shot.bmp");
    commandScreenDump();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Error creating the BMP-file: 2");  // ENOENT
    EXPECT_EQ(messages()[0].caption, "Screen Dump");
}

TEST_F(ScreenDumpTest, AFailedWriteShowsOneMessageAndLeavesNoBrokenFile) {
    writeText(target, "previous picture");
    answerSaveDialog(target);
    // Files may grow to 100 kB only: the 2 MB dump fails part-way.
#ifdef _WIN32
    GTEST_SKIP() << "no file size limit on this system";
#else
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    commandScreenDump();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
#endif

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Error Writing file to disc");
    EXPECT_EQ(messages()[0].caption, "Screen Dump");
    EXPECT_EQ(readFile(target).size(), 16u);
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(ScreenDumpTest, ALeftoverTemporaryNameIsNotTouched) {
    const fs::path leftover = fs::path(target.string() + ".~0");
    writeText(leftover, "someone else's");
    answerSaveDialog(target);
    commandScreenDump();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(readFile(target).size(), 2005382u);
    EXPECT_EQ(readFile(leftover).size(), 14u);
}

TEST_F(ScreenDumpTest, MessagesFollowTheLanguage) {
    gSettings.language = German;
    gApp.dataPresent = 0;
    commandScreenDump();
    fake::output().captureSucceeds = false;
    gApp.dataPresent = 1;
    commandScreenDump();
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].caption, "Bildschirm speichern");
    EXPECT_EQ(messages()[0].text, "Keine Daten vorhanden,\nbeende Funktion");
    EXPECT_EQ(messages()[1].text, "Fehler bei der Wiederherstellung des BMP-Farbformates");
    EXPECT_EQ(messages()[1].caption, "Bildschirm speichern");
}

}  // namespace
