// Feeds arbitrary bytes to the reply dispatcher. The first byte picks where the
// sample counter starts (empty store, nearly full, full, or anywhere), the
// second where the input is split into two calls. Checks that no counter
// leaves its range, that nothing is written outside the store (the sanitizer
// sees any write past its end), and that splitting the input changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device/protocol.h"
#include "recording/store.h"
#include "shell/app_state.h"

namespace {

struct State {
    std::uint32_t received, expected, accumulator;
    std::uint16_t sampleTime;
    bool answered, confirmed;
    int lineLength;
};

State capture() {
    return {gApp.receivedCount, gApp.expectedCount, gApp.countAccumulator, gApp.loggerSampleTime.load(),
            gApp.deviceAnswered.isSet(), gApp.countConfirmed.isSet(), gApp.rxLineLength};
}

void start(std::uint32_t received) {
    // Counters and line only: clearing the receive buffer every run would drown
    // the fuzzer, and stale values there are harmless.
    for (char& c : gApp.rxLine) c = 0;
    gApp.rxLineLength = 0;
    gApp.receivedCount = received;
    // A stream is expected, so samples reach the receive buffer up to its end.
    gApp.expectedCount = kStoreCapacity;
    gApp.acceptingSamples = true;
    gApp.startCodeWritten = true;
    gApp.countAccumulator = 0;
    gApp.loggerSampleTime = 0;
    gApp.deviceAnswered.create(Event::Reset::Manual);
    gApp.countConfirmed.create(Event::Reset::Manual);
    gApp.deviceAnswered.reset();
    gApp.countConfirmed.reset();
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::uint32_t received;
    switch (data[0] & 3) {
        case 0: received = 0; break;
        case 1: received = kStoreCapacity - 1 - (data[0] >> 2); break;
        case 2: received = kStoreCapacity; break;
        default: received = static_cast<std::uint32_t>(data[0]) << 12; break;
    }
    const std::uint8_t* bytes = data + 2;
    const int n = static_cast<int>(size - 2);
    const int cut = n == 0 ? 0 : data[1] % (n + 1);

    start(received);
    dispatchReceived(bytes, n);
    const State whole = capture();
    check(whole.received <= kStoreCapacity || whole.received == received);
    check(whole.expected <= kStoreCapacity);
    check(whole.accumulator <= 0x03FFFFFFu);  // three count bytes and two arrival marks
    check(whole.sampleTime <= 100);
    check(whole.lineLength >= 0 && whole.lineLength <= 7);

    start(received);
    dispatchReceived(bytes, cut);
    dispatchReceived(bytes + cut, n - cut);
    const State split = capture();
    check(split.received == whole.received && split.expected == whole.expected &&
          split.accumulator == whole.accumulator && split.sampleTime == whole.sampleTime &&
          split.answered == whole.answered && split.confirmed == whole.confirmed &&
          split.lineLength == whole.lineLength);
    return 0;
}
