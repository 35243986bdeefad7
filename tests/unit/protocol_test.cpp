// Frame codec and reply dispatcher.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/protocol.h"
#include "recording/store.h"
#include "shell/app_state.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frameOf(std::uint16_t code) {
    const DeviceFrame f = encodeFrame(code);
    return Bytes(f.begin(), f.end());
}

Bytes loggerFrame(std::uint16_t code) {
    std::uint8_t out[6];
    const int n = encodeLoggerFrame(code, out);
    return Bytes(out, out + n);
}

void feed(const Bytes& b) { dispatchReceived(b.data(), static_cast<int>(b.size())); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        expectStream();
    }
    // As a transfer does once the count is confirmed: samples are taken.
    static void expectStream() {
        gApp.expectedCount = kStoreCapacity;
        gApp.acceptingSamples = true;
        gApp.startCodeWritten = true;
    }
    void TearDown() override { resetGlobalStateForTests(); }

    // Everything the dispatcher may change, to prove a line changed nothing.
    struct Snapshot {
        std::uint32_t received, expected, accumulator;
        std::uint16_t sampleTime;
        bool answered, confirmed;
        std::uint8_t first, second;
        bool operator==(const Snapshot&) const = default;
    };
    static Snapshot snap() {
        return {gApp.receivedCount, gApp.expectedCount, gApp.countAccumulator, gApp.loggerSampleTime.load(),
                gApp.deviceAnswered.isSet(), gApp.countConfirmed.isSet(), gReceivedValues[0], gReceivedValues[1]};
    }
};

TEST(Encode, KnownFramesOfTheComputersCodes) {
    EXPECT_EQ(frameOf(CodePing), (Bytes{0xF1, 0xE1, 0x21, 0x41, 0x34, 0x0D}));
    EXPECT_EQ(frameOf(CodeStart), (Bytes{0xF1, 0xE1, 0x21, 0x61, 0x54, 0x0D}));
    EXPECT_EQ(frameOf(CodeAbort), (Bytes{0xF1, 0xE1, 0x21, 0x71, 0x64, 0x0D}));
    EXPECT_EQ(frameOf(59000), (Bytes{0xE1, 0x61, 0x71, 0x81, 0x34, 0x0D}));
    EXPECT_EQ(loggerFrame(0x5A), (Bytes{0x51, 0xA1, 0xF2, 0x0D}));
}

TEST(Encode, NoFrameContainsALineEndFillOrZeroByteBeforeItsEnd) {
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        const DeviceFrame f = encodeFrame(static_cast<std::uint16_t>(code));
        for (int i = 0; i < 5; ++i) {
            ASSERT_NE(f[i], 0x00) << code;
            ASSERT_NE(f[i], 0x0D) << code;
            ASSERT_NE(f[i], 0xFF) << code;
        }
        ASSERT_EQ(f[4] & 0x0F, 0x04) << code;
    }
}

TEST_F(Dispatcher, EveryCodeRoundTripsThroughTheFiveCharacterForm) {
    // Sample values come back as samples; the acting codes act; the rest is ignored.
    for (std::uint32_t v = 0; v <= 255; ++v) feed(frameOf(static_cast<std::uint16_t>(v)));
    ASSERT_EQ(gApp.receivedCount, 256u);
    for (std::uint32_t v = 0; v <= 255; ++v) EXPECT_EQ(gReceivedValues[v], v);
    for (std::uint32_t t = 0; t <= 100; ++t) {
        feed(frameOf(static_cast<std::uint16_t>(CodeSampleTime + t)));
        EXPECT_EQ(gApp.loggerSampleTime.load(), t);
    }
}

TEST_F(Dispatcher, CountOf120000ConfirmsOnTheThirdCodeOnly) {
    feed(loggerFrame(59192));
    feed(loggerFrame(59512));
    EXPECT_FALSE(gApp.countConfirmed.isSet());
    EXPECT_EQ(gApp.expectedCount, kStoreCapacity) << "unchanged until the count is complete";
    feed(loggerFrame(59601));
    EXPECT_TRUE(gApp.countConfirmed.isSet());
    EXPECT_EQ(gApp.expectedCount, 120000u);
}

TEST_F(Dispatcher, ACountConfirmsOnlyWhenAllItsPartsArrivedForThisRequest) {
    feed(loggerFrame(59000 + 0x34));
    feed(loggerFrame(59300 + 0x12));
    feed(loggerFrame(59600 + 0x00));
    ASSERT_EQ(gApp.expectedCount, 0x1234u);

    // A high byte whose low and middle bytes were lost (or belong to an
    // earlier request) confirms nothing: the transfer would fetch a wrong count.
    const struct {
        std::vector<std::uint16_t> codes;
        bool confirms;
    } cases[] = {
        {{59600 + 1}, false},
        {{59000 + 5, 59600 + 1}, false},
        {{59300 + 5, 59600 + 1}, false},
        {{59300 + 0x12, 59000 + 0x34, 59600 + 1}, true},  // order of low and middle is free
        {{59299, 59300, 59600}, true},                   // the top of each range wraps: 59299 -> 43
    };
    for (const auto& c : cases) {
        gApp.countAccumulator = 0;  // the transfer forgets old parts when it asks
        gApp.countConfirmed.reset();
        gApp.expectedCount = 7;
        for (const std::uint16_t code : c.codes) feed(loggerFrame(code));
        EXPECT_EQ(gApp.countConfirmed.isSet(), c.confirms) << c.codes.size();
        if (!c.confirms) {
            EXPECT_EQ(gApp.expectedCount, 7u);
        }
    }
    EXPECT_EQ(gApp.expectedCount, 43u);
}

TEST_F(Dispatcher, SamplesNoTransferExpectsAreDroppedAndCounted) {
    gApp.acceptingSamples = false;
    feed(concat({loggerFrame(10), loggerFrame(11)}));
    EXPECT_EQ(gApp.receivedCount, 0u);
    EXPECT_EQ(gApp.strayCount, 2u);
    EXPECT_EQ(gReceivedValues[0], 0);

    // Beyond the confirmed count as well.
    expectStream();
    gApp.expectedCount = 1;
    feed(concat({loggerFrame(10), loggerFrame(11)}));
    EXPECT_EQ(gApp.receivedCount, 1u);
    EXPECT_EQ(gApp.strayCount, 3u);
    EXPECT_EQ(gReceivedValues[1], 0);
}

TEST_F(Dispatcher, DamagedLinesAreCountedButEmptyLinesAreNot) {
    feed({0x51, 0xA1, 0xF3, 0x0D});                                // checksum
    feed({0x51, 0x0D});                                            // one character
    feed({0x51, 0xA1, 0x11, 0x11, 0x11, 0x11, 0x12, 0x13, 0x0D});  // too long
    feed({0x0D, 0x0D, 0x00, 0x0D});                                // nothing sent
    EXPECT_EQ(gApp.damagedLines, 3u);
    EXPECT_EQ(gApp.receivedCount, 0u);
}

TEST_F(Dispatcher, SampleFramesStoreValuesAndBadChecksumsChangeNothing) {
    feed({0x51, 0xA1, 0xF2, 0x0D});
    EXPECT_EQ(gApp.receivedCount, 1u);
    EXPECT_EQ(gReceivedValues[0], 0x5A);

    const Snapshot before = snap();
    feed({0x51, 0xA1, 0xF3, 0x0D});  // wrong checksum
    feed({0x51, 0xA1, 0x72, 0x0D});  // wrong only in the checksum's top bit
    feed({0x51, 0xA1, 0xF0, 0x0D});  // wrong only in its low bits
    feed({0x0D});                    // empty line
    feed({0x51, 0x0D});              // one character cannot be its own sum
    feed({0x00, 0x00, 0x0D});        // zero bytes only: an empty line
    EXPECT_EQ(snap(), before);
}

// Only the high nibbles of data characters carry data: whatever the low
// nibbles in any position (with a checksum that matches them), every kind of
// frame has the effect of the logger's own frame, whose low nibbles are 1.
TEST_F(Dispatcher, LowNibblesOfDataCharactersAreIgnoredInEveryPosition) {
    const std::uint16_t codes[] = {0x00, 0x5A, 0xFF, CodeSampleTime + 37, CodeCountLow + 0xC3,
                                   CodeCountMid + 0x3C, CodeCountHigh + 0x0F, CodeAnswer, CodeAbort};
    const std::uint8_t lows[] = {0x0, 0x2, 0x7, 0xB, 0xE, 0xF};
    int variants = 0;
    for (std::uint16_t code : codes) {
        const Bytes original = loggerFrame(code);
        SetUp();
        feed(original);
        const Snapshot expected = snap();
        const std::size_t data = original.size() - 2;
        for (std::size_t pos = 0; pos < data; ++pos) {
            for (std::uint8_t low : lows) {
                Bytes frame = original;
                // One position gets this low nibble, the others each a different one.
                for (std::size_t k = 0; k < data; ++k)
                    frame[k] = static_cast<std::uint8_t>((frame[k] & 0xF0) | (k == pos ? low : lows[(k + 3) % 6]));
                std::uint8_t sum = 0;
                for (std::size_t k = 0; k < data; ++k) sum = static_cast<std::uint8_t>(sum + frame[k]);
                frame[data] = sum;
                bool plain = true;  // no byte that would end or fill the line
                for (std::size_t k = 0; k <= data; ++k)
                    plain = plain && frame[k] != 0x00 && frame[k] != 0x0D && frame[k] != 0xFF;
                if (!plain) continue;
                SetUp();
                feed(frame);
                EXPECT_EQ(snap(), expected) << "code " << code << " position " << pos << " low " << int(low);
                ++variants;
            }
        }
    }
    EXPECT_GT(variants, 150);
}

TEST_F(Dispatcher, FillBytesAreSkippedAndAZeroByteEndsTheLineEarly) {
    feed({0x51, 0xFF, 0xA1, 0xFF, 0xF2, 0xFF, 0x0D});
    EXPECT_EQ(gApp.receivedCount, 1u);
    EXPECT_EQ(gReceivedValues[0], 0x5A);
    // The characters after a 0x00 do not count: the line is the valid "51 A1 F2".
    feed({0x51, 0xA1, 0xF2, 0x00, 0x33, 0x44, 0x0D});
    EXPECT_EQ(gApp.receivedCount, 2u);
    EXPECT_EQ(gReceivedValues[1], 0x5A);
    // A zero inside the data leaves one character: dropped.
    feed({0x51, 0x00, 0xA1, 0xF2, 0x0D});
    EXPECT_EQ(gApp.receivedCount, 2u);
}

TEST_F(Dispatcher, FramesSplitAtEveryPointDecodeAsWhole) {
    const Bytes stream = concat({loggerFrame(CodeAnswer), loggerFrame(CodeSampleTime + 20), loggerFrame(7),
                                 loggerFrame(200), loggerFrame(59000 + 5), loggerFrame(59300),
                                 loggerFrame(59600), loggerFrame(255)});
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        resetGlobalStateForTests();
        gApp.deviceAnswered.create(Event::Reset::Manual);
        gApp.countConfirmed.create(Event::Reset::Manual);
        expectStream();
        dispatchReceived(stream.data(), static_cast<int>(cut));
        dispatchReceived(stream.data() + cut, static_cast<int>(stream.size() - cut));
        ASSERT_TRUE(gApp.deviceAnswered.isSet()) << cut;
        ASSERT_EQ(gApp.loggerSampleTime.load(), 20) << cut;
        ASSERT_EQ(gApp.receivedCount, 3u) << cut;
        ASSERT_EQ(gReceivedValues[0], 7) << cut;
        ASSERT_EQ(gReceivedValues[1], 200) << cut;
        ASSERT_EQ(gReceivedValues[2], 255) << cut;
        ASSERT_EQ(gApp.expectedCount, 5u) << cut;
    }
    // One byte per call, as a one-byte reader would hand them over.
    resetGlobalStateForTests();
    expectStream();
    for (std::uint8_t b : stream) dispatchReceived(&b, 1);
    EXPECT_EQ(gApp.receivedCount, 3u);
    EXPECT_EQ(gApp.loggerSampleTime.load(), 20);
}

TEST_F(Dispatcher, LongLinesAreJudgedOnTheirFirstSevenCharacters) {
    // Seven characters whose seventh is the sum of the first six: valid, decoded
    // by the short rule from the first two characters; two more are ignored.
    Bytes line = {0x31, 0x41, 0x11, 0x11, 0x11, 0x11};
    std::uint8_t sum = 0;
    for (std::uint8_t b : line) sum = static_cast<std::uint8_t>(sum + b);
    line.push_back(sum);
    line.push_back(0x99);
    line.push_back(0x77);
    line.push_back(0x0D);
    feed(line);
    EXPECT_EQ(gApp.receivedCount, 1u);
    EXPECT_EQ(gReceivedValues[0], 0x34);
    EXPECT_EQ(gApp.rxLineLength, 0);

    // Nine characters whose ninth is the sum of the first eight: still judged on seven.
    Bytes nine = {0x51, 0xA1, 0x11, 0x11, 0x11, 0x11, 0x12, 0x13};
    sum = 0;
    for (std::uint8_t b : nine) sum = static_cast<std::uint8_t>(sum + b);
    nine.push_back(sum);
    nine.push_back(0x0D);
    const Snapshot before = snap();
    feed(nine);
    EXPECT_EQ(snap(), before);
}

TEST_F(Dispatcher, SampleTimeRangeAndItsEdges) {
    feed({0xE1, 0x91, 0x61, 0x61, 0x34, 0x0D});  // 59750
    EXPECT_EQ(gApp.loggerSampleTime.load(), 50);
    feed(loggerFrame(59700));
    EXPECT_EQ(gApp.loggerSampleTime.load(), 0);
    feed(loggerFrame(59800));
    EXPECT_EQ(gApp.loggerSampleTime.load(), 100);
    feed(loggerFrame(59801));  // just past the range: ignored
    EXPECT_EQ(gApp.loggerSampleTime.load(), 100);
}

TEST_F(Dispatcher, AnswerRaisesDeviceAnsweredAndTheComputersOwnCodesChangeNothing) {
    const Snapshot before = snap();
    for (std::uint16_t code : {CodePing, CodeStart, std::uint16_t{256}, std::uint16_t{58999},
                               std::uint16_t{59801}, std::uint16_t{65049}, std::uint16_t{65050},
                               std::uint16_t{65099}, std::uint16_t{65100}, std::uint16_t{65535}}) {
        feed(loggerFrame(code));
        ASSERT_EQ(snap(), before) << code;
    }
    gApp.receivedCount = 17;  // "whatever else is going on"
    feed(loggerFrame(CodeAnswer));
    EXPECT_TRUE(gApp.deviceAnswered.isSet());
    EXPECT_EQ(gApp.receivedCount, 17u);
}

TEST_F(Dispatcher, SignalsThatDoNotExistYetAreIgnored) {
    resetGlobalStateForTests();  // closes both signals
    feed(concat({loggerFrame(CodeAnswer), loggerFrame(59000 + 9), loggerFrame(59300), loggerFrame(59600)}));
    EXPECT_FALSE(gApp.deviceAnswered.isSet());
    EXPECT_EQ(gApp.expectedCount, 9u);
}

TEST_F(Dispatcher, LoggerAbortAfter500SamplesEndsTheTransferThere) {
    for (int i = 0; i < 2000; ++i) gReceivedValues[i] = 0xEE;
    gApp.expectedCount = 1000;
    Bytes stream;
    for (int i = 0; i < 500; ++i) stream = concat({stream, loggerFrame(static_cast<std::uint16_t>(i % 150))});
    feed(concat({stream, loggerFrame(CodeAbort)}));
    EXPECT_EQ(gApp.receivedCount, 500u);
    EXPECT_EQ(gApp.expectedCount, 500u);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(gReceivedValues[i], i % 150) << i;
    EXPECT_EQ(gReceivedValues[500], 0xEE);
}

TEST_F(Dispatcher, NothingIsWrittenAtOrBeyondTheCapacity) {
    gReceivedValues[kStoreCapacity - 1] = 0;
    gApp.receivedCount = kStoreCapacity - 1;
    gApp.expectedCount = 0xFFFFFFFFu;  // even when more were confirmed
    feed(concat({loggerFrame(42), loggerFrame(43), loggerFrame(44)}));
    EXPECT_EQ(gReceivedValues[kStoreCapacity - 1], 42);
    EXPECT_EQ(gApp.receivedCount, kStoreCapacity) << "samples past a full store are dropped";
    // A corrupted counter far beyond the store is not an index either.
    gApp.receivedCount = 0xFFFFFFF0u;
    feed(loggerFrame(1));
    EXPECT_EQ(gApp.receivedCount, 0xFFFFFFF0u);
}

TEST_F(Dispatcher, ConfirmedCountsBeyondTheCapacityAreHeldToIt) {
    // 6,553,599, the largest count the codes can carry (high byte 99): the
    // transfer must still be able to end.
    feed(concat({loggerFrame(59000 + 255), loggerFrame(59300 + 255), loggerFrame(59600 + 99)}));
    EXPECT_TRUE(gApp.countConfirmed.isSet());
    EXPECT_EQ(gApp.expectedCount, kStoreCapacity);
    EXPECT_EQ(gApp.countAccumulator, 0x63FFFFu) << "the accumulator keeps the bytes as received";
    // Exactly the capacity, and one more.
    feed(concat({loggerFrame(59000), loggerFrame(59300), loggerFrame(59600 + 16)}));
    EXPECT_EQ(gApp.expectedCount, kStoreCapacity);
    feed(concat({loggerFrame(59000 + 1), loggerFrame(59600 + 16)}));
    EXPECT_EQ(gApp.expectedCount, kStoreCapacity);
}

}  // namespace
