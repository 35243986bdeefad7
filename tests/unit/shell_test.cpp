// The main window's start-up, close and destroy handling, the command table,
// the menus' check marks and the language switch, against the fake window
// system. Each test runs in a fresh working directory, where the settings
// file lives, with every COM number pointing at no device.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "recording/settings_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "shell/menus.h"
#include "shell/messages.h"
#include "shell/settings_folder.h"
#include "shell/single_instance.h"
#include "shell/ui_texts.h"
#include "recording/recording_file.h"
#include "support/chart_recording.h"
#include "support/program_dir.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using test::readFileBytes;
using test::settingsBytes;
using test::writeFileBytes;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
    }
    void TearDown() override {
        resetGlobalStateForTests();
    }

    // The program's start-up up to the message loop.
    void start() { ASSERT_EQ(runApplication(), 0); }

    const std::string settingsFile() const { return dir_.settingsFile().string(); }

    test::ProgramDir dir_;
};

std::vector<std::string> englishSpans() {
    return {"2 minutes", "5 minutes", "10 minutes", "20 minutes", "50 minutes", "1 hour", "2 hours",
            "5 hours",   "12 hours",  "18 hours",   "1 day",      "5 days",     "1 week", "12 days"};
}

// The waits as the program starts with them, captured before any test can
// shorten them (the global is constant-initialised, so it is in place before
// this dynamic initialisation runs).
const DeviceWaits kWaitsAtStart = gDeviceWaits;

// ---- start-up ----------------------------------------------------------------

// The logger gets 2 s to answer a Transfer and to confirm a count, and 1 s on
// each port Auto connect tries; start-up leaves the waits as they are.
TEST_F(ShellTest, WaitsForTheLoggerAsTheProgramUsesThem) {
    const std::pair<const char*, std::pair<int, int>> waits[] = {
        {"answer", {kWaitsAtStart.answerMs, 2000}},
        {"confirm", {kWaitsAtStart.confirmMs, 2000}},
        {"search", {kWaitsAtStart.searchMs, 1000}},
    };
    for (const auto& [name, w] : waits) EXPECT_EQ(w.first, w.second) << name;
    start();
    EXPECT_EQ(gDeviceWaits.answerMs, kWaitsAtStart.answerMs);
    EXPECT_EQ(gDeviceWaits.confirmMs, kWaitsAtStart.confirmMs);
    EXPECT_EQ(gDeviceWaits.searchMs, kWaitsAtStart.searchMs);
}

TEST_F(ShellTest, FirstStartCreatesSettingsAndSetsUpTheWindow) {
    start();
    const auto& s = fake::state();
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, 0));
    EXPECT_STREQ(gApp.windowTitle, "Vantrel Data Acquisition Software");
    EXPECT_STREQ(gApp.windowClassName, "VantrelDaq");
    EXPECT_NE(gApp.mainWindow, nullptr);
    EXPECT_TRUE(s.windowShown);

    EXPECT_EQ(s.menuResource, kEnglishMenu);
    EXPECT_EQ(s.checkedItems, (std::set<int>{2001, 2020}));
    EXPECT_EQ(s.timers, (std::map<int, int>{{50, 50}, {100, 100}}));
    EXPECT_EQ(s.comboItems, englishSpans());
    EXPECT_EQ(s.comboSel, 0);
    EXPECT_FALSE(s.scrollVisible);

    // COM1 has no device here: message 78, and the link stays closed while
    // the menu still shows the configured port.
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0].text, "Comm Port occupied or non-existing");
    EXPECT_EQ(s.messages[0].caption, "Communication");
    EXPECT_EQ(gSettings.port, 1);
}

TEST_F(ShellTest, SignalsExistAfterStartAsManualReset) {
    start();
    ASSERT_TRUE(gApp.deviceAnswered.exists());
    ASSERT_TRUE(gApp.countConfirmed.exists());
    gApp.deviceAnswered.set();
    EXPECT_TRUE(gApp.deviceAnswered.wait(0));
    EXPECT_TRUE(gApp.deviceAnswered.wait(0));  // stays raised until reset
    EXPECT_FALSE(gApp.countConfirmed.wait(0));
}

TEST_F(ShellTest, NoWindowEndsTheProgramQuietly) {
    fake::state().createWindowFails = true;
    EXPECT_EQ(runApplication(), 0);
    EXPECT_FALSE(gApp.deviceAnswered.exists());
    EXPECT_FALSE(fake::state().windowShown);
    EXPECT_TRUE(fake::state().messages.empty());
}

// With no settings file the program speaks the system's language (German or
// else English) and writes it down; a file, once there, decides.
TEST_F(ShellTest, FirstStartSpeaksTheSystemsLanguage) {
    struct Case {
        const char* system;
        bool fileBefore;  // an English settings file exists
        std::uint16_t language;
        int menu;
    };
    for (const Case& c : {Case{"de-DE", false, German, kGermanMenu}, Case{"fr-FR", false, English, kEnglishMenu},
                          Case{"de-AT", true, English, kEnglishMenu}}) {
        resetGlobalStateForTests();
        fake::reset();
        fs::remove(settingsFile());
        if (c.fileBefore) writeFileBytes(settingsFile(), settingsBytes(1, English));
        fake::state().systemUiLanguage = c.system;
        start();
        EXPECT_EQ(gSettings.language, c.language) << c.system;
        EXPECT_EQ(fake::state().menuResource, c.menu) << c.system;
        EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, c.language)) << c.system;
    }
    for (const auto& [tag, language] : std::map<std::string, std::uint16_t>{
             {"de", German}, {"DE_ch", German}, {"de-Latn-DE", German}, {"en-US", English},
             {"den", English}, {"d", English}, {"", English}, {"C", English}})
        EXPECT_EQ(languageForSystem(tag), language) << tag;
}

TEST_F(ShellTest, GermanSettingsGiveGermanMenuAndSpans) {
    writeFileBytes(settingsFile(), settingsBytes(4, German));
    start();
    const auto& s = fake::state();
    EXPECT_EQ(s.menuResource, kGermanMenu);
    EXPECT_EQ(s.checkedItems, (std::set<int>{2004, 2120}));
    ASSERT_EQ(s.comboItems.size(), 14u);
    EXPECT_EQ(s.comboItems[0], "2 Minuten");
    EXPECT_EQ(s.comboItems[13], "12 Tage");
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0].caption, "Kommunikation");
}

TEST_F(ShellTest, MarkedPortStillChecksItsItem) {
    // Port 3 whose open had failed when the file was written.
    writeFileBytes(settingsFile(), settingsBytes(13, English));
    start();
    EXPECT_EQ(fake::state().checkedItems, (std::set<int>{2003, 2020}));
    EXPECT_EQ(gSettings.port, 3);
}

TEST_F(ShellTest, ShortSettingsFileIsReportedAndStartGoesOn) {
    writeFileBytes(settingsFile(), std::string("\x02\x00", 2));
    start();
    const auto& s = fake::state();
    ASSERT_GE(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0].text, "Error opening configuration file: 30003");
    EXPECT_EQ(s.messages[0].caption, "Error:");
    EXPECT_TRUE(s.messages[0].errorIcon);
    EXPECT_EQ(s.checkedItems, (std::set<int>{2002, 2020}));
    EXPECT_TRUE(s.windowShown);
}

// ---- check marks ---------------------------------------------------------------

TEST_F(ShellTest, CheckMarksFollowPortAndLanguage) {
    struct Case {
        std::uint16_t port, language;
        std::set<int> checked;
        int menu;
    };
    const Case cases[] = {
        {1, English, {2001, 2020}, kEnglishMenu},
        {8, German, {2008, 2120}, kGermanMenu},
        {18, English, {2008, 2020}, kEnglishMenu},   // marked port 8
        {11, German, {2001, 2120}, kGermanMenu},     // marked port 1
        // Values naming no port check no COM item, and never the item that
        // happens to carry the id (2010 is "Open").
        {0, English, {2020}, kEnglishMenu},
        {10, English, {2020}, kEnglishMenu},
        {9, English, {2020}, kEnglishMenu},
        {500, English, {2020}, kEnglishMenu},
        // A language from a damaged file reads as English.
        {2, 7, {2002, 2020}, kEnglishMenu},
        {2, 0xFFFF, {2002, 2020}, kEnglishMenu},
    };
    for (const Case& c : cases) {
        fake::reset();
        gSettings.port = c.port;
        gSettings.language = c.language;
        loadLanguageMenu();
        EXPECT_EQ(fake::state().menuResource, c.menu) << c.port << "/" << c.language;
        EXPECT_EQ(fake::state().checkedItems, c.checked) << c.port << "/" << c.language;
        EXPECT_EQ(gSettings.port, c.port) << "the stored value keeps its mark";
    }
}

// ---- close, Exit, destroy ---------------------------------------------------------

TEST_F(ShellTest, CloseWritesSettingsAndStopsOnlyThePumpTimer) {
    start();
    gSettings.language = German;  // changed in memory only
    mainWindowCloseRequested();
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, German));
    EXPECT_EQ(fake::state().timers, (std::map<int, int>{{100, 100}}));
}

TEST_F(ShellTest, ExitDestroysWithoutWritingSettings) {
    start();
    gSettings.language = German;
    EXPECT_TRUE(dispatchCommand(CmdExit));
    const auto& s = fake::state();
    EXPECT_EQ(s.windowsDestroyed, 1);
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, English));
    // Destroy handling: no menu, no signals, the loop told to end with 0.
    EXPECT_EQ(s.menuResource, 0);
    EXPECT_FALSE(gApp.deviceAnswered.exists());
    EXPECT_FALSE(gApp.countConfirmed.exists());
    EXPECT_EQ(gApp.mainWindow, nullptr);
    EXPECT_EQ(s.quitCode, 0);
    // A second Exit finds no window.
    EXPECT_TRUE(dispatchCommand(CmdExit));
    EXPECT_EQ(s.windowsDestroyed, 1);
}

TEST_F(ShellTest, UnwritableSettingsAtCloseAreReportedAndCloseGoesOn) {
    start();
    fs::remove(settingsFile());
    fs::create_directory(settingsFile());  // not a file: every open fails
    fake::reset();
    mainWindowCloseRequested();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text.rfind("Error opening configuration file: ", 0), 0u);
    EXPECT_EQ(fake::state().messages[0].caption, "Error:");
}

// ---- ending the program while a transfer runs ---------------------------------------

// What reaches the link, in order: codes sent, and "close".
std::vector<std::string> gLinkLog;
const LinkCalls kLoggingLink{[](std::uint16_t, int) { return 1; }, [] { gLinkLog.push_back("close"); },
                             [](std::uint16_t code) { gLinkLog.push_back(std::to_string(code)); }};

class QuitTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        start();
        fake::reset();
        fake::state().windowExists = true;
        gLinkLog.clear();
        saved_ = gLinkCalls;
        gLinkCalls = kLoggingLink;
    }
    void TearDown() override {
        gLinkCalls = saved_;
        ShellTest::TearDown();
    }
    LinkCalls saved_{};
    // A transfer whose samples are arriving, or whose start code still waits
    // in the queue for the count's confirmation.
    static void runTransfer(bool streaming) {
        gApp.transferOpen = 1;
        gApp.receiving = streaming ? 1 : 0;
        gApp.acceptingSamples = streaming;
        if (!streaming) {
            queueCode(CodeStart);
            gApp.countSent = 1;
        }
    }
};

enum class Way { Exit, Close, Session };

// Exit, the close box and the end of the session ask the same questions in
// the same order, and only a Yes stops the transfer, its abort code on the
// line before the port closes.
TEST_F(QuitTest, ARunningTransferIsStoppedOnlyWhenTheUserSaysSo) {
    const std::string abort = std::to_string(CodeAbort);
    const struct {
        bool transfer, streaming, unsaved;
        int yesNo;       // answer to the transfer question, -1: none scripted
        int save;        // answer to the unsaved-work question (0 Save, 1 Discard, 2 Cancel)
        bool ends;       // the program may end
        bool stillRuns;  // the transfer goes on
        int saveAsked;
    } cases[] = {
        {false, false, false, -1, 2, true, false, 0},  // nothing running: no question
        {true, true, false, 0, 2, false, true, 0},     // No: program and transfer go on
        {true, true, false, 1, 2, true, false, 0},     // Yes: stopped, then ends
        {true, false, false, 1, 2, true, false, 0},    // Yes before the stream: the start code stays unsent
        {true, true, true, 1, 2, false, false, 1},     // Yes, then Cancel about the recording: stopped, stays
        {true, true, true, 1, 1, true, false, 1},      // Yes, then Discard
        {false, false, true, -1, 2, false, false, 1},  // only unsaved work: its question alone
    };
    for (const Way way : {Way::Exit, Way::Close, Way::Session}) {
        for (const auto& c : cases) {
            const std::string label = std::to_string(static_cast<int>(way)) + "/" + std::to_string(&c - cases);
            resetGlobalStateForTests();
            fake::reset();
            fake::state().windowExists = true;
            gLinkLog.clear();
            if (c.transfer) runTransfer(c.streaming);
            gApp.dataPresent = 1;
            gApp.unsavedWork = c.unsaved ? 1 : 0;
            if (c.yesNo >= 0) fake::state().yesNoAnswers.push_back(c.yesNo);
            fake::state().saveAnswers.push_back(c.save);

            bool ended = false;
            switch (way) {
                case Way::Exit:
                    dispatchCommand(CmdExit);
                    ended = fake::state().windowsDestroyed == 1;
                    break;
                case Way::Close: ended = mainWindowCloseRequested(); break;
                case Way::Session: ended = sessionEndRequested(true); break;
            }
            EXPECT_EQ(ended, c.ends) << label;
            EXPECT_EQ(transferRunning(), c.stillRuns) << label;
            const std::vector<std::string> asked =
                c.transfer ? std::vector<std::string>{uiText(UiText::StopTransferAndQuit)} : std::vector<std::string>{};
            EXPECT_EQ(fake::state().yesNoQuestions, asked) << label;
            EXPECT_EQ(fake::state().saveQuestions, c.saveAsked) << label;

            std::vector<std::string> line;
            if (c.transfer && c.yesNo == 1) line.push_back(abort);
            if (way == Way::Exit && c.ends) line.push_back("close");
            EXPECT_EQ(gLinkLog, line) << label;
            if (c.transfer && c.yesNo == 1) {
                EXPECT_EQ(gApp.cmdHead, gApp.cmdTail) << label;
                EXPECT_EQ(gApp.countSent, 0) << label;
                EXPECT_FALSE(gApp.acceptingSamples.load()) << label;
                EXPECT_TRUE(fake::state().postedCommands.empty()) << label;
            }
            EXPECT_EQ(gApp.modalDepth, 0) << label;
        }
    }
}

// The session's end: without leave to ask it only writes the settings; with
// it, the answers given hold for the session's own closing of the window
// until the program goes on with a command; an ending session stops what
// still runs and closes the link; the system is told what the program waits for.
TEST_F(QuitTest, SessionEndAsksOnceAndEndsCleanly) {
    fs::remove(settingsFile());
    runTransfer(true);
    EXPECT_STREQ(quitBlockReason(), uiText(UiText::StopTransferAndQuit));
    EXPECT_TRUE(sessionEndRequested(false));
    EXPECT_TRUE(fake::state().yesNoQuestions.empty());
    EXPECT_TRUE(transferRunning());
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, English));

    sessionEnding();
    EXPECT_EQ(gLinkLog, (std::vector<std::string>{std::to_string(CodeAbort), "close"}));
    EXPECT_FALSE(transferRunning());

    gApp.dataPresent = 1;
    gApp.unsavedWork = 1;
    EXPECT_STREQ(quitBlockReason(), uiText(UiText::SaveChangesQuestion));
    fake::state().saveAnswers = {1};  // Discard
    EXPECT_TRUE(sessionEndRequested(true));
    EXPECT_TRUE(mainWindowCloseRequested());
    EXPECT_EQ(fake::state().saveQuestions, 1) << "the session's close asks no more";
    sessionEndCancelled();
    EXPECT_FALSE(mainWindowCloseRequested());
    EXPECT_EQ(fake::state().saveQuestions, 2);

    fake::state().saveAnswers = {1};
    ASSERT_TRUE(sessionEndRequested(true));
    dispatchCommand(CmdAbout);
    EXPECT_FALSE(mainWindowCloseRequested()) << "a command after the session's questions: asked again";
    gApp.unsavedWork = 0;
    EXPECT_EQ(quitBlockReason(), nullptr);
}

// ---- command table ----------------------------------------------------------------

TEST_F(ShellTest, EveryMenuCommandIsInTheTable) {
    for (int resource : {kEnglishMenu, kGermanMenu}) {
        for (const MenuEntry& e : menuResource(resource)) {
            if (e.kind == MenuEntryKind::Command) {
                EXPECT_TRUE(commandInTable(e.id)) << e.id;
            }
        }
    }
    EXPECT_TRUE(commandInTable(kSpanComboId));
    EXPECT_TRUE(commandInTable(CmdEndProgress));
}

TEST_F(ShellTest, IdsOutsideTheTableHaveNoEffect) {
    start();
    fake::reset();
    for (int id : {0, 1, 99, 101, 102, 104, 106, 200, 2000, 2011, 2012, 2021, 2023, 2119, 2121, 9999, 10001, -1}) {
        EXPECT_FALSE(commandInTable(id)) << id;
        EXPECT_FALSE(dispatchCommand(id)) << id;
    }
    const auto& s = fake::state();
    EXPECT_TRUE(s.messages.empty());
    EXPECT_TRUE(s.dialogsRun.empty());
    EXPECT_TRUE(s.invalidations.empty());
    EXPECT_EQ(s.windowsDestroyed, 0);
}

TEST_F(ShellTest, CommandsNeedingARecordingSayNoDataWithTheirCaption) {
    start();
    ASSERT_EQ(gApp.dataPresent, 0);
    const std::pair<int, const char*> cases[] = {
        {CmdSave, "Saving data..."},     {CmdExportZoom, "Saving data..."}, {CmdExportMain, "Saving data..."},
        {CmdExportAll, "Saving data..."}, {CmdSetTime, "Set Time"},         {CmdScreenDump, "Screen Dump"},
        {CmdPrinter, "Print"},
    };
    for (const auto& [id, caption] : cases) {
        fake::reset();
        EXPECT_TRUE(dispatchCommand(id));
        const auto& s = fake::state();
        ASSERT_EQ(s.messages.size(), 1u) << id;
        EXPECT_EQ(s.messages[0].text, "No data present,\naborting operation") << id;
        EXPECT_EQ(s.messages[0].caption, caption) << id;
        EXPECT_FALSE(s.messages[0].errorIcon) << id;
        EXPECT_TRUE(s.fileDialogs.empty()) << id;
        EXPECT_TRUE(s.dialogsRun.empty()) << id;
    }
}

TEST_F(ShellTest, AboutRunsItsDialog) {
    start();
    fake::reset();
    EXPECT_TRUE(dispatchCommand(CmdAbout));
    EXPECT_EQ(fake::state().dialogsRun, (std::vector<std::string>{"about"}));
}

TEST_F(ShellTest, ComboNotificationsOtherThanDropDownAndConfirmAreIgnored) {
    start();
    fake::reset();
    gApp.savedSpanSelection = 5;
    fake::state().comboSel = 3;
    for (int n : {0, 1, 2, 3, 4, 5, 6, 8, 10}) EXPECT_TRUE(dispatchCommand(kSpanComboId, n));
    EXPECT_EQ(gApp.savedSpanSelection, 5);
    EXPECT_TRUE(dispatchCommand(kSpanComboId, kComboDroppedDown));
    EXPECT_EQ(gApp.savedSpanSelection, 3);
}

// ---- language switch -------------------------------------------------------------

TEST_F(ShellTest, SwitchToGermanAndBack) {
    writeFileBytes(settingsFile(), settingsBytes(5, English));
    start();
    fake::reset();
    fake::state().comboItems = englishSpans();
    fake::state().comboSel = 9;

    EXPECT_TRUE(dispatchCommand(CmdGerman));
    auto& s = fake::state();
    EXPECT_EQ(gSettings.language, German);
    EXPECT_EQ(s.menuResource, kGermanMenu);
    EXPECT_EQ(s.checkedItems, (std::set<int>{2005, 2120}));
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(5, German));  // written at once
    ASSERT_EQ(s.comboItems.size(), 14u);
    EXPECT_EQ(s.comboItems[9], "18 Stunden");
    EXPECT_EQ(s.comboSel, 9);
    EXPECT_EQ(s.invalidations, (std::vector<bool>{true}));
    EXPECT_TRUE(s.messages.empty());

    EXPECT_TRUE(dispatchCommand(CmdEnglish));
    EXPECT_EQ(s.menuResource, kEnglishMenu);
    EXPECT_EQ(s.checkedItems, (std::set<int>{2005, 2020}));
    EXPECT_EQ(s.comboItems, englishSpans());
    EXPECT_EQ(s.comboSel, 9);
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(5, English));
}

TEST_F(ShellTest, SwitchKeepsNoSelectionAndRepeatsForTheSameLanguage) {
    start();
    fake::reset();
    fake::state().comboSel = -1;
    EXPECT_TRUE(dispatchCommand(CmdEnglish));
    EXPECT_EQ(fake::state().comboSel, -1);
    EXPECT_EQ(fake::state().comboItems, englishSpans());
    EXPECT_EQ(fake::state().invalidations.size(), 1u);
    EXPECT_TRUE(dispatchCommand(CmdEnglish));
    EXPECT_EQ(fake::state().invalidations.size(), 2u);
    EXPECT_EQ(fake::state().comboItems.size(), 14u);
}

TEST_F(ShellTest, SwitchStandsWhenTheSettingsCannotBeWritten) {
    start();
    fs::remove(settingsFile());
    fs::create_directory(settingsFile());
    fake::reset();
    fake::state().comboSel = 2;
    EXPECT_TRUE(dispatchCommand(CmdGerman));
    const auto& s = fake::state();
    ASSERT_EQ(s.messages.size(), 1u);
    // The message already speaks the new language.
    EXPECT_EQ(s.messages[0].text.rfind("Konfigurationseinstellungen k\xC3\xB6nnen nicht gelesen werden!: ", 0), 0u);
    EXPECT_EQ(s.messages[0].caption, "Fehler:");
    EXPECT_EQ(gSettings.language, German);
    EXPECT_EQ(s.menuResource, kGermanMenu);
    EXPECT_EQ(s.comboItems[2], "10 Minuten");
    EXPECT_EQ(s.comboSel, 2);
}

TEST_F(ShellTest, MarkedPortSurvivesALanguageSwitch) {
    start();
    gSettings.port = 16;
    fake::reset();
    EXPECT_TRUE(dispatchCommand(CmdGerman));
    EXPECT_EQ(fake::state().checkedItems, (std::set<int>{2006, 2120}));
    EXPECT_EQ(gSettings.port, 16);
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(16, German));
}

// The window starts in the middle of the screen; on a screen smaller than the
// window its middle still lies on the screen's (negative origin).
TEST(WindowPlaceTest, CentredOnTheScreen) {
    struct Case {
        int screenW, screenH, windowW, windowH, x, y;
    };
    for (const Case& c : {Case{1024, 768, 816, 639, 104, 64}, Case{1920, 1080, 817, 640, 551, 220},
                          Case{800, 600, 816, 639, -8, -19}, Case{816, 639, 816, 639, 0, 0}}) {
        const WindowOrigin at = centredWindowOrigin(c.screenW, c.screenH, c.windowW, c.windowH);
        EXPECT_EQ(at.x, c.x) << c.screenW << "x" << c.screenH;
        EXPECT_EQ(at.y, c.y) << c.screenW << "x" << c.screenH;
    }
}

// ---- command line --------------------------------------------------------------

// Help and version end the program before any window; "/?" is help only where
// slashes are options (Windows), elsewhere a file name; after "--" nothing is
// an option.
TEST(StartArgumentsTest, HelpVersionUserFolderAndRecording) {
    struct Case {
        std::vector<std::string> args;
        bool slashHelp;
        StartRequest request;
        bool userFolder;
        std::string recording;
    };
    const Case cases[] = {
        {{}, false, StartRequest::Run, false, ""},
        {{"--help"}, false, StartRequest::Help, false, ""},
        {{"a.udd", "-h"}, false, StartRequest::Help, false, "a.udd"},
        {{"--version"}, false, StartRequest::Version, false, ""},
        {{"--version", "--help"}, false, StartRequest::Help, false, ""},
        {{"/?"}, true, StartRequest::Help, false, ""},
        {{"/?"}, false, StartRequest::Run, false, "/?"},
        {{"--user-folder", "-style", "a.udd", "b.udd"}, false, StartRequest::Run, true, "a.udd"},
        {{"--", "--help", "--user-folder"}, true, StartRequest::Run, false, "--help"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "vantreldaq");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        const StartArguments got = parseStartArguments(static_cast<int>(argv.size()), argv.data(), c.slashHelp);
        const std::string where = ::testing::PrintToString(c.args);
        EXPECT_EQ(got.request, c.request) << where;
        EXPECT_EQ(got.userFolder, c.userFolder) << where;
        EXPECT_EQ(got.recording, c.recording) << where;
    }
    EXPECT_EQ(versionText(), std::string("VantrelDAQ ") + programVersion());
    EXPECT_NE(std::string(programVersion()), "unknown");
}

// ---- one program per user -------------------------------------------------------

// Every name survives the trip, bytes of any kind but NUL included; every cut
// of a good message waits for more; anything else is refused as it comes.
TEST(HandOverTest, MessagesRoundTripAndStrangersAreRefused) {
    for (const std::string& name : {std::string(), std::string("/data/M\xC3\xA4rz 1.udd"), std::string("a\nb\r.udd"),
                                   std::string(kHandOverMaxName, 'x')}) {
        const std::string message = handOverMessage(name);
        for (std::size_t cut = 0; cut < message.size(); cut += cut < 64 ? 1 : 997)
            EXPECT_EQ(parseHandOver(std::string_view(message).substr(0, cut)).state, HandOverState::Incomplete) << cut;
        const HandOver got = parseHandOver(message);
        EXPECT_EQ(got.state, HandOverState::Complete);
        EXPECT_EQ(got.recording, name);
    }
    const std::string head = "VantrelDAQ hand-over 1\n";
    for (const std::string& bad : {std::string("GET / HTTP/1.0\r\n"), std::string("VantrelDAQ hand-over 2\n"),
                                  head + "5\nab.udd", head + "x\n",
                                  head + "\n", head + "01\na", head + "-1\n", head + "1234567\n",
                                  head + std::to_string(kHandOverMaxName + 1) + "\n", head + "3\na" + '\0' + "b"})
        EXPECT_EQ(parseHandOver(bad).state, HandOverState::Bad) << ::testing::PrintToString(bad);
    EXPECT_EQ(firstProgramName("j.m\xC3\xBCller"), "VantrelDAQ-j.m\xC3\xBCller");
    EXPECT_EQ(firstProgramName("DOM\\ann/x y"), "VantrelDAQ-DOM_ann_x_y");
    StartArguments args;
    EXPECT_TRUE(startLooksForFirst(args));
    args.request = StartRequest::Version;
    EXPECT_FALSE(startLooksForFirst(args));
}

// The first program takes a message at once, brings its window up, and opens
// the recording through File > Open's path, but not under a dialog of ours:
// there it waits for the dialog to close.
TEST_F(ShellTest, HandedOverRecordingOpensOnceNoDialogIsOpen) {
    test::fillRecording({.count = 3000});
    int error = 0;
    const std::string file = dir_.file("handed.udd");
    ASSERT_EQ(writeRecordingFile(file.c_str(), error), SaveStatus::Saved);
    resetGlobalStateForTests();
    start();
    const std::size_t messagesAtStart = fake::state().messages.size();  // the port's, on this machine

    EXPECT_EQ(takeHandOver("VantrelDAQ hand-over 1\n3"), HandOverState::Incomplete);
    EXPECT_EQ(takeHandOver(handOverMessage("") + "x"), HandOverState::Bad);
    EXPECT_EQ(fake::state().raiseRequests, 0);
    EXPECT_EQ(takeHandOver(handOverMessage("")), HandOverState::Complete);
    EXPECT_EQ(fake::state().raiseRequests, 1);
    EXPECT_TRUE(fake::state().postedTasks.empty()) << "no file, nothing to open";

    gApp.modalDepth = 1;
    EXPECT_EQ(takeHandOver(handOverMessage(file)), HandOverState::Complete);
    EXPECT_EQ(fake::state().raiseRequests, 2);
    ASSERT_EQ(fake::state().postedTasks.size(), 1u);
    fake::state().postedTasks[0]();
    mainWindowTimer(kProgressTimerId);
    EXPECT_EQ(gApp.dataPresent, 0) << "opened under a dialog";
    gApp.modalDepth = 0;
    mainWindowTimer(kProgressTimerId);
    EXPECT_EQ(gApp.dataPresent, 1);
    EXPECT_EQ(gHeader.recordCount, 3000u);
    EXPECT_EQ(fake::state().messages.size(), messagesAtStart);
}

// ---- the settings folder --------------------------------------------------------

// The per-user folder when asked for or when the start folder takes no new
// file; the other when the first choice cannot be written; the asked-for (or
// current) one when neither can. A path under a regular file stands for a
// folder nobody can write, root included.
TEST(SettingsFolderTest, ChoosesAFolderTheUserCanWrite) {
    const test::TempDir dir;
    const std::string writable = dir.path().string();
    test::writeFileBytes(dir.file("plain"), "x");
    const std::string blocked = dir.file("plain") + "/sub";
    const std::string fresh = dir.file("new") + "/vantreldaq";
    struct Case {
        bool asked;
        std::string current, user;
        SettingsFolder expected;
    };
    for (const Case& c : {Case{false, writable, fresh, SettingsFolder::Current},
                          Case{false, blocked, fresh, SettingsFolder::User},
                          Case{false, blocked, blocked, SettingsFolder::Current},
                          Case{true, writable, fresh, SettingsFolder::User},
                          Case{true, writable, blocked, SettingsFolder::Current},
                          Case{true, blocked, blocked, SettingsFolder::User}}) {
        EXPECT_EQ(chooseSettingsFolder(c.asked, c.user, c.current), c.expected)
            << c.asked << " " << c.current << " " << c.user;
    }
    EXPECT_TRUE(fs::is_directory(fresh)) << "made when it was tried";
    EXPECT_TRUE(fs::is_empty(fresh)) << "the probe is removed again";
    EXPECT_FALSE(folderTakesNewFiles(""));
}

#ifndef _WIN32
// Permission bits stop everyone but root.
TEST(SettingsFolderTest, ReadOnlyFolderSendsTheSettingsToTheUsersFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only folders";
    const test::TempDir dir;
    const std::string fresh = dir.file("vantreldaq");
    const std::string readOnly = dir.file("ro");
    fs::create_directory(readOnly);
    ::chmod(readOnly.c_str(), 0555);
    EXPECT_FALSE(folderTakesNewFiles(readOnly));
    EXPECT_EQ(chooseSettingsFolder(false, fresh, readOnly), SettingsFolder::User);
    ::chmod(readOnly.c_str(), 0755);
}
#endif

}  // namespace
