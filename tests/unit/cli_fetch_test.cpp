// vantreldaq-cli fetch against the logger simulator over pseudo-terminals: the
// file it writes is the one the window's transfer gives for the same logger,
// Ctrl+C stops the logger and leaves no file, and a refused span, a logger
// with nothing to send and a silent logger end without a file.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/link.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_progress.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/logger_harness.h"
#include "support/logger_ports_fixture.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

namespace {

using testsupport::LoggerOnPort;
using testsupport::ProcessResult;

class CliFetch : public testsupport::LoggerPortsTest {
protected:

    ProcessResult cli(const std::vector<std::string>& args) {
        return testsupport::runProcess(VANTREL_CLI_PROGRAM, args, scratch_.path().string());
    }

    // The window's Transfer of span index `span` from the logger on `port`,
    // driven as the main window drives it, then its Save to path.
    void windowTransfer(int port, int span, const std::string& path) {
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        gDeviceWaits.answerMs = testsupport::kPatienceMs;
        gDeviceWaits.confirmMs = testsupport::kPatienceMs;
        gDeviceWaits.sampleTimeMs = 2000;
        ASSERT_EQ(openLink(static_cast<std::uint16_t>(port), kLinkBaud), 1);
        fake::state().dialogAnswers.push_back(span + 1);
        startTransfer();
        auto& posted = fake::state().postedCommands;
        while (!posted.empty()) {
            const int id = posted.front();
            posted.erase(posted.begin());
            if (id == kCommandTransfer) startTransfer();
        }
        for (int tick = 0; tick < 5; ++tick) pumpCommands();
        ASSERT_EQ(gApp.receiving, 1);
        ASSERT_TRUE(testsupport::waitFor([] {
            trackProgress();
            return gApp.receiving == 0;
        }));
        closeLink();
        ASSERT_EQ(gApp.dataPresent, 1);
        int code = 0;
        ASSERT_EQ(writeRecordingFile(path.c_str(), code), SaveStatus::Saved);
    }

    std::vector<std::string> filesIn(const test::TempDir& dir) const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
        return names;
    }

    test::TempDir dir_;
    test::TempDir scratch_;
};

TEST_F(CliFetch, WritesTheFileTheWindowsTransferWritesForTheSameLogger) {
    sim::Options options;
    options.sampleTime = 5;
    options.length = 50000;
    options.profile = sim::Profile::Load;  // markers and gaps among the readings
    options.seed = 7;
    options.pace = sim::Pace::Fast;
    options.fillEvery = 11;  // 0xFF fill on the way, which both must skip
    logger(options, 2);
    LoggerOnPort& second = logger(options, 5);

    const std::string windowFile = dir_.file("window.udd");
    windowTransfer(2, 3, windowFile);  // "20 minutes": 24,000 samples at 0.05 s
    ASSERT_FALSE(HasFailure());

    const std::string cliFile = dir_.file("cli.udd");
    const ProcessResult r = cli({"fetch", "--port", "5", "--span", "20 Minuten", "-o", cliFile});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, cliFile + "\n");
    EXPECT_EQ(second.stats().countRequested.load(), 24000u);
    EXPECT_NE(r.err.find("COM5: 24000 samples of 20 minutes"), std::string::npos) << r.err;

    // Header and every value alike; and stamped from the CLI's completion time
    // by the window's rule, the window's recording is the CLI's file exactly.
    const std::string cliBytes = test::readFileBytes(cliFile);
    const std::string windowBytes = test::readFileBytes(windowFile);
    ASSERT_EQ(cliBytes.size(), 20u + 9u * 24000u);
    ASSERT_EQ(windowBytes.size(), cliBytes.size());
    EXPECT_EQ(cliBytes.substr(0, 20), windowBytes.substr(0, 20));
    int code = 0;
    ASSERT_EQ(readRecordingFile(cliFile.c_str(), code), LoadStatus::Loaded);
    const SampleRecord last = gStore[23999];
    ASSERT_EQ(readRecordingFile(windowFile.c_str(), code), LoadStatus::Loaded);
    assignTimesBackward({last.year + 2000, last.month, last.day, last.hour, last.minute, last.second});
    ASSERT_EQ(writeRecordingFile(windowFile.c_str(), code), SaveStatus::Saved);
    EXPECT_TRUE(test::readFileBytes(windowFile) == cliBytes);
    EXPECT_EQ(last.tenths + last.hundredths, 0) << "the newest sample carries the completion time";
}

TEST_F(CliFetch, CtrlCSendsTheAbortAndLeavesNoFile) {
    sim::Options options;
    options.sampleTime = 10;
    options.pace = sim::Pace::Real;  // 36,000 samples take 25 s: time to interrupt
    LoggerOnPort& sim = logger(options, 3);

    const std::string out = dir_.file("never.udd");
    testsupport::Process p =
        testsupport::startProcess(VANTREL_CLI_PROGRAM, {"fetch", "--port", "3", "--span", "1 hour", "-o", out},
                                  scratch_.path().string());
    ASSERT_GT(p.pid, 0);
    ASSERT_TRUE(testsupport::waitFor([&] { return sim.stats().samplesSent.load() >= 200u; }));
    ::kill(p.pid, SIGINT);
    const ProcessResult r = testsupport::waitProcess(p);
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(filesIn(dir_).empty()) << "no file, no temporary file";
    ASSERT_TRUE(testsupport::waitFor([&] { return sim.stats().abortsReceived.load() == 1u; }));
    ASSERT_TRUE(testsupport::waitFor([&] { return !sim.stats().streaming.load(); }));
    EXPECT_LT(sim.stats().samplesSent.load(), 36000u);
    // Progress went to stderr as plain lines (stderr is a file here).
    EXPECT_NE(r.err.find("COM3: receiving 36000 samples, 0.10 s apart"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  0%  0 of 36000 samples"), std::string::npos) << r.err;
}

TEST_F(CliFetch, EndsWithoutAFileWhenThereIsNothingToWrite) {
    // A span the span dialog would not offer at the logger's sample time.
    sim::Options fast;
    fast.sampleTime = 2;
    fast.pace = sim::Pace::Fast;
    LoggerOnPort& one = logger(fast, 1);
    ProcessResult r = cli({"fetch", "--port", "1", "--span", "12 days", "-o", dir_.file("a.udd")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("0.02 s"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0 \"2 minutes\", 1 \"5 minutes\""), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("13 \"12 days\""), std::string::npos) << r.err;
    EXPECT_EQ(one.stats().countRequested.load(), 0u) << "nothing asked of the logger";

    // A logger with no samples to send: exit 2, no file.
    sim::Options empty = fast;
    empty.confirmFixed = 0;
    logger(empty, 4);
    r = cli({"fetch", "--port", "4", "--span", "0", "-o", dir_.file("b.udd")});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("No data present"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;

    // A logger that ends the stream before its first sample.
    sim::Options quitter = fast;
    quitter.abortAfter = 0;
    logger(quitter, 6);
    r = cli({"fetch", "--port", "6", "--span", "0", "-o", dir_.file("c.udd")});
    EXPECT_EQ(r.exitCode, 2) << r.err;

    // A logger that goes quiet before its first sample: given up after the stall time.
    sim::Options mute = fast;
    mute.stopAfter = 0;
    logger(mute, 2);
    r = cli({"fetch", "--port", "2", "--span", "0", "--stall", "1", "-o", dir_.file("e.udd")});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("no sample within 1 s"), std::string::npos) << r.err;

    // Nobody on the line: the ping and its repeat go unanswered.
    sim::Options silent;
    silent.silent = true;
    logger(silent, 7);
    r = cli({"fetch", "--port", "7", "--span", "1 hour", "-o", dir_.file("d.udd")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("No communication"), std::string::npos) << r.err;

    // No device, and mistakes of the command line.
    r = cli({"fetch", "--port", "8", "--span", "1 hour"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("COM8 has no device"), std::string::npos) << r.err;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"fetch", "--port", "257", "--span", "1 hour"},
             {"fetch", "--port", "1", "--span", "3 hours"},
             {"fetch", "--span", "1 hour"},
             {"fetch", "--port", "1"},
             {"fetch", "--port", "1", "--span", "1 hour", "--stall", "0"},
             {"fetch", "--port", "1", "--span", "1 hour", "-o", dir_.path().string()}}) {
        EXPECT_EQ(cli(args).exitCode, 1) << args.back();
    }
    EXPECT_TRUE(filesIn(dir_).empty());
}

TEST_F(CliFetch, TransfersEndedEarlyWriteWhatCameAndSayWhy) {
    const struct {
        std::int64_t abortAfter, stopAfter, hangupAfter;
        std::uint32_t badEvery;
        int exitCode;
        std::uint32_t records;
        const char* why;
    } cases[] = {
        {500, -1, -1, 0, 3, 500, "500 of 6000 samples arrived; the logger ended the transfer early"},
        {-1, 300, -1, 0, 3, 300, "300 of 6000 samples arrived; the logger sent nothing for 1 s"},
        {-1, -1, 300, 0, 3, 300, "300 of 6000 samples arrived; the logger sent nothing for 1 s"},
        {-1, 3000, -1, 600, 3, 2995, "2995 of 6000 samples arrived; the logger sent nothing for 1 s; 5 damaged"},
        // Every missing sample came as a damaged frame: each is a gap at its place.
        {-1, -1, -1, 600, 0, 6000, "10 damaged frames were kept as gaps"},
    };
    int port = 1;
    for (const auto& c : cases) {
        sim::Options o;
        o.sampleTime = 2;
        o.pace = sim::Pace::Fast;
        o.abortAfter = c.abortAfter;
        o.stopAfter = c.stopAfter;
        o.hangupAfter = c.hangupAfter;
        o.badChecksumEvery = c.badEvery;
        logger(o, port);
        const std::string out = dir_.file("early" + std::to_string(port) + ".udd");
        const ProcessResult r = cli({"fetch", "--port", std::to_string(port), "--span", "0", "--stall", "1", "-o", out});
        ++port;
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        if (c.records < 6000) {
            EXPECT_EQ(r.err.find("100%"), std::string::npos) << "a short stream never shows as complete\n" << r.err;
        }
        int code = 0;
        ASSERT_EQ(readRecordingFile(out.c_str(), code), LoadStatus::Loaded) << r.err;
        EXPECT_EQ(gHeader.recordCount, c.records);
    }
}

}  // namespace
