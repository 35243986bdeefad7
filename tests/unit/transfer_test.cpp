// The recording transfer against a scripted logger: the exchange tick by tick,
// the counts asked for, completion, the ways a transfer ends without a
// recording, and what the recording on screen looks like afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <set>
#include <tuple>
#include <vector>

#include "device/protocol.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_progress.h"
#include "platform/clock.h"
#include "recording/recording_file.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/span_dialog.h"
#include "shell/ui_texts.h"
#include "support/scripted_logger.h"
#include "support/temp_dir.h"

namespace {

using test::loggerRecord;
using test::loggerScript;

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        fake::resetProgress();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        gDeviceWaits = DeviceWaits{0, 0, 0, 0};  // the scripted logger answers before any wait
        test::installScriptedLogger();
        gApp.linkPort = 1;
        loggerRecord().openPort = 1;
    }
    void TearDown() override {
        test::removeScriptedLogger();
        gDeviceWaits = DeviceWaits{};
        resetGlobalStateForTests();
    }

    // Runs the commands the program posted to itself, as the main window would.
    void runPosted() {
        auto& posted = fake::state().postedCommands;
        while (!posted.empty()) {
            const int id = posted.front();
            posted.erase(posted.begin());
            if (id == kCommandTransfer) startTransfer();
            else if (id == kCommandEndProgress) endProgressDisplay();
            else ADD_FAILURE() << "unexpected posted command " << id;
        }
    }

    // Transfer, span dialog answered with span + 1, then the timer ticks until
    // the exchange is over.
    void transfer(int spanIndex) {
        gApp.unsavedWork = 0;  // as if the last recording was saved: no question
        fake::state().dialogAnswers.push_back(spanIndex + 1);
        startTransfer();
        runPosted();
        for (int tick = 0; tick < 6; ++tick) pumpCommands();
        trackProgress();
    }

    static std::vector<std::string> messages() {
        std::vector<std::string> texts;
        for (const auto& m : fake::state().messages) texts.push_back(m.text);
        return texts;
    }

    // A recording as a load would leave it: 10,000 stamped records at 0.50 s.
    static void loadPreviousRecording() {
        gHeader.sampleTime = 50;
        gHeader.spanIndex = 9;
        gHeader.recordCount = 10000;
        gHeader.reserved[0] = 0x5A;
        for (std::uint32_t i = 0; i < 10000; ++i) gStore[i].value = 200;
        assignTimesBackward(platform::CalendarTime{2009, 6, 1, 12, 0, 0});
        gApp.dataPresent = 1;
    }

    static std::vector<std::uint8_t> storeBytes(std::uint32_t records) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(gStore);
        return {p, p + records * sizeof(SampleRecord)};
    }
};

std::tuple<int, int, int, int, int, int> timeOf(const SampleRecord& r) {
    return {r.year, r.month, r.day, r.hour, r.minute, r.second};
}
std::tuple<int, int, int, int, int, int> timeOf(const platform::CalendarTime& t) {
    return {t.year % 100, t.month, t.day, t.hour, t.minute, t.second};
}

TEST_F(Transfer, TwoMinutesAtFiftyHertzGoesOutTickByTickAndIsStampedBackwards) {
    loggerScript().sampleTime = 2;
    fake::state().dialogAnswers.push_back(1);  // "2 minutes"
    startTransfer();
    EXPECT_EQ(loggerRecord().sent, (std::vector<std::uint16_t>{CodePing}));
    EXPECT_FALSE(fake::state().waitCursor) << "the wait cursor is put back after the ping";
    EXPECT_GE(fake::state().cursorChanges, 2);
    EXPECT_EQ(gApp.expectedCount, 6000u);
    EXPECT_EQ(gApp.progressDivisor, 60u);
    EXPECT_EQ(gApp.countSent, 1);

    pumpCommands();
    pumpCommands();
    pumpCommands();
    EXPECT_EQ(loggerRecord().sent, (std::vector<std::uint16_t>{CodePing, 59112, 59323, 59600}));
    EXPECT_EQ(gApp.receiving, 0);
    const platform::CalendarTime before = platform::localNow();
    pumpCommands();  // the confirmation: its tick's time is the newest sample's
    const platform::CalendarTime after = platform::localNow();
    EXPECT_EQ(gApp.receiving, 1);
    EXPECT_EQ(gApp.countSent, 0);
    EXPECT_TRUE(fake::progress().shown);
    EXPECT_STREQ(fake::progress().text, messageTextPtr(27));
    EXPECT_STREQ(fake::progress().button, messageTextPtr(28));
    EXPECT_EQ(test::timesSent(CodeStart), 0);
    pumpCommands();  // the start code; the logger streams
    EXPECT_EQ(loggerRecord().sent.back(), CodeStart);
    EXPECT_EQ(gApp.receivedCount, 6000u);

    trackProgress();
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_FALSE(fake::progress().shown);
    EXPECT_EQ(fake::progress().positions, (std::vector<int>{100}));
    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_EQ(gHeader.spanIndex, 0);
    EXPECT_EQ(gHeader.sampleTime, 2);
    EXPECT_EQ(gStore[1].value, 7);
    const SampleRecord& last = gStore[5999];
    EXPECT_LE(timeOf(before), timeOf(last));
    EXPECT_LE(timeOf(last), timeOf(after));
    EXPECT_EQ(last.tenths * 10 + last.hundredths, 0);
    // 0.02 s apart: 5,999 steps put the first sample 119.98 s earlier.
    EXPECT_EQ(gStore[5998].tenths * 10 + gStore[5998].hundredths, 98);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Transfer, CountsFollowSpanAndSampleTimeAndStopAtTheStoreCapacity) {
    EXPECT_EQ(requestedSampleCount(0, 2), 6000u);
    EXPECT_EQ(requestedSampleCount(13, 100), 1036800u);
    EXPECT_EQ(requestedSampleCount(8, 3), 1048576u);  // 1,440,000 asked, the store holds less
    EXPECT_EQ(requestedSampleCount(8, 1), 1048576u);
    EXPECT_EQ(requestedSampleCount(6, 7), 102857u);  // truncating
    EXPECT_EQ(requestedSampleCount(0, 0), 0u);
    EXPECT_EQ(requestedSampleCount(14, 2), 0u);

    loggerScript().sampleTime = 3;
    loggerScript().sendCount = 0;  // only the request matters here
    fake::state().dialogAnswers.push_back(9);  // "12 hours"
    startTransfer();
    for (int tick = 0; tick < 3; ++tick) pumpCommands();
    EXPECT_EQ(loggerRecord().requested, 1048576u);
    EXPECT_EQ(loggerRecord().sent, (std::vector<std::uint16_t>{CodePing, 59000, 59300, 59616}));
}

TEST_F(Transfer, TwelveDaysAtOneSecondStoresOneMillionSamples) {
    loggerScript().sampleTime = 100;
    transfer(13);
    EXPECT_EQ(loggerRecord().requested, 1036800u);
    EXPECT_EQ(gHeader.recordCount, 1036800u);
    EXPECT_EQ(gApp.progressDivisor, 10368u);
    EXPECT_EQ(gHeader.spanIndex, 13);
}

TEST_F(Transfer, SmallerConfirmedCountEndsTheTransferAndSetsTheBarStep) {
    loggerScript().confirmCount = 4321;
    transfer(0);
    EXPECT_EQ(gApp.progressDivisor, 43u);
    EXPECT_EQ(gHeader.recordCount, 4321u);

    loggerScript().confirmCount = 50;
    transfer(0);
    EXPECT_EQ(gApp.progressDivisor, 1u);
    EXPECT_EQ(gHeader.recordCount, 50u);
    EXPECT_EQ(fake::progress().positions.back(), 50);
}

TEST_F(Transfer, ProgressBarMovesInPercentOfTheConfirmedCountWhileSamplesArrive) {
    loggerScript().sendCount = 0;
    fake::state().dialogAnswers.push_back(1);
    startTransfer();
    for (int tick = 0; tick < 5; ++tick) pumpCommands();
    for (int i = 0; i < 1500; ++i) test::loggerSends(10);
    trackProgress();
    for (int i = 0; i < 1500; ++i) test::loggerSends(10);
    trackProgress();
    EXPECT_EQ(fake::progress().positions, (std::vector<int>{25, 50}));
    EXPECT_EQ(gApp.receiving, 1);
    EXPECT_TRUE(fake::progress().shown);
}

TEST_F(Transfer, SamplesBeyondTheConfirmedCountOrTheCapacityNeverEnterTheRecording) {
    // More samples than confirmed arrive before the tick sees the end.
    loggerScript().confirmCount = 6000;
    loggerScript().sendCount = 6005;
    transfer(0);
    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_EQ(gApp.receivedCount, 6000u);
    EXPECT_EQ(gApp.strayCount, 5u);

    // A logger confirming far more than the store holds still ends, full.
    loggerScript().sampleTime = 1;
    loggerScript().confirmCount = 0x63FFFF;  // the largest the count codes can carry back
    loggerScript().sendCount = std::int64_t{kStoreCapacity} + 10;
    transfer(8);
    EXPECT_EQ(gApp.expectedCount, kStoreCapacity);
    EXPECT_EQ(gHeader.recordCount, kStoreCapacity);
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_EQ(fake::progress().positions.back(), 100);
}

TEST_F(Transfer, UserAbortLeavesTheRecordingOnShowByteForByte) {
    loadPreviousRecording();
    const RecordingHeader header = gHeader;
    const std::vector<std::uint8_t> before = storeBytes(10000);

    loggerScript().sendCount = 100;  // then the logger keeps the rest to itself
    fake::state().dialogAnswers.push_back(1);
    startTransfer();
    EXPECT_EQ(gApp.transferSampleTime, 2) << "the logger's sample time rules the transfer";
    EXPECT_EQ(gHeader.sampleTime, 50) << "the recording on show keeps its own";
    for (int tick = 0; tick < 5; ++tick) pumpCommands();
    trackProgress();
    ASSERT_EQ(gApp.receiving, 1);

    fake::pressProgressAbort();
    EXPECT_EQ(loggerRecord().sent.back(), CodeAbort) << "the abort code leaves before command 10000";
    EXPECT_EQ(fake::state().postedCommands, (std::vector<int>{kCommandEndProgress}));
    test::loggerSends(CodeAbort);  // the logger ends too
    test::loggerSends(42);         // and a late sample
    trackProgress();               // a tick before command 10000 must not complete it
    runPosted();

    EXPECT_FALSE(fake::progress().shown);
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
    EXPECT_EQ(gApp.dataPresent, 1);
    EXPECT_EQ(storeBytes(10000), before);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(gApp.lastTransferEnd, static_cast<int>(TransferEnd::Aborted));
}

TEST_F(Transfer, LoggerAbortCompletesWithTheSamplesReceived) {
    loggerScript().sendCount = 500;
    loggerScript().abortAfterStream = true;
    transfer(0);
    EXPECT_EQ(gHeader.recordCount, 500u);
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_FALSE(fake::progress().shown);
    EXPECT_EQ(gApp.lastTransferEnd, static_cast<int>(TransferEnd::LoggerEnded));
    ASSERT_EQ(messages().size(), 1u) << "the user learns the recording is short";
    EXPECT_NE(messages()[0].find("500 of 6,000"), std::string::npos) << messages()[0];
}

TEST_F(Transfer, SilentLoggerIsPingedTwicePerTransferThenReported) {
    loggerScript().answers = false;
    startTransfer();
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(gApp.retryOnNoAnswer, 0);
    EXPECT_EQ(fake::state().postedCommands, (std::vector<int>{kCommandTransfer}));
    runPosted();
    EXPECT_EQ(test::timesSent(CodePing), 2);
    ASSERT_EQ(messages(), (std::vector<std::string>{messageTextPtr(40)}));
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(15));
    EXPECT_EQ(gApp.retryOnNoAnswer, 1);
    EXPECT_TRUE(fake::state().dialogsRun.empty());
    EXPECT_FALSE(fake::state().waitCursor);

    startTransfer();
    runPosted();
    EXPECT_EQ(test::timesSent(CodePing), 4) << "the next Transfer again pings twice";
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(Transfer, MissingAnswerSignalCountsAsNoAnswer) {
    gApp.deviceAnswered.close();
    startTransfer();
    runPosted();
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(40)}));
}

TEST_F(Transfer, UnconfirmedCountEndsWithATimeoutMessage) {
    loadPreviousRecording();
    loggerScript().confirms = false;
    transfer(0);
    ASSERT_EQ(messages(), (std::vector<std::string>{messageTextPtr(41)}));
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(15));
    EXPECT_EQ(gApp.cmdHead, gApp.cmdTail);
    EXPECT_EQ(gApp.countSent, 0);
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_EQ(fake::progress().creates, 0);
    EXPECT_EQ(gHeader.sampleTime, 50);
    EXPECT_EQ(gHeader.spanIndex, 9);
    EXPECT_EQ(test::timesSent(CodeStart), 0);
}

TEST_F(Transfer, TransferWithoutSamplesLeavesThePreviousRecordingExactlyAsItWas) {
    loadPreviousRecording();
    const RecordingHeader header = gHeader;
    const std::vector<std::uint8_t> before = storeBytes(10000);

    // The logger has nothing to send.
    loggerScript().confirmCount = 0;
    transfer(0);
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
    EXPECT_EQ(storeBytes(10000), before);
    EXPECT_EQ(test::timesSent(CodeStart), 0);
    EXPECT_EQ(fake::progress().creates, 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{messageTextPtr(45)}));

    // The logger ends before its first sample.
    loggerScript().confirmCount = -1;
    loggerScript().sendCount = 0;
    loggerScript().abortAfterStream = true;
    transfer(0);
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
    EXPECT_EQ(storeBytes(10000), before);
    EXPECT_FALSE(fake::progress().shown);
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_EQ(messages().size(), 2u);
    EXPECT_EQ(gApp.dataPresent, 1);
}

TEST_F(Transfer, NoSampleTimeYetRepeatsTheTransferBoundedly) {
    loggerScript().sampleTime = -1;
    startTransfer();
    EXPECT_EQ(fake::state().postedCommands, (std::vector<int>{kCommandTransfer}));
    runPosted();
    EXPECT_EQ(test::timesSent(CodePing), kMaxSampleTimeAttempts);
    EXPECT_EQ(messages(), (std::vector<std::string>{uiText(UiText::NoSampleTimeReported)}))
        << "the logger answered: the message names the missing sample time, not the line";
    EXPECT_TRUE(fake::state().dialogsRun.empty());
    EXPECT_EQ(gApp.sampleTimeAttempts, 0);
    EXPECT_EQ(gApp.retryOnNoAnswer, 1);

    // Once the report arrives, a repeated Transfer goes on to the span dialog.
    loggerScript().sampleTime = -1;
    startTransfer();
    loggerScript().sampleTime = 5;
    runPosted();
    EXPECT_EQ(fake::state().dialogsRun, (std::vector<std::string>{"span"}));
    EXPECT_EQ(gHeader.sampleTime, 0) << "Cancel leaves the header as it was";
}

TEST_F(Transfer, SampleTimeComesFromTheLoggerNotFromTheRecordingOnScreen) {
    loadPreviousRecording();  // 0.50 s
    loggerScript().sampleTime = 2;
    fake::state().dialogAnswers.push_back(1);
    startTransfer();
    EXPECT_EQ(loggerRecord().requested, 0u);
    pumpCommands();
    pumpCommands();
    pumpCommands();
    EXPECT_EQ(loggerRecord().requested, 6000u);
    endProgressDisplay();  // leave that one unconfirmed

    // A logger that answers without a report uses the sample time it reported
    // before, never the one of the recording on show.
    test::installScriptedLogger();
    loggerRecord().openPort = 1;
    loggerScript().sampleTime = -1;
    transfer(0);  // "2 minutes"
    EXPECT_EQ(loggerRecord().requested, 6000u);
    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_EQ(gHeader.sampleTime, 2);
}

TEST_F(Transfer, ReportsOutsideATransferNeverReachTheRecordingOnShow) {
    loadPreviousRecording();
    const RecordingHeader header = gHeader;
    const std::vector<std::uint8_t> before = storeBytes(10000);
    // An unrequested sample time (0 among them, which Open would refuse),
    // samples and a count, while nothing is being fetched.
    for (const std::uint16_t code : {std::uint16_t(CodeSampleTime + 0), std::uint16_t(CodeSampleTime + 7),
                                     std::uint16_t{9}, std::uint16_t{CodeCountLow + 3},
                                     std::uint16_t{CodeCountMid}, std::uint16_t{CodeCountHigh}, std::uint16_t{200}})
        test::loggerSends(code);
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
    EXPECT_EQ(storeBytes(10000), before);
    EXPECT_EQ(gApp.strayCount, 2u);

    // A cancelled Transfer whose logger reports 0.02 s changes nothing either.
    fake::state().dialogAnswers.push_back(0);
    startTransfer();
    test::loggerSends(CodeSampleTime + 5);
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
}

TEST_F(Transfer, SampleTimeReportArrivingAfterTheAnswerIsWaitedFor) {
    loadPreviousRecording();  // 0.50 s on screen
    // The logger's frames come from a thread of their own, as from the reader
    // thread: the answer, and the sample time 20 ms behind it.
    loggerScript().answers = false;
    gDeviceWaits.answerMs = 60000;
    gDeviceWaits.sampleTimeMs = 60000;
    std::thread reader([] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (gApp.loggerSampleTime.load() != kSampleTimeUnreported && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        test::loggerSends(CodeAnswer);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        test::loggerSends(CodeSampleTime + 2);
    });
    fake::state().dialogAnswers.push_back(1);
    startTransfer();
    reader.join();
    for (int tick = 0; tick < 3; ++tick) pumpCommands();
    EXPECT_EQ(loggerRecord().requested, 6000u) << "counted at 0.02 s, not at the recording's 0.5 s";
}

TEST_F(Transfer, CancelledOrFailedSpanDialogChangesNothing) {
    loadPreviousRecording();
    const RecordingHeader header = gHeader;
    fake::state().dialogAnswers.push_back(0);   // Cancel
    fake::state().dialogAnswers.push_back(-1);  // cannot be shown
    startTransfer();
    startTransfer();
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
    EXPECT_EQ(gApp.countSent, 0);
    EXPECT_EQ(gApp.cmdHead, gApp.cmdTail);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Transfer, TransferRunsToTheEndWithoutAProgressWindow) {
    fake::progress().createFails = true;
    transfer(0);
    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_TRUE(fake::progress().positions.empty());
    EXPECT_EQ(gApp.progressWindow, nullptr);
}

platform::CalendarTime fixedConfirmClock() { return {2024, 3, 1, 0, 0, 10}; }

// Every sample at its place behind the confirmation, however the stream ends:
// sample k of the 6,000 confirmed belongs at 00:00:10 - (5,999 - k) x 0.02 s.
TEST_F(Transfer, SamplesAreStampedAtTheirPlaceBehindTheConfirmation) {
    struct Case {
        const char* name;
        std::int64_t sendCount;           // -1: all confirmed
        std::set<std::int64_t> damagedAt;  // frames sent with a wrong checksum
        std::set<std::int64_t> noiseAt;    // extra damaged lines, never frames
        bool loggerAborts;
        std::uint32_t records;
        TransferEnd end;
    };
    const Case cases[] = {
        {"complete", -1, {}, {}, false, 6000, TransferEnd::Complete},
        {"stops after 3,000", 3000, {}, {}, false, 3000, TransferEnd::Stalled},
        {"logger ends after 3,000", 3000, {}, {}, true, 3000, TransferEnd::LoggerEnded},
        {"two damaged frames kept as gaps", -1, {0, 4000}, {}, false, 6000, TransferEnd::DamagedKept},
        {"a damaged frame plus noise", -1, {100}, {200}, false, 5999, TransferEnd::Stalled},
    };
    gTransferClock = &fixedConfirmClock;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetGlobalStateForTests();
        fake::reset();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        gDeviceWaits.gapsEndMs = 20;
        gDeviceWaits.stallMs = 60;
        loggerScript().sendCount = c.sendCount;
        loggerScript().damagedAt = c.damagedAt;
        loggerScript().noiseAt = c.noiseAt;
        loggerScript().abortAfterStream = c.loggerAborts;
        transfer(0);
        if (gApp.receiving == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            trackProgress();
        }
        if (gApp.receiving == 1) {
            EXPECT_NE(c.end, TransferEnd::DamagedKept) << "gaps are kept after a second without a line";
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            trackProgress();
        }
        ASSERT_EQ(gApp.receiving, 0);
        EXPECT_EQ(gApp.lastTransferEnd, static_cast<int>(c.end));
        ASSERT_EQ(gHeader.recordCount, c.records);
        // The stream's samples as the records should hold them: a damaged
        // frame is a gap where it is kept and missing where it is not.
        std::vector<std::uint8_t> want;
        const bool kept = c.end == TransferEnd::DamagedKept;
        for (std::int64_t i = 0; i < 6000; ++i) {
            if (c.damagedAt.count(i) == 0) want.push_back(static_cast<std::uint8_t>((i * 7) % 150));
            else if (kept) want.push_back(kGapValue);
        }
        for (std::uint32_t k = 0; k < c.records; ++k) ASSERT_EQ(gStore[k].value, want[k]) << "record " << k;
        // 6,000 - records samples missing at the end: the newest stands that
        // many sample times before the confirmation.
        const std::uint32_t hundredthsBefore = (6000 - c.records) * 2;
        const SampleRecord& last = gStore[c.records - 1];
        const int lastHundredths = ((last.minute * 60 + last.second) * 100 + last.tenths * 10 + last.hundredths);
        const bool dayBefore = hundredthsBefore > 1000;
        EXPECT_EQ(last.day, dayBefore ? 29 : 1);
        EXPECT_EQ(lastHundredths, 1000 - static_cast<int>(hundredthsBefore) + (dayBefore ? 360000 : 0));
        const SampleRecord& first = gStore[0];
        EXPECT_EQ(timeOf(first), std::make_tuple(24, 2, 29, 23, 58, 10)) << "leap day";
        EXPECT_EQ(first.tenths * 10 + first.hundredths, 2);
    }
    gTransferClock = &platform::localNow;
}

// The damaged-frame stream: the message says the frames were kept.
TEST_F(Transfer, DamagedFramesKeptAsGapsAreReported) {
    gDeviceWaits.gapsEndMs = 0;
    loggerScript().damagedAt = {10, 20, 30};
    transfer(0);
    ASSERT_EQ(gApp.lastTransferEnd, static_cast<int>(TransferEnd::DamagedKept));
    EXPECT_EQ(messages(), (std::vector<std::string>{formatText(uiText(UiText::DamagedFramesKeptAsGaps), "3")}));
}

TEST_F(Transfer, NothingAtAllKeepsTheRecordingOnShow) {
    gDeviceWaits.stallMs = 30;
    loadPreviousRecording();
    const RecordingHeader header = gHeader;
    const std::vector<std::uint8_t> before = storeBytes(10000);
    loggerScript().sendCount = 0;
    transfer(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    trackProgress();
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_EQ(std::memcmp(&gHeader, &header, sizeof header), 0);
    EXPECT_EQ(storeBytes(10000), before);
    EXPECT_EQ(messages().back(), uiText(UiText::StoppedBeforeFirstSample));
}

// Samples nobody asked for, or a stream left running, mean the logger may
// still be sending: the next Transfer stops it before its ping.
TEST_F(Transfer, ALineThatMayStillCarryAStreamIsStoppedBeforeThePing) {
    gDeviceWaits.quietMs = 1;
    transfer(0);  // a clean transfer: nothing to settle afterwards
    loggerRecord().sent.clear();
    transfer(0);
    EXPECT_EQ(loggerRecord().sent.front(), CodePing);

    test::loggerSends(42);  // a sample outside any transfer
    loggerRecord().sent.clear();
    transfer(0);
    ASSERT_GE(loggerRecord().sent.size(), 2u);
    EXPECT_EQ(loggerRecord().sent[0], CodeAbort);
    EXPECT_EQ(loggerRecord().sent[1], CodePing);

    // A stream that stalled may go on at the logger.
    gDeviceWaits.stallMs = 0;
    loggerScript().sendCount = 10;
    transfer(0);
    trackProgress();
    ASSERT_EQ(gApp.lastTransferEnd, static_cast<int>(TransferEnd::Stalled));
    loggerRecord().sent.clear();
    startTransfer();
    EXPECT_EQ(loggerRecord().sent.front(), CodeAbort);
}

// Parts of an earlier, unfinished answer never make up a later count.
TEST_F(Transfer, ACountIsMadeOnlyOfTheAnswerToItsOwnRequest) {
    loggerScript().confirms = false;
    for (const bool secondRequest : {false, true}) {
        fake::state().dialogAnswers.push_back(1);
        startTransfer();
        for (int tick = 0; tick < 3; ++tick) pumpCommands();
        if (!secondRequest) {
            test::loggerSends(static_cast<std::uint16_t>(CodeCountLow + 0x70));  // the high part is lost
            test::loggerSends(static_cast<std::uint16_t>(CodeCountMid + 0x17));
        } else {
            test::loggerSends(CodeCountHigh);  // only the last part of this answer comes
        }
        pumpCommands();
        EXPECT_EQ(gApp.receiving, 0) << "second request: " << secondRequest;
        EXPECT_EQ(messages().back(), messageTextPtr(41));
    }
}

// While a dialog of ours is open, the recording on show stays what its
// command acts on: Save writes the old recording under the name chosen for
// it, and the transfer ends once the dialog has closed.
TEST_F(Transfer, CompletionWaitsForOpenDialogs) {
    test::TempDir dir(true);
    loadPreviousRecording();
    gDeviceWaits.stallMs = 0;
    gApp.modalDepth = 1;  // a dialog is open while the stream completes
    transfer(0);
    trackProgress();
    ASSERT_EQ(gApp.receiving, 1);
    gApp.modalDepth = 0;

    fake::state().fileAnswers.push_back("old.udd");
    fake::state().whileModal = [] { trackProgress(); };  // ticks inside the save dialog
    commandSave();
    fake::state().whileModal = nullptr;
    EXPECT_EQ(gApp.receiving, 1);
    int code = 0;
    ASSERT_EQ(readRecordingFile("old.udd", code), LoadStatus::Loaded);
    EXPECT_EQ(gHeader.recordCount, 10000u) << "the file holds the recording the Save was chosen for";
    EXPECT_EQ(gStore[0].value, 200);

    trackProgress();
    EXPECT_EQ(gApp.receiving, 0);
    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_EQ(gApp.unsavedWork, 1) << "the new recording is not the one saved";
}

TEST_F(Transfer, ASecondTransferWhileReceivingOnlyRaisesTheProgressWindow) {
    loggerScript().sendCount = 100;
    fake::state().dialogAnswers.push_back(1);
    startTransfer();
    for (int tick = 0; tick < 5; ++tick) pumpCommands();
    const auto sent = loggerRecord().sent;
    startTransfer();
    EXPECT_EQ(loggerRecord().sent, sent) << "no second ping";
    EXPECT_EQ(fake::progress().raises, 1);
    EXPECT_TRUE(fake::state().dialogsRun.size() == 1);
    EXPECT_EQ(gApp.receiving, 1);
    EXPECT_EQ(gApp.expectedCount, 6000u);
    EXPECT_EQ(gApp.receivedCount, 100u);
}

TEST_F(Transfer, UnsavedWorkIsAskedAboutExactlyWhenItWouldBeDropped) {
    test::TempDir dir;
    transfer(0);  // fetched: unsaved
    ASSERT_EQ(gApp.unsavedWork, 1);
    const struct {
        int answer;            // 0 Save, 1 Discard, 2 Cancel
        const char* savePath;  // answer of the save dialog ("" = cancelled)
        bool opens;            // Open goes on to its file dialog
        int unsavedAfter;
    } cases[] = {
        {2, nullptr, false, 1},
        {0, "", false, 1},  // Save, then the save dialog cancelled: nothing is dropped
        {1, nullptr, true, 1},
        {0, "x.udd", true, 0},
    };
    for (const auto& c : cases) {
        gApp.unsavedWork = 1;
        fake::state().fileDialogs.clear();
        fake::state().fileAnswers.clear();
        fake::state().saveAnswers.push_back(c.answer);
        if (c.savePath != nullptr) fake::state().fileAnswers.push_back(*c.savePath ? dir.file(c.savePath) : "");
        fake::state().fileAnswers.push_back("");  // the open dialog, cancelled
        commandOpen();
        bool opened = false;
        for (const auto& d : fake::state().fileDialogs) opened = opened || d.open;
        EXPECT_EQ(opened, c.opens) << c.answer;
        EXPECT_EQ(gApp.unsavedWork, c.unsavedAfter) << c.answer;
    }
    // Saved: no question; re-timed: asked again, and Cancel stops Transfer.
    gApp.unsavedWork = 0;
    const int asked = fake::state().saveQuestions;
    commandOpen();
    EXPECT_EQ(fake::state().saveQuestions, asked);
    fake::state().dialogAnswers.push_back(kSetStartTimeButton);
    commandSetTime();
    EXPECT_EQ(gApp.unsavedWork, 1);
    startTransfer();
    EXPECT_EQ(fake::state().saveQuestions, asked + 1);
    EXPECT_EQ(test::timesSent(CodePing), 1) << "only the first transfer's ping";
}

TEST_F(Transfer, OpenIsRefusedWhileATransferRuns) {
    loggerScript().sendCount = 100;
    fake::state().dialogAnswers.push_back(1);
    startTransfer();
    commandOpen();
    EXPECT_EQ(messages(), (std::vector<std::string>{uiText(UiText::TransferRunningOpenRefused)}));
    EXPECT_TRUE(fake::state().fileDialogs.empty());
}

TEST_F(Transfer, SpanDescriptionsSayHowMuchComesAndHowLongItTakes) {
    const struct {
        int span;
        std::uint16_t sampleTime;
        const char* text;
    } cases[] = {
        {0, 2, "6,000 samples, about 5 s to fetch"},
        {13, 100, "1,036,800 samples, about 12 min to fetch"},
        {7, 10, "180,000 samples, about 2 min to fetch"},
        {8, 1, "The store takes 1,048,576 samples: only the most recent 2 h 54 min\nof this span will come, about "
               "12 min to fetch."},
    };
    for (const auto& c : cases) EXPECT_EQ(spanFetchDescription(c.span, c.sampleTime), c.text) << c.span;
    EXPECT_FALSE(spanCutByStore(13, 100));
    EXPECT_TRUE(spanCutByStore(8, 3));
    gSettings.language = German;
    EXPECT_EQ(spanFetchDescription(13, 100), "1.036.800 Werte, Abruf etwa 12 min");
    EXPECT_EQ(progressDetail(412300, 1036800), "412.300 von 1.036.800 Werten, noch etwa 7 min");
}

TEST_F(Transfer, SpansNotOfferedSayWhichSampleTimeTheyNeed) {
    const struct {
        int span;
        std::uint16_t sampleTime;
        const char* needs;  // "" when offered: the fetch description instead
    } cases[] = {
        {0, 5, "this span needs a sample time of exactly 0.02 s."},    // 2 minutes
        {1, 10, "this span needs a sample time of 0.05 s or less."},   // 5 minutes
        {5, 100, "this span needs a sample time of 0.50 s or less."},  // 1 hour
        {12, 50, "this span needs a sample time of 1.00 s or more."},  // 1 week
        {8, 2, "this span needs a sample time of 0.03 s or more."},    // 12 hours
        {11, 10, "this span needs a sample time of 0.50 s or more."},  // 5 days
        {1, 5, ""},
        {13, 100, ""},
    };
    for (const auto& c : cases) {
        const std::string reason = spanDisabledReason(c.span, c.sampleTime);
        const std::string tip = spanButtonTip(c.span, c.sampleTime);
        if (*c.needs == '\0') {
            EXPECT_EQ(reason, "") << c.span;
            EXPECT_EQ(tip, spanFetchDescription(c.span, c.sampleTime)) << c.span;
            continue;
        }
        EXPECT_EQ(reason, "Not offered at the logger's sample time of " +
                              std::string(formatSampleTime(c.sampleTime).text) + " s:\n" + c.needs)
            << c.span;
        EXPECT_EQ(tip, reason) << c.span;
    }
    gSettings.language = German;
    EXPECT_EQ(spanButtonTip(12, 50), "Bei der Abtastzeit des Loggers von 0.50 s nicht möglich:\n"
                                     "diese Spanne braucht eine Abtastzeit von 1.00 s oder mehr.");
}

TEST_F(Transfer, CommandQueueWrapsAroundItsThirtyTwoSlots) {
    for (int i = 0; i < 30; ++i) {
        queueCode(static_cast<std::uint16_t>(1000 + i));
        pumpCommands();
    }
    queueCount(120000);
    for (int i = 0; i < 3; ++i) pumpCommands();
    EXPECT_EQ(gApp.cmdHead, 1);
    EXPECT_EQ(gApp.cmdTail, 1);
    const std::vector<std::uint16_t> tail(loggerRecord().sent.end() - 3, loggerRecord().sent.end());
    EXPECT_EQ(tail, (std::vector<std::uint16_t>{59192, 59512, 59601}));
    pumpCommands();  // empty queue, no count awaited: nothing goes out
    EXPECT_EQ(loggerRecord().sent.size(), 33u);
}

}  // namespace
