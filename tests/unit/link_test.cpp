// The serial link end to end: the real reader and writer threads on a
// pseudo-terminal, against the logger simulator or a bare pseudo-terminal.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "device/link.h"
#include "device/protocol.h"
#include "platform/serial.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "support/logger_harness.h"

namespace {

using testsupport::BarePty;
using testsupport::kPatienceMs;
using testsupport::LoggerOnPort;
using testsupport::waitFor;

constexpr int kLoggerPort = 3;
constexpr int kBarePort = 5;

int countEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}
int openDescriptors() { return countEntries("/proc/self/fd"); }
int runningThreads() { return countEntries("/proc/self/task"); }

// Runs f on another thread and fails the test (ending the run) if it does not
// return within the patience: a hang must not pass silently.
template <typename F>
void mustReturn(F f, const char* what) {
    auto done = std::async(std::launch::async, f);
    if (done.wait_for(std::chrono::milliseconds(kPatienceMs)) != std::future_status::ready) {
        ADD_FAILURE() << what << " did not return";
        std::abort();
    }
}

void sendCount(std::uint32_t n) {
    sendCode(static_cast<std::uint16_t>(CodeCountLow + (n & 0xFF)));
    sendCode(static_cast<std::uint16_t>(CodeCountMid + ((n >> 8) & 0xFF)));
    sendCode(static_cast<std::uint16_t>(CodeCountHigh + ((n >> 16) & 0xFF)));
}

// The exchange up to the stream: asks for n, waits for the confirmation and
// starts the stream. Returns false if no confirmation came.
bool requestAndStart(std::uint32_t n) {
    gApp.countConfirmed.reset();
    sendCount(n);
    if (!gApp.countConfirmed.wait(kPatienceMs)) return false;
    gApp.countConfirmed.reset();
    gApp.receivedCount = 0;
    gApp.acceptingSamples = true;
    gApp.startCodeWritten = true;
    sendCode(CodeStart);
    return true;
}

// Checks that the first `received` records hold the stream of `count` samples
// the simulator sends, in order, skipping the ones it spoiled (every k-th).
void expectStream(const sim::Options& o, std::uint32_t count, std::uint32_t received) {
    std::uint32_t r = 0;
    for (std::uint32_t k = 0; k < count && r < received; ++k) {
        if (o.badChecksumEvery > 0 && (k + 1) % o.badChecksumEvery == 0) continue;
        const std::uint8_t want = sim::sampleValue(o, sim::streamIndex(o, count, k));
        if (gReceivedValues[r] != want) {
            ADD_FAILURE() << "record " << r << " holds " << int{gReceivedValues[r]} << ", sample " << k << " was "
                          << int{want};
            return;
        }
        ++r;
    }
    EXPECT_EQ(r, received);
}

std::vector<std::uint8_t> frameBytes(std::uint16_t code) {
    const DeviceFrame f = encodeFrame(code);
    return {f.begin(), f.end()};
}

class Link : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // No port file of the user's, and no real device behind any COM number
        // a test does not set itself.
        static char dir[] = "/tmp/vantrel-link-test.XXXXXX";
        if (mkdtemp(dir) != nullptr) setenv("XDG_CONFIG_HOME", dir, 1);
        for (int n = 1; n <= 8; ++n) testsupport::mapPort(n, "none");
    }
    void SetUp() override {
        resetGlobalStateForTests();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
    }
    void TearDown() override {
        closeLink();
        logger.stop();
        resetGlobalStateForTests();
    }
    void startLogger(const sim::Options& o) {
        std::string error;
        ASSERT_TRUE(logger.start(o, kLoggerPort, &error)) << error;
        ASSERT_EQ(openLink(kLoggerPort, 57600), 1);
    }
    static sim::Options fast(std::uint32_t length) {
        sim::Options o;
        o.pace = sim::Pace::Fast;
        o.length = length;
        return o;
    }
    LoggerOnPort logger;
};

// ---- the transmit ring, without a port --------------------------------------

TEST(TxRing, KeepsOrderAcrossTheWrapAndNeverOverwritesUnsentBytes) {
    std::uint8_t out[kTxRingSize];
    txTake(out);  // whatever an earlier test left
    std::uint8_t next = 0;
    std::uint8_t expect = 0;
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + round % 7;
        std::uint8_t in[7];
        for (int i = 0; i < n; ++i) in[i] = next++;
        ASSERT_EQ(txPut(in, n), 1);
        const int got = txTake(out);
        ASSERT_EQ(got, n);
        for (int i = 0; i < got; ++i) ASSERT_EQ(out[i], expect++);
    }
    std::uint8_t full[kTxRingSize - 1];
    for (int i = 0; i < kTxRingSize - 1; ++i) full[i] = static_cast<std::uint8_t>(0xA0 + i);
    ASSERT_EQ(txPut(full, kTxRingSize - 1), 1);
    const std::uint8_t one = 0x55;
    EXPECT_EQ(txPut(&one, 1), 0) << "a full ring refuses rather than overwrite";
    EXPECT_EQ(txPut(&one, 0), 1) << "an empty put always fits";
    ASSERT_EQ(txTake(out), kTxRingSize - 1);
    for (int i = 0; i < kTxRingSize - 1; ++i) EXPECT_EQ(out[i], 0xA0 + i);
    EXPECT_EQ(txTake(out), 0);
}

TEST(TxRing, ProducerAndConsumerThreadsAgreeOnEveryByte) {
    constexpr std::uint32_t kTotal = 300000;
    std::uint8_t stale[kTxRingSize];
    txTake(stale);
    std::thread consumer([] {
        std::uint8_t out[kTxRingSize];
        std::uint32_t seen = 0;
        while (seen < kTotal) {
            const int n = txTake(out);
            for (int i = 0; i < n; ++i, ++seen) {
                if (out[i] != static_cast<std::uint8_t>(seen * 7)) {
                    ADD_FAILURE() << "byte " << seen << " corrupted";
                    return;
                }
            }
            if (n == 0) std::this_thread::yield();
        }
    });
    std::uint32_t sent = 0;
    while (sent < kTotal) {
        std::uint8_t in[6];
        const int n = static_cast<int>(std::min<std::uint32_t>(1 + sent % 6, kTotal - sent));
        for (int i = 0; i < n; ++i) in[i] = static_cast<std::uint8_t>((sent + i) * 7);
        if (txPut(in, n) == 1) {
            sent += n;
        } else {
            std::this_thread::yield();
        }
    }
    consumer.join();
}

// ---- the exchange with the logger ---------------------------------------------

TEST_F(Link, PingIsAnsweredWithTheSampleTime) {
    for (int st : {2, 5, 10, 20, 50, 100, 7, 0}) {
        sim::Options o = fast(1000);
        o.sampleTime = st;
        startLogger(o);
        gApp.loggerSampleTime = 999;
        gApp.deviceAnswered.reset();
        sendCode(CodePing);
        ASSERT_TRUE(gApp.deviceAnswered.wait(kPatienceMs)) << st;
        EXPECT_TRUE(waitFor([&] { return gApp.loggerSampleTime.load() == st; })) << st;
        closeLink();
    }
}

TEST_F(Link, CountIsConfirmedAtMostAsLargeAsTheRecording) {
    startLogger(fast(1000));
    sendCount(120000);
    ASSERT_TRUE(gApp.countConfirmed.wait(kPatienceMs));
    EXPECT_EQ(gApp.expectedCount, 1000u);
    EXPECT_EQ(logger.stats().countRequested, 120000u);
    gApp.countConfirmed.reset();
    sendCount(500);
    ASSERT_TRUE(gApp.countConfirmed.wait(kPatienceMs));
    EXPECT_EQ(gApp.expectedCount, 500u);
}

TEST_F(Link, EverySampleArrivesInOrderWithItsValue) {
    const sim::Options o = fast(200000);
    startLogger(o);
    ASSERT_TRUE(requestAndStart(150000));
    ASSERT_EQ(gApp.expectedCount, 150000u);
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == 150000u; }));
    expectStream(o, 150000, 150000);
}

TEST_F(Link, AFullRecordingArrivesWholeAtFullSpeed) {
    sim::Options o = fast(kStoreCapacity);
    o.seed = 7;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(kStoreCapacity));
    ASSERT_EQ(gApp.expectedCount, kStoreCapacity);
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == kStoreCapacity; }));
    expectStream(o, kStoreCapacity, kStoreCapacity);
}

TEST_F(Link, AbortFromTheComputerStopsTheStream) {
    sim::Options o;  // real pace: about 1,440 samples a second
    o.length = 100000;
    o.profile = sim::Profile::Ramp;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(100000));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount >= 20u; }));
    sendCode(CodeAbort);
    ASSERT_TRUE(waitFor([&] { return logger.stats().abortsReceived == 1u; }));
    ASSERT_TRUE(waitFor([&] { return logger.stats().idle.load(); }));
    const std::uint32_t sent = logger.stats().samplesSent;
    EXPECT_LT(sent, 100000u);
    ASSERT_TRUE(waitFor([&] { return gApp.receivedCount == sent; }));
    expectStream(o, 100000, sent);
}

TEST_F(Link, AbortFromTheLoggerEndsTheTransferWithTheSamplesSoFar) {
    sim::Options o = fast(10000);
    o.abortAfter = 500;
    startLogger(o);
    for (int i = 0; i < 1000; ++i) gReceivedValues[i] = 0xEE;
    ASSERT_TRUE(requestAndStart(5000));
    ASSERT_TRUE(waitFor([] { return gApp.expectedCount == 500u; }));
    EXPECT_EQ(gApp.receivedCount, 500u);
    expectStream(o, 5000, 500);
    EXPECT_EQ(gReceivedValues[500], 0xEE);
}

// ---- opening and closing ---------------------------------------------------------

TEST_F(Link, ASecondOpenOfTheSamePortFails) {
    startLogger(fast(10));
    int error = 0;
    EXPECT_EQ(platform::serialOpen(kLoggerPort, 57600, &error), platform::kNoSerialHandle);
    EXPECT_EQ(error, EBUSY);
    // The same device under another COM number is the same device.
    const std::string previous = testsupport::mapPort(4, logger.path());
    EXPECT_EQ(platform::serialOpen(4, 57600, &error), platform::kNoSerialHandle);
    closeLink();
    const platform::SerialHandle h = platform::serialOpen(4, 57600, &error);
    EXPECT_NE(h, platform::kNoSerialHandle) << "closing gives the port up";
    platform::serialClose(h);
    testsupport::mapPort(4, previous);
}

TEST_F(Link, ClosingAClosedLinkDoesNothingAndAMissingPortFailsCleanly) {
    const int fds = openDescriptors();
    closeLink();
    closeLink();
    EXPECT_EQ(openLink(7, 57600), 0);  // COM7 means no device here
    EXPECT_EQ(linkIsOpen(), 0);
    closeLink();
    EXPECT_EQ(openDescriptors(), fds);
}

TEST_F(Link, AFailedOpenAfterThePortOpenedReleasesEverything) {
    startLogger(fast(10));
    closeLink();
    const int fds = openDescriptors();
    const int threads = runningThreads();
    for (LinkFault f : {LinkFault::StopSignal, LinkFault::ReaderThread, LinkFault::WriterThread}) {
        setLinkFaultForTests(f);
        EXPECT_EQ(openLink(kLoggerPort, 57600), 0);
        EXPECT_EQ(linkIsOpen(), 0);
        EXPECT_EQ(openDescriptors(), fds);
        EXPECT_EQ(runningThreads(), threads);
        ASSERT_EQ(openLink(kLoggerPort, 57600), 1) << "the port must not stay locked";
        closeLink();
    }
}

TEST_F(Link, OpeningAnOpenLinkMovesItToTheNewPort) {
    startLogger(fast(10));
    const std::string previous = testsupport::mapPort(4, logger.path());
    closeLink();
    ASSERT_EQ(openLink(4, 57600), 1);
    const int threads = runningThreads();
    ASSERT_EQ(openLink(kLoggerPort, 57600), 1) << "the old port was closed first";
    EXPECT_EQ(linkPort(), kLoggerPort);
    EXPECT_EQ(runningThreads(), threads);
    closeLink();
    testsupport::mapPort(4, previous);
}

TEST_F(Link, OpenAndCloseAThousandTimesLeaksNoDescriptorOrThread) {
    startLogger(fast(10));
    closeLink();
    const int fds = openDescriptors();
    const int threads = runningThreads();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(openLink(kLoggerPort, 57600), 1) << i;
        if (i % 100 == 0) {
            gApp.deviceAnswered.reset();
            sendCode(CodePing);
            ASSERT_TRUE(gApp.deviceAnswered.wait(kPatienceMs)) << i;
        }
        closeLink();
    }
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_EQ(runningThreads(), threads);
}

TEST_F(Link, CloseReturnsWhileTheReaderWaitsForBytes) {
    sim::Options o = fast(10);
    o.silent = true;
    startLogger(o);
    sendCode(CodePing);
    ASSERT_TRUE(waitFor([&] { return logger.stats().pings == 1u; }));
    mustReturn([] { closeLink(); }, "closeLink with a waiting reader");
    EXPECT_EQ(linkIsOpen(), 0);
}

TEST_F(Link, CloseReturnsWhileAWriteWaitsForRoom) {
    BarePty pty(kBarePort);  // nobody reads its other end: the writer soon has no room
    ASSERT_FALSE(pty.path.empty());
    ASSERT_EQ(openLink(kBarePort, 57600), 1);
    const DeviceFrame f = encodeFrame(CodePing);
    int refused = 0;
    for (long i = 0; i < 100000000L && refused < 2000; ++i) {
        if (txPut(f.data(), 6) == 1) {
            refused = 0;
        } else {
            ++refused;
            std::this_thread::yield();
        }
    }
    ASSERT_GE(refused, 2000) << "the writer never got stuck";
    mustReturn([] { closeLink(); }, "closeLink with a write waiting for room");
    EXPECT_EQ(linkIsOpen(), 0);
}

// ---- what leaves the writer -------------------------------------------------------

TEST_F(Link, CodesLeaveWholeAndInOrder) {
    BarePty pty(kBarePort);
    ASSERT_FALSE(pty.path.empty());
    sendCode(CodeAbort);  // put while closed: meant for no port, never sent
    ASSERT_EQ(openLink(kBarePort, 57600), 1);
    sendCode(CodePing);
    EXPECT_EQ(pty.read(6), frameBytes(CodePing));
    sendCode(CodeCountLow + 1);
    sendCode(CodeStart);
    std::vector<std::uint8_t> both = frameBytes(CodeCountLow + 1);
    const std::vector<std::uint8_t> start = frameBytes(CodeStart);
    both.insert(both.end(), start.begin(), start.end());
    EXPECT_EQ(pty.read(12), both);
    EXPECT_TRUE(pty.quietFor(50));
}

TEST_F(Link, EveryCodeGoesOutWithoutWaitingForALaterOne) {
    // Each ping must reach the logger on its own; a wake-up lost while a write
    // is in flight would leave it in the ring and this wait would run out.
    startLogger(fast(10));
    for (std::uint32_t i = 1; i <= 500; ++i) {
        sendCode(CodePing);
        ASSERT_TRUE(waitFor([&] { return logger.stats().pings == i; })) << i;
    }
    EXPECT_EQ(logger.stats().badFrames, 0u);
}

// ---- a logger with faults ----------------------------------------------------------

TEST_F(Link, BadChecksumsCostOnlyTheirOwnSamples) {
    sim::Options o = fast(20000);
    o.badChecksumEvery = 7;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(7000));
    ASSERT_TRUE(waitFor([&] { return logger.stats().samplesSent == 7000u && logger.stats().idle; }));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == 6000u; }));
    expectStream(o, 7000, 6000);
}

TEST_F(Link, FillBytesAndSplitFramesChangeNothing) {
    sim::Options o = fast(50000);
    o.fillEvery = 3;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(20000));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == 20000u; }));
    expectStream(o, 20000, 20000);
    closeLink();

    o.fillEvery = 0;
    o.split = true;
    o.splitGapUs = 300;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(300));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == 300u; })) << gApp.receivedCount;
    expectStream(o, 300, 300);
    EXPECT_EQ(gApp.expectedCount, 300u);
}

TEST_F(Link, ASilentLoggerNeverAnswers) {
    sim::Options o = fast(10);
    o.silent = true;
    startLogger(o);
    sendCode(CodePing);
    sendCount(5);
    ASSERT_TRUE(waitFor([&] { return logger.stats().pings == 1u && logger.stats().idle; }));
    EXPECT_FALSE(gApp.deviceAnswered.wait(50));
    EXPECT_FALSE(gApp.countConfirmed.isSet());
}

TEST_F(Link, WhatTheLastPortLeftDoesNotCarryOverToTheNext) {
    // Half a frame and a sample time from a logger on another port, before
    // this port opens: its first answer must count, and its logger's sample
    // time is its own to report.
    const std::uint8_t halfFrame[] = {0x51, 0xA1};
    dispatchReceived(halfFrame, 2);
    gApp.loggerSampleTime = 50;
    sim::Options o = fast(10);
    o.noSampleTime = true;
    startLogger(o);
    EXPECT_EQ(gApp.loggerSampleTime.load(), 0);
    gApp.deviceAnswered.reset();
    sendCode(CodePing);
    EXPECT_TRUE(gApp.deviceAnswered.wait(kPatienceMs));
}

TEST_F(Link, AnAnswerWithoutSampleTimeLeavesTheKnownOne) {
    sim::Options o = fast(10);
    o.noSampleTime = true;
    startLogger(o);
    gApp.loggerSampleTime = 77;
    for (int i = 0; i < 2; ++i) {
        // The second answer comes after anything the first ping caused.
        gApp.deviceAnswered.reset();
        sendCode(CodePing);
        ASSERT_TRUE(gApp.deviceAnswered.wait(kPatienceMs));
    }
    EXPECT_EQ(gApp.loggerSampleTime.load(), 77);
}

TEST_F(Link, ASmallerConfirmedCountEndsTheTransferThere) {
    sim::Options o = fast(10000);
    o.confirmFixed = 100;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(1000));
    EXPECT_EQ(gApp.expectedCount, 100u);
    ASSERT_TRUE(waitFor([&] { return logger.stats().idle && logger.stats().samplesSent == 100u; }));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == 100u; }));
    expectStream(o, 100, 100);
}

TEST_F(Link, ALargerCountThanTheStoreHoldsFillsItAndEnds) {
    sim::Options o = fast(kStoreCapacity);
    o.confirmFixed = 2000000;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(kStoreCapacity));
    EXPECT_EQ(gApp.expectedCount, kStoreCapacity);
    ASSERT_TRUE(waitFor([&] { return logger.stats().idle && logger.stats().samplesSent == 2000000u; }));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == kStoreCapacity; }));
    expectStream(o, 2000000, kStoreCapacity);
}

TEST_F(Link, AHangUpMidStreamEndsReadingWithoutSpinning) {
    sim::Options o = fast(10000);
    o.hangupAfter = 300;
    startLogger(o);
    ASSERT_TRUE(requestAndStart(5000));
    ASSERT_TRUE(waitFor([&] { return logger.stats().hungUp.load(); }));
    ASSERT_TRUE(waitFor([] { return gApp.receivedCount == 300u; })) << gApp.receivedCount;
    expectStream(o, 5000, 300);

    // A reader retrying a dead port would burn a core; an idle one burns nothing.
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    getrusage(RUSAGE_SELF, &after);
    auto cpuUs = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000L + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
    };
    EXPECT_LT(cpuUs(after) - cpuUs(before), 100000L) << "CPU used in 300 ms after the hang-up";

    sendCode(CodePing);  // a write to the dead port fails quietly
    mustReturn([] { closeLink(); }, "closeLink after a hang-up");
    EXPECT_EQ(openLink(kLoggerPort, 57600), 0) << "the line is gone";
}

}  // namespace
