// Frame codec and reply dispatcher.
//
// How the receive side stays in step with the logger: a carriage return ends
// every line, valid or not, so whatever noise arrives (a lost byte, a burst of
// garbage, a frame cut by a reconnect) costs at most the line it lands in. 0xFF
// fill bytes are skipped without ending or extending a line, a line never holds
// more than 7 characters (longer lines are judged on their first seven), and a
// line is acted on only when its last character is the 8-bit sum of the ones
// before it. There is no other state to lose, so the next carriage return always
// brings the dispatcher back in step.
#include "device/protocol.h"

#include <atomic>

#include "recording/store.h"
#include "shell/app_state.h"

namespace {

constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kFill = 0xFF;
constexpr int kLineMax = 7;  // characters a line keeps; position 7 is scratch

// Marks in byte 3 of countAccumulator: which parts of the count asked for
// have arrived. The user-interface thread clears the whole accumulator before
// it asks, so only parts of the answer to this request count.
constexpr std::uint32_t kCountLowArrived = 1u << 24;
constexpr std::uint32_t kCountMidArrived = 1u << 25;

std::uint32_t gDamagedPlaces[kDamagedPlacesMax];  // see damagedPlace()

// Sets byte `index` (0..2) of the count being collected and marks it arrived.
// Only the reader thread writes the accumulator while a count is awaited, so a
// plain load/store pair is enough.
std::uint32_t setCountByte(int index, std::uint8_t byte, std::uint32_t arrivedMark) {
    const int shift = index * 8;
    std::uint32_t acc = gApp.countAccumulator.load(std::memory_order_relaxed);
    acc = (acc & ~(std::uint32_t{0xFF} << shift)) | (std::uint32_t{byte} << shift) | arrivedMark;
    gApp.countAccumulator.store(acc, std::memory_order_relaxed);
    return acc;
}

// The high byte completes a count, but only when its low and middle byte
// arrived for the same request: a count with a part lost on the line would
// fetch a wrong number of samples under the span's label, so it confirms
// nothing and the transfer times out instead.
void completeCount(std::uint8_t highByte) {
    const std::uint32_t acc = setCountByte(2, highByte, 0);
    if ((acc & (kCountLowArrived | kCountMidArrived)) != (kCountLowArrived | kCountMidArrived)) return;
    std::uint32_t count = acc & 0x00FFFFFFu;
    gApp.countAccumulator.store(count, std::memory_order_relaxed);
    // A count can say up to 6,553,599 (high byte 0..99); the store cannot take more
    // than its capacity, so a larger confirmation is held to it and the
    // transfer still ends when the store is full.
    if (count > kStoreCapacity) count = kStoreCapacity;
    gApp.expectedCount.store(count, std::memory_order_release);
    gApp.countConfirmed.set();
}

// Stores one sample of a running transfer at receivedCount and advances it.
// The value is published before the count (release), so a reader of
// receivedCount (acquire) sees every value below it. Samples no transfer
// expects (none running, or more than the confirmed count) are counted and
// dropped: nothing the line brings can change a recording already made.
void storeSample(std::uint8_t value) {
    // Frames that were on the way before the start code went out belong to
    // an older stream, never to this one.
    if (!gApp.acceptingSamples.load(std::memory_order_acquire) ||
        !gApp.startCodeWritten.load(std::memory_order_acquire)) {
        gApp.strayCount.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const std::uint32_t index = gApp.receivedCount.load(std::memory_order_relaxed);
    if (index >= gApp.expectedCount.load(std::memory_order_acquire) || index >= kStoreCapacity) {
        gApp.strayCount.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    gReceivedValues[index] = value;
    gApp.receivedCount.store(index + 1, std::memory_order_release);
}

// Acts on one decoded code.
void actOnCode(std::uint32_t code) {
    if (code <= 255) {
        storeSample(static_cast<std::uint8_t>(code));
    } else if (code < CodeCountLow) {
        // not a code the logger sends
    } else if (code < CodeCountMid) {
        setCountByte(0, static_cast<std::uint8_t>((code - CodeCountLow) & 0xFF), kCountLowArrived);
    } else if (code < CodeCountHigh) {
        setCountByte(1, static_cast<std::uint8_t>((code - CodeCountMid) & 0xFF), kCountMidArrived);
    } else if (code < CodeSampleTime) {
        completeCount(static_cast<std::uint8_t>((code - CodeCountHigh) & 0xFF));
    } else if (code <= CodeSampleTime + 100) {
        // The transfer takes it from here when it asks; the recording on show
        // keeps the sample time it was made with.
        gApp.loggerSampleTime.store(static_cast<std::uint16_t>(code - CodeSampleTime), std::memory_order_release);
    } else if (code == CodeAnswer) {
        gApp.deviceAnswered.set();
    } else if (code == CodeAbort) {
        // The logger ends its stream: the transfer completes with what came.
        if (gApp.acceptingSamples.load(std::memory_order_acquire)) gApp.loggerEndedEarly.store(true);
        gApp.expectedCount.store(gApp.receivedCount.load(std::memory_order_acquire),
                                 std::memory_order_release);
    }
    // Everything else (CodePing, CodeStart echoed back, unused ranges) is ignored.
}

// Judges the line just ended by a carriage return and acts on it.
void processLine() {
    const auto* c = reinterpret_cast<const std::uint8_t*>(gApp.rxLine);
    int length = 0;
    while (length < kLineMax && c[length] != 0) ++length;
    if (length == 0) return;  // a bare carriage return: nothing was sent
    // One character cannot be its own checksum; damaged lines are counted so
    // a short transfer can name noise on the line as its cause.
    std::uint8_t sum = 0;
    for (int i = 0; i < length - 1; ++i) sum = static_cast<std::uint8_t>(sum + c[i]);
    if (length < 2 || sum != c[length - 1]) {
        gApp.damagedLines.fetch_add(1, std::memory_order_relaxed);
        // While a stream runs, a damaged line is most likely one lost sample:
        // where it came lets the transfer keep the samples after it in place.
        if (gApp.acceptingSamples.load(std::memory_order_acquire) &&
            gApp.startCodeWritten.load(std::memory_order_acquire)) {
            const std::uint32_t k = gApp.damagedInStream.load(std::memory_order_relaxed);
            if (k < kDamagedPlacesMax) gDamagedPlaces[k] = gApp.receivedCount.load(std::memory_order_relaxed);
            gApp.damagedInStream.store(k + 1, std::memory_order_release);
        }
        return;
    }

    std::uint32_t code;
    if (length == 5) {
        const std::uint32_t high = (c[0] & 0xF0u) | (c[1] >> 4);
        const std::uint32_t low = (c[2] & 0xF0u) | (c[3] >> 4);
        code = (high << 8) | low;
    } else {
        code = (c[0] & 0xF0u) | (c[1] >> 4);
    }
    actOnCode(code);
}

}  // namespace

DeviceFrame encodeFrame(std::uint16_t code) {
    const std::uint8_t high = static_cast<std::uint8_t>(code >> 8);
    const std::uint8_t low = static_cast<std::uint8_t>(code & 0xFF);
    DeviceFrame f{};
    f[0] = static_cast<std::uint8_t>((high & 0xF0) + 1);
    f[1] = static_cast<std::uint8_t>(((high & 0x0F) << 4) + 1);
    f[2] = static_cast<std::uint8_t>((low & 0xF0) + 1);
    f[3] = static_cast<std::uint8_t>(((low & 0x0F) << 4) + 1);
    f[4] = static_cast<std::uint8_t>(f[0] + f[1] + f[2] + f[3]);
    f[5] = kCarriageReturn;
    return f;
}

int encodeLoggerFrame(std::uint16_t code, std::uint8_t* out) {
    if (code <= 255) {
        out[0] = static_cast<std::uint8_t>((code & 0xF0) + 1);
        out[1] = static_cast<std::uint8_t>(((code & 0x0F) << 4) + 1);
        out[2] = static_cast<std::uint8_t>(out[0] + out[1]);
        out[3] = kCarriageReturn;
        return 4;
    }
    const DeviceFrame f = encodeFrame(code);
    for (int i = 0; i < 6; ++i) out[i] = f[static_cast<std::size_t>(i)];
    return 6;
}

std::uint32_t damagedPlace(std::uint32_t i) { return i < kDamagedPlacesMax ? gDamagedPlaces[i] : 0; }

void resetReceiveState() {
    for (char& c : gApp.rxLine) c = 0;
    gApp.rxLineLength = 0;
    gApp.loggerSampleTime.store(0, std::memory_order_release);
}

void dispatchReceived(const std::uint8_t* bytes, int n) {
    if (bytes == nullptr || n <= 0) return;
    gApp.bytesReceived.fetch_add(static_cast<std::uint32_t>(n), std::memory_order_relaxed);
    int length = gApp.rxLineLength;
    if (length < 0 || length > kLineMax) length = 0;  // never index outside the line
    for (int i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == kCarriageReturn) {
            gApp.rxLine[length] = 0;
            length = 0;
            processLine();
        } else if (b != kFill) {
            // At 7 characters the byte lands in the scratch position 7, which the
            // terminating carriage return overwrites: the line keeps its first 7.
            gApp.rxLine[length] = static_cast<char>(b);
            if (length < kLineMax) ++length;
        }
    }
    gApp.rxLineLength = length;
}
