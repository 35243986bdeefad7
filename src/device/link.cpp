// The serial link: port, transmit ring, reader and writer threads.
#include "device/link.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "device/event.h"
#include "device/protocol.h"
#include "platform/serial.h"

namespace {

// Single-producer (user-interface thread), single-consumer (writer thread) ring.
// Each position has one writer and lives on its own cache line; the producer
// stores a byte before publishing head past it (release), the consumer reads
// head (acquire) before the bytes and publishes tail (release) after copying,
// so the producer never overwrites a byte the consumer has not taken.
struct TxRing {
    alignas(64) std::atomic<int> head{0};  // next place to fill, 0..31 (producer)
    alignas(64) std::atomic<int> tail{0};  // next place to send, 0..31 (consumer)
    alignas(64) std::uint8_t bytes[kTxRingSize] = {};
};

struct LinkState {
    bool open = false;                                    // threads run and port is open
    int port = 0;                                         // COM number while open
    platform::SerialHandle handle = platform::kNoSerialHandle;  // the open port
    platform::SerialHandle stop = platform::kNoSerialHandle;    // wakes threads blocked on the port
    std::atomic<bool> stopping{false};                    // closeLink asks both threads to end
    std::atomic<bool> failed{false};                      // the reader met an error or a hang-up
    Event txReady;                                        // manual-reset: bytes wait in the ring
    std::thread reader;                                   // runs readerMain
    std::thread writer;                                   // runs writerMain
    TxRing ring;
    std::atomic<std::uint64_t> bytesPut{0};               // bytes ever put into the ring (user-interface thread)
    std::atomic<std::uint64_t> bytesWritten{0};           // bytes ever taken and written (writer thread)
    std::atomic<std::atomic<bool>*> mark{nullptr};        // raised as the write reaching markAt begins
    std::atomic<std::uint64_t> markAt{0};
    LinkFault fault = LinkFault::None;                    // test hook for the next open
};

LinkState gLink;

constexpr int kReadBuffer = 4096;  // take whatever is waiting: one wake-up per burst
// At the line's own pace bytes trickle in a frame at a time, and waking for
// each one (or every few milliseconds) costs more CPU than everything else the
// program does while it receives. So when bytes come no faster than a few
// times the line's pace, the reader lets them gather for a while before the
// next read; the stop signal still ends that wait at once. The pace is judged
// by the bytes a read brought over the time since the read before it, pause
// included, so bytes that pile up during a pause (a pseudo-terminal or a fast
// adapter) are read back to back again. The bytes that end a silence (an
// answer, a confirmation) are handed on at once; only what follows them can
// wait up to one gather time, well inside every reply's time-out.
constexpr std::int64_t kTrickleBytesPerSecond = 4 * 5760;  // four times 57,600 baud, 10 bits a byte
constexpr int kGatherMs = 40;

// True when n bytes over elapsedUs microseconds came at no more than the
// trickle pace, so the reader should let the next ones gather first.
bool trickling(int n, std::int64_t elapsedUs) {
    if (n >= kReadBuffer) return false;  // the buffer was full: more is waiting
    return std::int64_t{n} * 1000000 <= kTrickleBytesPerSecond * elapsedUs;
}

void readerMain(platform::SerialHandle port, platform::SerialHandle stop) {
    std::uint8_t buffer[kReadBuffer];
    auto previous = std::chrono::steady_clock::now();
    for (;;) {
        const int n = platform::serialRead(port, buffer, kReadBuffer, stop);
        if (n > 0) {
            dispatchReceived(buffer, n);
            const auto now = std::chrono::steady_clock::now();
            const auto elapsedUs = std::chrono::duration_cast<std::chrono::microseconds>(now - previous).count();
            previous = now;
            if (trickling(n, elapsedUs) && platform::serialWaitStop(stop, kGatherMs)) return;
        } else if (n == platform::kSerialStopped) {
            return;
        } else {
            // The port failed or hung up (adapter pulled, other end gone): it
            // will not recover, and retrying would spin. Say so, so the next
            // use of the port opens it afresh, and wait to be stopped.
            gLink.failed.store(true, std::memory_order_release);
            platform::serialWaitStop(stop);
            return;
        }
    }
}

// Writer thread, before writing n bytes: when they carry the last byte a mark
// waits for, the mark goes up now and is taken down. The logger may answer as
// soon as the bytes are on the line, before the write call has returned here
// (a fast port on a busy machine); raised only after the call, the mark would
// let the first frames of the reply count as an older stream's. Returns the
// flag raised, for a failed write to lower again.
std::atomic<bool>* raiseMark(int n) {
    std::atomic<bool>* flag = gLink.mark.load(std::memory_order_acquire);
    if (flag == nullptr) return nullptr;
    const std::uint64_t through = gLink.bytesWritten.load(std::memory_order_acquire) + static_cast<std::uint64_t>(n);
    if (through < gLink.markAt.load(std::memory_order_acquire)) return nullptr;
    if (!gLink.mark.compare_exchange_strong(flag, nullptr, std::memory_order_acq_rel)) return nullptr;
    flag->store(true, std::memory_order_release);
    return flag;
}

void writerMain(platform::SerialHandle port, platform::SerialHandle stop) {
    std::uint8_t buffer[kTxRingSize];
    for (;;) {
        if (!gLink.txReady.wait(-1)) return;  // the signal is gone: nothing can wake us
        if (gLink.stopping.load(std::memory_order_acquire)) return;
        // Cleared before draining, so bytes put during the writes below raise it
        // again and go out on the next turn instead of waiting for a later put.
        gLink.txReady.reset();
        int n;
        while ((n = txTake(buffer)) > 0) {
            std::atomic<bool>* raised = raiseMark(n);
            const int written = platform::serialWrite(port, buffer, n, stop);
            if (raised != nullptr && written != n) raised->store(false, std::memory_order_release);  // never went out
            if (written == platform::kSerialStopped) return;
            gLink.bytesWritten.fetch_add(static_cast<std::uint64_t>(n), std::memory_order_acq_rel);
            // A failed write loses these bytes; the reply will time out upstream.
            if (gLink.stopping.load(std::memory_order_acquire)) return;
        }
    }
}

// Undoes whatever openLink made, in reverse order. Used by closeLink and by a
// failed open, so each resource is released by exactly one path.
void releaseLink() {
    gLink.stopping.store(true, std::memory_order_release);
    gLink.txReady.set();
    platform::serialRaiseStop(gLink.stop);
    if (gLink.reader.joinable()) gLink.reader.join();
    if (gLink.writer.joinable()) gLink.writer.join();
    gLink.txReady.close();
    platform::serialCloseStop(gLink.stop);
    gLink.stop = platform::kNoSerialHandle;
    platform::serialClose(gLink.handle);
    gLink.handle = platform::kNoSerialHandle;
    gLink.port = 0;
    gLink.open = false;
    gLink.failed.store(false, std::memory_order_relaxed);
}

// Starts a thread, or reports false: a thread that cannot be made is a failed
// open, not a crash.
template <typename F>
bool startThread(std::thread& t, F&& f) {
    try {
        t = std::thread(std::forward<F>(f));
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

int openLink(std::uint16_t port, int baud) {
    closeLink();
    const LinkFault fault = gLink.fault;
    gLink.fault = LinkFault::None;

    gLink.handle = platform::serialOpen(port, baud, nullptr);
    if (gLink.handle == platform::kNoSerialHandle) return 0;

    // Whatever was put while no writer ran was meant for another port, and
    // what came from the last port (a half-assembled reply line, its logger's
    // sample time) must not be taken for this one's. No reader thread runs
    // yet, so that state is ours to reset.
    gLink.ring.tail.store(gLink.ring.head.load(std::memory_order_relaxed), std::memory_order_release);
    gLink.mark.store(nullptr, std::memory_order_release);
    gLink.bytesWritten.store(gLink.bytesPut.load(std::memory_order_relaxed), std::memory_order_release);
    resetReceiveState();
    gLink.stopping.store(false, std::memory_order_release);
    gLink.failed.store(false, std::memory_order_release);
    gLink.txReady.create(Event::Reset::Manual);
    gLink.stop = fault == LinkFault::StopSignal ? platform::kNoSerialHandle : platform::serialCreateStop();

    const platform::SerialHandle handle = gLink.handle;
    const platform::SerialHandle stop = gLink.stop;
    bool ok = stop != platform::kNoSerialHandle;
    if (ok) ok = fault != LinkFault::ReaderThread && startThread(gLink.reader, [=] { readerMain(handle, stop); });
    if (ok) ok = fault != LinkFault::WriterThread && startThread(gLink.writer, [=] { writerMain(handle, stop); });
    if (!ok) {
        releaseLink();
        return 0;
    }
    gLink.port = port;
    gLink.open = true;
    return 1;
}

void closeLink() {
    if (!gLink.open) return;
    releaseLink();
}

void sendCode(std::uint16_t code) {
    const DeviceFrame frame = encodeFrame(code);
    txPut(frame.data(), static_cast<int>(frame.size()));
}

void sendCodeMarked(std::uint16_t code, std::atomic<bool>* written) {
    const DeviceFrame frame = encodeFrame(code);
    if (!gLink.open) {
        txPut(frame.data(), static_cast<int>(frame.size()));
        return;
    }
    // The mark stands before the frame can reach the writer, so the writer
    // cannot pass the frame without seeing it.
    gLink.mark.store(nullptr, std::memory_order_release);
    gLink.markAt.store(gLink.bytesPut.load(std::memory_order_relaxed) + frame.size(), std::memory_order_release);
    gLink.mark.store(written, std::memory_order_release);
    if (txPut(frame.data(), static_cast<int>(frame.size())) == 0) {
        gLink.mark.store(nullptr, std::memory_order_release);  // dropped: it will never be written
    }
}

int linkIsOpen() { return gLink.open ? 1 : 0; }

int linkPort() { return gLink.port; }

int linkFailed() { return gLink.open && gLink.failed.load(std::memory_order_acquire) ? 1 : 0; }

int txPut(const std::uint8_t* bytes, int n) {
    TxRing& r = gLink.ring;
    const int head = r.head.load(std::memory_order_relaxed);
    const int tail = r.tail.load(std::memory_order_acquire);
    const int waiting = (head - tail) & (kTxRingSize - 1);
    int result = 0;
    if (n >= 0 && n <= kTxRingSize - 1 - waiting && (bytes != nullptr || n == 0)) {
        int h = head;
        for (int i = 0; i < n; ++i) {
            r.bytes[h] = bytes[i];
            h = (h + 1) & (kTxRingSize - 1);
        }
        gLink.bytesPut.fetch_add(static_cast<std::uint64_t>(n), std::memory_order_relaxed);
        r.head.store(h, std::memory_order_release);
        result = 1;
    }
    gLink.txReady.set();
    return result;
}

int txTake(std::uint8_t* buffer) {
    TxRing& r = gLink.ring;
    const int head = r.head.load(std::memory_order_acquire);
    int tail = r.tail.load(std::memory_order_relaxed);
    int n = 0;
    while (tail != head) {
        buffer[n++] = r.bytes[tail];
        tail = (tail + 1) & (kTxRingSize - 1);
    }
    r.tail.store(tail, std::memory_order_release);
    return n;
}

int txWaiting() {
    const TxRing& r = gLink.ring;
    return (r.head.load(std::memory_order_acquire) - r.tail.load(std::memory_order_acquire)) & (kTxRingSize - 1);
}

void drainTransmitRing(int maxMs) {
    if (!linkIsOpen()) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (txWaiting() != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The writer took the bytes; give its write a moment to reach the port.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void setLinkFaultForTests(LinkFault fault) { gLink.fault = fault; }
