// Port choice against scripted ports: the start-up open, the COM menu, Auto
// connect, the not-open mark, the menu check marks and the saved settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "platform/window.h"
#include "recording/set_time.h"
#include "recording/settings_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "support/scripted_logger.h"
#include "support/temp_dir.h"

namespace {

using test::loggerRecord;
using test::loggerScript;

class PortChoice : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        gDeviceWaits = DeviceWaits{0, 0, 0, 0};
        test::installScriptedLogger();
    }
    void TearDown() override {
        test::removeScriptedLogger();
        gDeviceWaits = DeviceWaits{};
        resetGlobalStateForTests();
    }

    // Start-up as the main window runs it: open, then the mark comes off for
    // the menu check.
    void startUp(std::uint16_t storedPort) {
        gSettings.port = storedPort;
        openConfiguredPort();
        if (gSettings.port > 10) gSettings.port = static_cast<std::uint16_t>(gSettings.port - 10);
        platform::checkMenuItem(2000 + gSettings.port, true);
        fake::state().messages.clear();
        loggerRecord().opens.clear();
        loggerRecord().closes = 0;
    }

    static std::vector<std::string> messages() {
        std::vector<std::string> texts;
        for (const auto& m : fake::state().messages) texts.push_back(m.text);
        return texts;
    }
    static std::set<int> checked() { return fake::state().checkedItems; }
    // Port saved in the settings file of the current directory, -1 if none.
    static int savedPort() {
        const std::string bytes = test::readFileBytes(kSettingsFileName);
        if (bytes.size() < 2) return -1;
        return static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8);
    }

    test::TempDir dir_{true};
};

TEST_F(PortChoice, StartUpOpensTheStoredPortOrMarksIt) {
    gSettings.port = 3;
    openConfiguredPort();
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{3}));
    EXPECT_EQ(loggerRecord().openPort, 3);
    EXPECT_EQ(gSettings.port, 3);
    EXPECT_TRUE(messages().empty());
    test::installScriptedLogger();

    loggerScript().presentPorts = {1, 2};
    gSettings.port = 3;
    openConfiguredPort();
    EXPECT_EQ(gSettings.port, 13);
    ASSERT_EQ(messages(), (std::vector<std::string>{messageTextPtr(78)}));
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(42));
    EXPECT_TRUE(fake::state().messages[0].errorIcon);
}

TEST_F(PortChoice, StartUpOpensTheMarkedPortThatWasSavedNotANonexistentOne) {
    gSettings.port = 13;  // a failed choice of COM3, saved at close
    openConfiguredPort();
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{3}));
    EXPECT_EQ(gSettings.port, 3);
    EXPECT_TRUE(messages().empty());

    test::installScriptedLogger();
    loggerScript().presentPorts = {};
    gSettings.port = 13;
    openConfiguredPort();
    EXPECT_EQ(gSettings.port, 13) << "still marked, not 23";

    // A value that names no port (a damaged file) starts from COM1.
    for (std::uint16_t bad : {std::uint16_t{0}, std::uint16_t{9}, std::uint16_t{10}, std::uint16_t{65535}}) {
        test::installScriptedLogger();
        gSettings.port = bad;
        openConfiguredPort();
        EXPECT_EQ(loggerRecord().opens, (std::vector<int>{1})) << bad;
        EXPECT_EQ(gSettings.port, 1) << bad;
    }
}

TEST_F(PortChoice, ChoosingTheOpenPortDoesNothingAndAnotherMovesLinkMarkAndSettings) {
    startUp(2);
    selectPort(2002);
    EXPECT_TRUE(loggerRecord().opens.empty());
    EXPECT_EQ(loggerRecord().closes, 0);
    EXPECT_EQ(savedPort(), -1);

    selectPort(2005);
    EXPECT_EQ(loggerRecord().closes, 1);
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{5}));
    EXPECT_EQ(gSettings.port, 5);
    EXPECT_EQ(checked(), (std::set<int>{2005}));
    EXPECT_EQ(savedPort(), 5);
    EXPECT_TRUE(messages().empty());

    selectPort(2000);  // not a port item
    selectPort(2009);
    EXPECT_EQ(gSettings.port, 5);
}

TEST_F(PortChoice, FailedChoiceMarksThePortAndChoosingItAgainRetries) {
    startUp(1);
    loggerScript().presentPorts = {1, 2};
    selectPort(2004);
    EXPECT_EQ(gSettings.port, 14);
    EXPECT_EQ(loggerRecord().openPort, 0);
    EXPECT_EQ(checked(), (std::set<int>{2004})) << "the check mark stays on the chosen item";
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(78)}));
    EXPECT_EQ(savedPort(), -1) << "a failed choice is saved only at close";

    // COM4 is plugged in: choosing it again retries it; the closed link is not closed again.
    loggerScript().presentPorts = {1, 2, 4};
    selectPort(2004);
    EXPECT_EQ(loggerRecord().closes, 1);
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{4, 4}));
    EXPECT_EQ(gSettings.port, 4);
    EXPECT_EQ(checked(), (std::set<int>{2004}));
    EXPECT_EQ(savedPort(), 4);

    // From a marked port to another one.
    loggerScript().presentPorts = {1};
    selectPort(2006);
    ASSERT_EQ(gSettings.port, 16);
    loggerScript().presentPorts = {1, 2};
    selectPort(2002);
    EXPECT_EQ(loggerRecord().closes, 2) << "the link of the marked port is not open";
    EXPECT_EQ(gSettings.port, 2);
    EXPECT_EQ(checked(), (std::set<int>{2002}));
}

TEST_F(PortChoice, AfterAFailedStartUpOpenChoosingTheSamePortRetriesIt) {
    loggerScript().presentPorts = {};
    startUp(3);
    ASSERT_EQ(gSettings.port, 3);  // the window took the mark off for the menu
    EXPECT_EQ(checked(), (std::set<int>{2003}));

    loggerScript().presentPorts = {3};
    selectPort(2003);
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{3}));
    EXPECT_EQ(loggerRecord().openPort, 3);
    EXPECT_EQ(gSettings.port, 3);
    EXPECT_EQ(checked(), (std::set<int>{2003}));
    EXPECT_TRUE(messages().empty());
}

TEST_F(PortChoice, FailedSettingsSaveIsReportedAndThePortChangeStands) {
    std::filesystem::create_directory(kSettingsFileName);  // cannot be written as a file
    startUp(1);
    selectPort(2002);
    EXPECT_EQ(gSettings.port, 2);
    EXPECT_EQ(loggerRecord().openPort, 2);
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text.rfind(messageTextPtr(77), 0), 0u);
    EXPECT_NE(fake::state().messages[0].text, messageTextPtr(77)) << "the error code is appended";
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(43));
}

TEST_F(PortChoice, AutoConnectFindsTheLoggerOnComFiveAndKeepsOneLinkOpen) {
    startUp(1);
    loggerScript().presentPorts = {1, 2, 3, 4, 5};
    loggerScript().loggerPort = 5;
    loggerScript().sampleTime = 20;
    gHeader.sampleTime = 50;  // a recording on screen
    autoConnect();
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(loggerRecord().closes, 5) << "the start-up link and COM1..COM4";
    EXPECT_EQ(test::timesSent(CodePing), 5);
    EXPECT_EQ(loggerRecord().openPort, 5);
    EXPECT_EQ(gSettings.port, 5);
    EXPECT_EQ(checked(), (std::set<int>{2005}));
    EXPECT_EQ(savedPort(), 5);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(fake::state().waitCursor);
    EXPECT_EQ(fake::state().cursorChanges, 2);
    EXPECT_EQ(gHeader.sampleTime, 50) << "the search leaves the recording's sample time alone";
}

TEST_F(PortChoice, AutoConnectWithoutALoggerReopensThePreviousPortOrMarksIt) {
    startUp(3);
    loggerScript().loggerPort = 0;
    autoConnect();
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 3}));
    EXPECT_EQ(loggerRecord().openPort, 3);
    EXPECT_EQ(gSettings.port, 3);
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(89)}));
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(42));
    EXPECT_EQ(checked(), (std::set<int>{2003}));
    EXPECT_EQ(savedPort(), -1);

    // COM3 has been taken by another program meanwhile: only the search message.
    fake::state().messages.clear();
    loggerScript().presentPorts = {1, 2, 4};
    autoConnect();
    EXPECT_EQ(gSettings.port, 13);
    EXPECT_EQ(loggerRecord().openPort, 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(89)}));

    // From a marked port the search neither closes nor reopens anything of its own.
    fake::state().messages.clear();
    loggerRecord().opens.clear();
    const int closes = loggerRecord().closes;
    autoConnect();
    EXPECT_EQ(loggerRecord().closes, closes + 3) << "only the ports it opened itself";
    EXPECT_EQ(loggerRecord().opens, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(gSettings.port, 13);
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(89)}));
}

// A running transfer keeps its port and its recording: each of these commands
// says why it does nothing, and nothing changes.
TEST_F(PortChoice, PortCommandsAndSetTimeAreRefusedWhileATransferRuns) {
    const struct {
        const char* name;
        void (*command)();
    } cases[] = {
        {"same port", [] { selectPort(2002); }},
        {"other port", [] { selectPort(2005); }},
        {"auto connect", [] { autoConnect(); }},
        {"set time", [] { commandSetTime(); }},
    };
    for (const auto& c : cases) {
        for (const bool receiving : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (receiving ? ", receiving" : ", awaiting the count"));
            fake::reset();
            test::installScriptedLogger();
            loggerScript().loggerPort = 2;
            startUp(2);
            gApp.dataPresent = 1;
            gApp.transferOpen = 1;
            gApp.receiving = receiving ? 1 : 0;
            fake::state().dialogAnswers = {kSetEndTimeButton};
            c.command();
            EXPECT_EQ(messages(), (std::vector<std::string>{"A transfer is running: finish or abort it first."}));
            EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(15));
            EXPECT_FALSE(fake::state().messages[0].errorIcon);
            EXPECT_EQ(loggerRecord().openPort, 2) << "the link stays open on its port";
            EXPECT_TRUE(loggerRecord().opens.empty());
            EXPECT_EQ(loggerRecord().closes, 0);
            EXPECT_EQ(test::timesSent(CodePing), 0);
            EXPECT_EQ(gSettings.port, 2);
            EXPECT_EQ(checked(), (std::set<int>{2002}));
            EXPECT_TRUE(fake::state().dialogsRun.empty()) << "no set-time dialog";
            EXPECT_EQ(gApp.unsavedWork, 0);
            EXPECT_EQ(fake::state().cursorChanges, 0);
            gApp.transferOpen = 0;
            gApp.receiving = 0;
        }
    }
}

TEST_F(PortChoice, AutoConnectFromAMarkedPortMovesTheCheckMark) {
    loggerScript().presentPorts = {1, 2};
    startUp(1);
    selectPort(2007);
    ASSERT_EQ(gSettings.port, 17);
    loggerScript().loggerPort = 2;
    autoConnect();
    EXPECT_EQ(gSettings.port, 2);
    EXPECT_EQ(checked(), (std::set<int>{2002}));
    EXPECT_EQ(savedPort(), 2);
}

}  // namespace
