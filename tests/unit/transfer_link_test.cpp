// The transfer and the port search end to end: the real link over
// pseudo-terminals, with the logger simulator standing on COM numbers.
// Time-outs are upper bounds only: every wait that succeeds returns as soon as
// the logger's frame is in, so a slow build only takes longer.
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <thread>
#include <chrono>
#include <filesystem>
#include <set>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "device/link.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_progress.h"
#include "platform/clock.h"
#include "recording/recording_file.h"
#include "recording/settings_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/ui_texts.h"
#include "support/logger_harness.h"
#include "support/logger_ports_fixture.h"
#include "support/temp_dir.h"

namespace {

using testsupport::LoggerOnPort;

std::tuple<int, int, int, int, int, int> timeOf(const SampleRecord& r) {
    return {r.year, r.month, r.day, r.hour, r.minute, r.second};
}
std::tuple<int, int, int, int, int, int> timeOf(const platform::CalendarTime& t) {
    return {t.year % 100, t.month, t.day, t.hour, t.minute, t.second};
}

class TransferOverLink : public testsupport::LoggerPortsTest {
protected:
    void SetUp() override {
        LoggerPortsTest::SetUp();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        gDeviceWaits = DeviceWaits{};
        gDeviceWaits.answerMs = testsupport::kPatienceMs;
        gDeviceWaits.confirmMs = testsupport::kPatienceMs;
        gDeviceWaits.sampleTimeMs = 2000;
    }

    void runPosted() {
        auto& posted = fake::state().postedCommands;
        while (!posted.empty()) {
            const int id = posted.front();
            posted.erase(posted.begin());
            if (id == kCommandTransfer) startTransfer();
            else if (id == kCommandEndProgress) endProgressDisplay();
        }
    }

    // Drives a Transfer of span index `span` up to the stream's start and
    // returns the local time around the tick that took the count confirmation.
    std::pair<platform::CalendarTime, platform::CalendarTime> startStream(int span) {
        fake::state().dialogAnswers.push_back(span + 1);
        startTransfer();
        runPosted();
        for (int tick = 0; tick < 3; ++tick) pumpCommands();
        const platform::CalendarTime before = platform::localNow();
        pumpCommands();  // the confirmation
        const platform::CalendarTime after = platform::localNow();
        pumpCommands();  // the start code
        return {before, after};
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& m : fake::state().messages) texts.push_back(m.text);
        return texts;
    }

    test::TempDir dir_{true};
};

TEST_F(TransferOverLink, TwoMinutesAtFiftyHertzArriveWholeAndEndAtTheConfirmationTime) {
    sim::Options options;
    options.sampleTime = 2;
    options.length = 20000;
    options.profile = sim::Profile::Ramp;
    options.pace = sim::Pace::Fast;
    LoggerOnPort& sim = logger(options, 1);

    gSettings.port = 1;
    openConfiguredPort();
    ASSERT_TRUE(messages().empty());

    fake::state().dialogAnswers.push_back(1);  // "2 minutes"
    startTransfer();
    runPosted();  // a fresh program learns the sample time on a second ping at most
    ASSERT_EQ(gApp.countSent, 1) << "the span dialog was not reached";
    // The newest sample takes the time of the tick that saw the count confirmed,
    // however long the stream then takes.
    const platform::CalendarTime before = platform::localNow();
    for (int tick = 0; tick < 5; ++tick) pumpCommands();
    const platform::CalendarTime after = platform::localNow();
    ASSERT_EQ(gApp.receiving, 1);
    EXPECT_EQ(sim.stats().countRequested, 6000u);

    ASSERT_TRUE(testsupport::waitFor([] { return gApp.receivedCount.load() >= 6000u; }));
    trackProgress();
    ASSERT_EQ(gApp.receiving, 0);

    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_EQ(gHeader.sampleTime, 2);
    for (std::uint32_t k = 0; k < 6000; ++k) {
        const auto expected = sim::sampleValue(options, sim::streamIndex(options, 6000, k));
        ASSERT_EQ(gStore[k].value, expected) << "sample " << k;
    }
    const SampleRecord& last = gStore[5999];
    EXPECT_LE(timeOf(before), timeOf(last));
    EXPECT_LE(timeOf(last), timeOf(after));
    EXPECT_EQ(last.tenths + last.hundredths, 0);
    EXPECT_EQ(gStore[5998].tenths * 10 + gStore[5998].hundredths, 98);
    EXPECT_TRUE(messages().empty());
}

TEST_F(TransferOverLink, UserAbortStopsTheStreamAtTheLogger) {
    sim::Options options;
    options.sampleTime = 10;
    options.pace = sim::Pace::Real;  // slow enough to abort in the middle
    LoggerOnPort& sim = logger(options, 2);
    gSettings.port = 2;
    openConfiguredPort();

    fake::state().dialogAnswers.push_back(7);  // "1 hour": 36,000 samples, 25 s at the line's pace
    startTransfer();
    runPosted();
    for (int tick = 0; tick < 5; ++tick) pumpCommands();
    ASSERT_EQ(gApp.receiving, 1);
    ASSERT_TRUE(testsupport::waitFor([] { return gApp.receivedCount.load() >= 10u; }));
    trackProgress();
    fake::pressProgressAbort();
    runPosted();
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_FALSE(fake::progress().shown);
    ASSERT_TRUE(testsupport::waitFor([&] { return sim.stats().abortsReceived.load() == 1u; }));
    ASSERT_TRUE(testsupport::waitFor([&] { return !sim.stats().streaming.load(); }));
    EXPECT_LT(sim.stats().samplesSent.load(), 36000u);
    EXPECT_EQ(gHeader.recordCount, 0u) << "no recording came of it";
}

TEST_F(TransferOverLink, LoggerFaultsEndInTheRecordingReceivedOrAMessage) {
    sim::Options options;
    options.sampleTime = 5;
    options.pace = sim::Pace::Fast;
    options.abortAfter = 500;
    options.fillEvery = 7;  // 0xFF fill between the bytes on the way
    options.split = true;   // and frames cut in two
    options.splitGapUs = 50;
    logger(options, 3);
    gSettings.port = 3;
    openConfiguredPort();

    // The logger ends the stream itself after 500 samples.
    fake::state().dialogAnswers.push_back(2);  // "5 minutes": 6,000 samples asked
    startTransfer();
    runPosted();
    for (int tick = 0; tick < 5; ++tick) pumpCommands();
    ASSERT_TRUE(testsupport::waitFor([] {
        trackProgress();
        return gApp.receiving == 0;
    }));
    EXPECT_EQ(gHeader.recordCount, 500u);
    ASSERT_EQ(messages().size(), 1u) << "the user learns the recording is short";
    EXPECT_NE(messages()[0].find("500 of 6,000"), std::string::npos);
    closeLink();

    // A logger that answers but never tells its sample time; the last port's
    // logger's does not count for it.
    fake::state().messages.clear();
    gApp.unsavedWork = 0;
    options = sim::Options{};
    options.noSampleTime = true;
    LoggerOnPort& mute = logger(options, 4);
    gSettings.port = 4;
    openConfiguredPort();
    gDeviceWaits.sampleTimeMs = 20;
    startTransfer();
    runPosted();
    EXPECT_EQ(mute.stats().pings.load(), static_cast<std::uint32_t>(kMaxSampleTimeAttempts));
    EXPECT_EQ(messages(), (std::vector<std::string>{uiText(UiText::NoSampleTimeReported)}));
    EXPECT_EQ(gHeader.recordCount, 500u);
}

TEST_F(TransferOverLink, AutoConnectFindsTheLoggerOnComFiveBehindFourQuietPorts) {
    sim::Options quiet;
    quiet.silent = true;
    for (int n = 1; n <= 4; ++n) logger(quiet, n);
    sim::Options options;
    LoggerOnPort& sim = logger(options, 5);

    gSettings.port = 1;
    openConfiguredPort();
    ASSERT_EQ(gApp.linkPort, 1);
    autoConnect();

    EXPECT_EQ(gSettings.port, 5);
    EXPECT_EQ(gApp.linkPort, 5);
    EXPECT_EQ(fake::state().checkedItems, (std::set<int>{2005}));
    EXPECT_TRUE(messages().empty());
    Settings saved{};
    ASSERT_EQ(loadOrCreateSettings(saved), 0);
    EXPECT_EQ(saved.port, 5);
    for (int n = 0; n < 4; ++n) EXPECT_GE(loggers_[static_cast<std::size_t>(n)]->stats().pings.load(), 1u) << n;
    EXPECT_EQ(sim.stats().pings.load(), 1u);

    // The link that stays open is COM5's: a second ping reaches that logger.
    gApp.deviceAnswered.reset();
    sendPing();
    EXPECT_TRUE(gApp.deviceAnswered.wait(testsupport::kPatienceMs));
}

TEST_F(TransferOverLink, AutoConnectWithoutALoggerReopensThePreviousPort) {
    sim::Options quiet;
    quiet.silent = true;
    logger(quiet, 1);
    LoggerOnPort& previous = logger(quiet, 2);
    gDeviceWaits.searchMs = 300;

    gSettings.port = 2;
    openConfiguredPort();
    autoConnect();
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(89)}));
    EXPECT_EQ(gSettings.port, 2);
    EXPECT_EQ(gApp.linkPort, 2);
    EXPECT_GE(previous.stats().pings.load(), 1u);
    EXPECT_FALSE(std::filesystem::exists(kSettingsFileName)) << "a failed search saves nothing";
}

// A logger switched off (its line hangs up) and on again on the same COM
// number: the link is marked failed, and each way back (the same COM item,
// the reopen before a transfer's ping, Auto connect) opens the port afresh so
// that the new logger answers. While no logger is there, the reopen fails and
// marks the port like a failed choice.
TEST_F(TransferOverLink, AFailedLinkOpensAgainOnTheSamePort) {
    const struct {
        const char* name;
        void (*reopen)();
    } ways[] = {
        {"same COM item", [] { selectPort(2002); }},
        {"before a transfer", [] { EXPECT_TRUE(reopenFailedLink()); }},
        {"auto connect", [] { autoConnect(); }},
    };
    sim::Options options;
    gDeviceWaits.searchMs = 300;
    logger(options, 2);
    gSettings.port = 2;
    openConfiguredPort();
    ASSERT_EQ(gApp.linkPort, 2);
    EXPECT_TRUE(reopenFailedLink()) << "a sound link stays as it is";

    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        loggers_.back()->stop();  // switched off: the line hangs up
        ASSERT_TRUE(testsupport::waitFor([] { return linkFailed() == 1; }));
        logger(options, 2);  // switched on again: a new line behind COM2
        way.reopen();
        EXPECT_EQ(linkPort(), 2);
        EXPECT_EQ(linkFailed(), 0);
        EXPECT_EQ(gSettings.port, 2);
        EXPECT_TRUE(messages().empty());
        gApp.deviceAnswered.reset();
        sendPing();
        EXPECT_TRUE(gApp.deviceAnswered.wait(testsupport::kPatienceMs)) << "the new logger answers";
    }

    loggers_.back()->stop();
    ASSERT_TRUE(testsupport::waitFor([] { return linkFailed() == 1; }));
    EXPECT_FALSE(reopenFailedLink()) << "no logger behind COM2 now";
    EXPECT_EQ(linkIsOpen(), 0);
    EXPECT_EQ(gSettings.port, 12);
    logger(options, 2);
    selectPort(2002);
    EXPECT_EQ(linkPort(), 2);
    EXPECT_EQ(gSettings.port, 2);
}

// Every way a transfer can end without a new recording leaves the recording
// on show exactly as saved before it; a stream that stops short keeps what came.
TEST_F(TransferOverLink, EarlyEndsKeepTheRecordingOnShowOrWhatCame) {
    gHeader = RecordingHeader{50, 9, 3000, {}};
    gHeader.reserved[3] = 0x77;
    for (std::uint32_t i = 0; i < 3000; ++i) gStore[i] = SampleRecord{9, 6, 1, 12, 0, 0, 0, 0, static_cast<std::uint8_t>(i % 140)};
    gApp.dataPresent = 1;
    int code = 0;
    ASSERT_EQ(writeRecordingFile("before.udd", code), SaveStatus::Saved);
    const std::string before = test::readFileBytes("before.udd");
    gDeviceWaits.stallMs = 300;

    enum End { Abort, CountFrameLost, StraySamplesThenCancel, ShortByTen };
    const struct {
        End end;
        const char* message;  // the start of the one message shown, or null for none
    } cases[] = {
        {Abort, nullptr},
        {CountFrameLost, messageTextPtr(41)},
        {StraySamplesThenCancel, nullptr},
        {ShortByTen, "The logger stopped sending early:\n5,990 of 6,000 samples arrived."},
    };
    int port = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end));
        fake::state().messages.clear();
        gApp.unsavedWork = 0;
        sim::Options o;
        o.sampleTime = 2;
        o.pace = c.end == Abort ? sim::Pace::Real : sim::Pace::Fast;
        o.badCountFrame = c.end == CountFrameLost;
        o.strayAfterAnswer = c.end == StraySamplesThenCancel ? 5 : 0;
        o.stopAfter = c.end == ShortByTen ? 5990 : -1;
        LoggerOnPort& sim = logger(o, port);
        gSettings.port = static_cast<std::uint16_t>(port++);
        openConfiguredPort();

        // A confirmation that cannot come is waited for briefly; the others arrive at once.
        gDeviceWaits.confirmMs = c.end == CountFrameLost ? 500 : testsupport::kPatienceMs;
        fake::state().dialogAnswers.push_back(c.end == StraySamplesThenCancel ? 0 : 1);
        startTransfer();
        runPosted();
        for (int tick = 0; tick < 5; ++tick) pumpCommands();
        if (c.end == Abort) {
            ASSERT_TRUE(testsupport::waitFor([] { return gApp.receivedCount.load() >= 10u; }));
            fake::pressProgressAbort();
            runPosted();
            ASSERT_TRUE(testsupport::waitFor([&] { return sim.stats().abortsReceived.load() == 1u; }));
        }
        ASSERT_TRUE(testsupport::waitFor([] {
            trackProgress();
            return gApp.receiving == 0;
        }));
        closeLink();

        if (c.message == nullptr) {
            EXPECT_TRUE(messages().empty());
        } else {
            ASSERT_EQ(messages().size(), 1u);
            EXPECT_EQ(messages()[0], c.message);
        }
        if (c.end == ShortByTen) {
            EXPECT_EQ(gHeader.recordCount, 5990u);
            EXPECT_EQ(gHeader.sampleTime, 2);
        } else {
            ASSERT_EQ(writeRecordingFile("after.udd", code), SaveStatus::Saved);
            EXPECT_EQ(test::readFileBytes("after.udd"), before);
        }
    }
}

bool runToTheEnd() {
    return testsupport::waitFor([] {
        trackProgress();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return gApp.receiving == 0;
    });
}

// At the line's own pace a stream lasts far longer than the stall time, and
// its newest sample is stamped with the confirmation, not the end.
TEST_F(TransferOverLink, ARealPaceStreamLongerThanTheStallTimeCompletesStampedFromItsConfirmation) {
    sim::Options options;
    options.sampleTime = 2;
    options.length = 6000;
    options.profile = sim::Profile::Ramp;
    logger(options, 1);
    gSettings.port = 1;
    openConfiguredPort();
    gDeviceWaits.stallMs = 1000;

    const auto [before, after] = startStream(0);  // "2 minutes": 6,000 samples, over 4 s on the line
    ASSERT_EQ(gApp.receiving, 1);
    ASSERT_TRUE(runToTheEnd());
    const platform::CalendarTime end = platform::localNow();

    EXPECT_EQ(gApp.lastTransferEnd, static_cast<int>(TransferEnd::Complete));
    ASSERT_EQ(gHeader.recordCount, 6000u);
    const SampleRecord& last = gStore[5999];
    EXPECT_LE(timeOf(before), timeOf(last));
    EXPECT_LE(timeOf(last), timeOf(after));
    EXPECT_LT(timeOf(last), timeOf(end)) << "the stream took seconds; the stamps do not follow its end";
    for (std::uint32_t k = 0; k < 6000; ++k) ASSERT_EQ(gStore[k].value, k & 0xFF) << k;
}

// A program killed in the middle of a stream leaves the logger sending; the
// next program's fetch stops that stream first and holds only its own.
TEST_F(TransferOverLink, AFetchAfterAKilledOneHoldsOnlyItsOwnStream) {
    sim::Options options;
    options.sampleTime = 2;
    options.length = 100000;
    options.profile = sim::Profile::Ramp;
    LoggerOnPort& sim = logger(options, 1);
    gSettings.port = 1;
    openConfiguredPort();
    startStream(2);  // "10 minutes": 30,000 samples, 21 s on the line
    ASSERT_TRUE(testsupport::waitFor([] { return gApp.receivedCount.load() >= 300u; }));

    // The kill: the port closes with no abort, and a new program starts.
    closeLink();
    resetGlobalStateForTests();
    fake::reset();
    fake::resetProgress();
    gApp.deviceAnswered.create(Event::Reset::Manual);
    gApp.countConfirmed.create(Event::Reset::Manual);
    gSettings.port = 1;
    openConfiguredPort();
    ASSERT_TRUE(sim.stats().streaming.load()) << "the logger goes on with the old stream";
    ASSERT_TRUE(testsupport::waitFor([] { return gApp.strayCount.load() > 0u; }));

    startStream(0);  // "2 minutes": 6,000 samples
    ASSERT_TRUE(runToTheEnd());
    EXPECT_GE(sim.stats().abortsReceived.load(), 1u);
    ASSERT_EQ(gHeader.recordCount, 6000u);
    for (std::uint32_t k = 0; k < 6000; ++k)
        ASSERT_EQ(gStore[k].value, sim::sampleValue(options, sim::streamIndex(options, 6000, k))) << k;
}

// Damaged frames that account for every missing sample become gaps in place.
TEST_F(TransferOverLink, DamagedFramesOnTheLineAreKeptAsGapsAtTheirPlace) {
    sim::Options options;
    options.sampleTime = 2;
    options.length = 20000;
    options.profile = sim::Profile::Ramp;
    options.pace = sim::Pace::Fast;
    options.badChecksumEvery = 1000;  // samples 999, 1999, ... 5999
    logger(options, 1);
    gSettings.port = 1;
    openConfiguredPort();
    gDeviceWaits.gapsEndMs = 100;
    startStream(0);
    ASSERT_TRUE(runToTheEnd());
    EXPECT_EQ(gApp.lastTransferEnd, static_cast<int>(TransferEnd::DamagedKept));
    ASSERT_EQ(gHeader.recordCount, 6000u);
    for (std::uint32_t k = 0; k < 6000; ++k) {
        const std::uint8_t want =
            (k + 1) % 1000 == 0 ? kGapValue : sim::sampleValue(options, sim::streamIndex(options, 6000, k));
        ASSERT_EQ(gStore[k].value, want) << k;
    }
}

}  // namespace
