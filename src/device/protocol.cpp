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

// Sets byte `index` (0..2) of the count being collected. Only the reader thread
// writes the accumulator, so a plain load/store pair is enough.
void setCountByte(int index, std::uint8_t byte) {
    const int shift = index * 8;
    std::uint32_t acc = gApp.countAccumulator.load(std::memory_order_relaxed);
    acc = (acc & ~(std::uint32_t{0xFF} << shift)) | (std::uint32_t{byte} << shift);
    gApp.countAccumulator.store(acc, std::memory_order_relaxed);
}

// Stores one sample at receivedCount and advances it. The value byte is
// published before the count (release), so a reader of receivedCount (acquire)
// sees every value below it. A full store drops the sample uncounted: no record
// at or beyond the capacity is ever written.
void storeSample(std::uint8_t value) {
    const std::uint32_t index = gApp.receivedCount.load(std::memory_order_relaxed);
    if (index >= kStoreCapacity) return;
    // The user-interface thread may paint this byte while it changes.
    std::atomic_ref<std::uint8_t>(gStore[index].value).store(value, std::memory_order_relaxed);
    gApp.receivedCount.store(index + 1, std::memory_order_release);
}

// Acts on one decoded code.
void actOnCode(std::uint32_t code) {
    if (code <= 255) {
        storeSample(static_cast<std::uint8_t>(code));
    } else if (code < CodeCountLow) {
        // not a code the logger sends
    } else if (code < CodeCountMid) {
        setCountByte(0, static_cast<std::uint8_t>((code - CodeCountLow) & 0xFF));
    } else if (code < CodeCountHigh) {
        setCountByte(1, static_cast<std::uint8_t>((code - CodeCountMid) & 0xFF));
    } else if (code < CodeSampleTime) {
        setCountByte(2, static_cast<std::uint8_t>((code - CodeCountHigh) & 0xFF));
        std::uint32_t count = gApp.countAccumulator.load(std::memory_order_relaxed) & 0x00FFFFFFu;
        gApp.countAccumulator.store(count, std::memory_order_relaxed);
        // A count can say up to 6,553,599 (high byte 0..99); the store cannot take more
        // than its capacity, so a larger confirmation is held to it and the
        // transfer still ends when the store is full.
        if (count > kStoreCapacity) count = kStoreCapacity;
        gApp.expectedCount.store(count, std::memory_order_release);
        gApp.countConfirmed.set();
    } else if (code <= CodeSampleTime + 100) {
        storeSampleTime(static_cast<std::uint16_t>(code - CodeSampleTime));
    } else if (code == CodeAnswer) {
        gApp.deviceAnswered.set();
    } else if (code == CodeAbort) {
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
    if (length < 2) return;  // empty, or one character that cannot be its own checksum

    std::uint8_t sum = 0;
    for (int i = 0; i < length - 1; ++i) sum = static_cast<std::uint8_t>(sum + c[i]);
    if (sum != c[length - 1]) return;

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

void dispatchReceived(const std::uint8_t* bytes, int n) {
    if (bytes == nullptr || n <= 0) return;
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
