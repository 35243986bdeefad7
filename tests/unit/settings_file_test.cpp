#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>

#include "platform/files.h"
#include "recording/settings_file.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/user_prefs.h"
#include "shell/file_places.h"
#include "recording/store.h"
#include "fakes/fake_platform.h"
#include "support/temp_dir.h"

namespace {

// Each test works in a fresh current directory, where the file lives.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        s = Settings{};
        s.port = 1;  // as start-up sets it before the file is read
    }
    test::TempDir dir{true};
    Settings s{};
};

std::string image(std::uint16_t port, std::uint16_t language) {
    std::string b(kSettingsBytes, '\0');
    b[0] = static_cast<char>(port & 0xFF);
    b[1] = static_cast<char>(port >> 8);
    for (int i = 2; i < 260; ++i) b[static_cast<std::size_t>(i)] = static_cast<char>(i);
    b[260] = static_cast<char>(language & 0xFF);
    b[261] = static_cast<char>(language >> 8);
    for (int i = 262; i < 282; ++i) b[static_cast<std::size_t>(i)] = static_cast<char>(0x80 + i);
    return b;
}

TEST_F(SettingsFile, FirstStartCreatesTheDefaults) {
    EXPECT_EQ(loadOrCreateSettings(s), 0);
    const std::string bytes = test::readFileBytes(kSettingsFileName);
    EXPECT_EQ(bytes, std::string("\x01\x00", 2) + std::string(280, '\0'));
    EXPECT_EQ(s.port, 1);
    EXPECT_EQ(s.language, English);
}

TEST_F(SettingsFile, ReadsAFullFileAndWritesItBackUnchanged) {
    const std::string stored = image(0x0103, German) + "tail";
    test::writeFileBytes(kSettingsFileName, stored);
    EXPECT_EQ(loadOrCreateSettings(s), 0);
    EXPECT_EQ(s.port, 0x0103);
    EXPECT_EQ(s.language, German);
    EXPECT_EQ(s.reserved1[0], 2);
    EXPECT_EQ(s.reserved2[19], static_cast<std::uint8_t>(0x80 + 281));

    EXPECT_EQ(saveSettings(s), 0);
    EXPECT_EQ(test::readFileBytes(kSettingsFileName), stored) << "bytes beyond the block kept";
}

TEST_F(SettingsFile, ShortFileGives30003AndKeepsDefaultsBeyondIt) {
    test::writeFileBytes(kSettingsFileName, std::string("\x05\x00\x07", 3));
    EXPECT_EQ(loadOrCreateSettings(s), kSettingsShort);
    EXPECT_EQ(s.port, 5);
    EXPECT_EQ(s.reserved1[0], 7);
    EXPECT_EQ(s.reserved1[1], 0);
    EXPECT_EQ(s.language, English);

    EXPECT_EQ(saveSettings(s), 0);
    const std::string bytes = test::readFileBytes(kSettingsFileName);
    ASSERT_EQ(bytes.size(), kSettingsBytes) << "the next write puts the whole block back";
    EXPECT_EQ(bytes.substr(0, 3), std::string("\x05\x00\x07", 3));

    test::writeFileBytes(kSettingsFileName, "");
    s.port = 4;
    EXPECT_EQ(loadOrCreateSettings(s), kSettingsShort);
    EXPECT_EQ(s.port, 4);
}

// A damaged file must not select a language that does not exist: any other
// value than 0 and 100 is English.
TEST_F(SettingsFile, UnknownLanguageBecomesEnglish) {
    for (std::uint16_t bad : {1, 99, 101, 200, 0xFFFF}) {
        test::writeFileBytes(kSettingsFileName, image(2, bad));
        s.language = German;
        EXPECT_EQ(loadOrCreateSettings(s), 0);
        EXPECT_EQ(s.language, English) << bad;
        EXPECT_EQ(s.port, 2);
    }
}

TEST_F(SettingsFile, SaveCreatesAMissingFileAndReportsFailures) {
    s.port = 13;  // port 3 marked as not open: stored as it is
    s.language = German;
    EXPECT_EQ(saveSettings(s), 0);
    const std::string bytes = test::readFileBytes(kSettingsFileName);
    ASSERT_EQ(bytes.size(), kSettingsBytes);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x0D\x00", 2));
    EXPECT_EQ(bytes.substr(260, 2), std::string("\x64\x00", 2));

    // Settings that cannot reach the disc are not saved: the old file stays.
    platform::setDiscSyncHookForTests([](bool) { return EIO; });
    s.language = English;
    EXPECT_EQ(saveSettings(s), EIO);
    platform::setDiscSyncHookForTests(nullptr);
    EXPECT_EQ(test::readFileBytes(kSettingsFileName), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 1);
    s.language = German;

    std::filesystem::remove(kSettingsFileName);
    std::filesystem::create_directory(kSettingsFileName);
    const Settings before = s;
    EXPECT_NE(saveSettings(s), 0);
    EXPECT_NE(loadOrCreateSettings(s), 0);
    EXPECT_EQ(s.port, before.port);
    EXPECT_EQ(s.language, before.language);
}

}  // namespace

// The view preferences read back what was saved; a value this version cannot
// use keeps its default rather than reaching the dialogs.
TEST(ViewPrefs, ReportAndFolderChoicesRoundTripAndBadValuesKeepDefaults) {
    test::TempDir dir;
    const std::string path = (dir.path() / "view.conf").string();
    setUserPrefsPath(path);
    UserPrefs chosen;
    chosen.recordingsFolder = "/home/t/Messungen Ü";
    chosen.picturesFolder = "/tmp";
    chosen.reportThresholds = {50, 90, 254};
    chosen.reportDemandMinutes = 30;
    chosen.reportRatedKw = 12.5;
    chosen.reportShownOnly = true;
    ASSERT_EQ(saveUserPrefs(chosen), 0);
    const UserPrefs back = loadUserPrefs();
    EXPECT_EQ(back.recordingsFolder, chosen.recordingsFolder);
    EXPECT_EQ(back.exportsFolder, "");
    EXPECT_EQ(back.picturesFolder, "/tmp");
    EXPECT_EQ(back.reportThresholds, chosen.reportThresholds);
    EXPECT_EQ(back.reportDemandMinutes, 30);
    EXPECT_DOUBLE_EQ(back.reportRatedKw, 12.5);
    EXPECT_TRUE(back.reportShownOnly);

    for (const char* bad : {"report-thresholds=0,100", "report-thresholds=80,x", "report-thresholds=",
                            "report-demand=7", "report-rated-kw=-3", "report-rated-kw=5kW", "report-scope=part"}) {
        test::writeFileBytes(path, std::string(bad) + "\n");
        const UserPrefs p = loadUserPrefs();
        EXPECT_EQ(p.reportThresholds, (std::vector<int>{80, 100})) << bad;
        EXPECT_EQ(p.reportDemandMinutes, 15) << bad;
        EXPECT_EQ(p.reportRatedKw, 0) << bad;
        EXPECT_FALSE(p.reportShownOnly) << bad;
    }
    setUserPrefsPath("");
}

// File dialogs start in the folder their kind was last used in, else in the
// documents folder when the program lives in its per-user folder; save
// dialogs propose the recording's start as the name.
TEST(FilePlaces, StartFolderAndProposedNameByKind) {
    resetGlobalStateForTests();
    test::TempDir dir;
    setUserPrefsPath((dir.path() / "view.conf").string());
    // Paths as the program holds them: UTF-8, with the system's separator.
    auto utf8 = [](const std::filesystem::path& p) {
        const std::u8string s = p.u8string();
        return std::string(s.begin(), s.end());
    };
    const std::filesystem::path docs = dir.path() / "Dokumente";
    const std::filesystem::path kept = dir.path() / std::filesystem::path(u8"Messungen M\u00e4rz");
    std::filesystem::create_directories(docs);
    std::filesystem::create_directories(kept);
    fake::state().documentsFolder = utf8(docs);

    EXPECT_EQ(recordingNameBase(), "");
    EXPECT_EQ(fileDialogStart(FileKind::Recording, "udd"), "") << "no folder and nothing to name";
    gHeader.recordCount = 1;
    gStore[0] = SampleRecord{};
    gStore[0].year = 26, gStore[0].month = 3, gStore[0].day = 1, gStore[0].hour = 8, gStore[0].second = 5;
    EXPECT_EQ(fileDialogStart(FileKind::Export, "csv"), "vantrel-20260301-080005.csv");
    setDialogsStartInDocuments(true);
    EXPECT_EQ(fileDialogStart(FileKind::Recording, nullptr), utf8(docs / ""));
    rememberFileFolder(FileKind::Recording, utf8(kept / "a.udd"));
    EXPECT_EQ(fileDialogStart(FileKind::Recording, "udd"), utf8(kept / "vantrel-20260301-080005.udd"));
    EXPECT_EQ(fileDialogStart(FileKind::Picture, "bmp"), utf8(docs / "vantrel-20260301-080005.bmp"))
        << "each kind its own";
    std::filesystem::remove(kept);
    EXPECT_EQ(fileDialogStart(FileKind::Recording, nullptr), utf8(docs / "")) << "a folder gone is forgotten";
    setDialogsStartInDocuments(false);
    fake::state().documentsFolder.clear();
    setUserPrefsPath("");
    resetGlobalStateForTests();
}
