// The logger simulator's engine: a pseudo-terminal, the logger's side of the
// exchange, pacing and faults. It encodes and decodes frames on its own, not
// with the program's codec, so a fault in one is not hidden by the same fault
// in the other.
#include "logger_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace sim {

struct Simulator {
    Options o;
    int master = -1;     // our end of the pseudo-terminal
    int slaveHold = -1;  // keeps the line up while the program closes and reopens its end
    int stopFd = -1;     // eventfd raised by simRequestStop
    std::string path;    // the program's end
    Stats stats;

    // Receiving: the line being assembled and the count bytes collected.
    std::uint8_t line[8] = {};
    int lineLength = 0;
    std::uint32_t countBytes = 0;
    std::uint32_t lastConfirmed = 0;

    // Streaming.
    bool streaming = false;
    std::uint32_t streamCount = 0;  // samples to send in this stream
    std::uint32_t generated = 0;    // samples put into units so far
    bool abortQueued = false;       // the abort fault has fired for this stream

    // Sending: replies wait for the unit in flight; a unit is written whole
    // (maybe in two parts when splitting) before the next one is made.
    std::vector<std::uint8_t> replies;
    std::vector<std::uint8_t> unit;
    std::size_t unitOffset = 0;
    std::size_t unitSplit = 0;         // 0: not split
    std::uint32_t unitSamples = 0;     // samples in the unit, counted once it is written
    std::uint64_t bytesMade = 0;       // for the fill fault
    std::uint64_t unitsMade = 0;       // for rotating the split position
    std::int64_t holdUntilNs = 0;      // no write before this time
};

namespace {

constexpr std::int64_t kByteNs = 1000000000LL * 10 / 57600;  // 8N1: 10 bits a byte
constexpr std::size_t kFastFrames = 16384;                  // samples per unit at full speed
constexpr std::int64_t kCatchUpNs = 20000000;               // lateness a paced line makes up

std::int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1000000000LL + ts.tv_nsec;
}

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

void putByte(Simulator* s, std::vector<std::uint8_t>& out, std::uint8_t b) {
    out.push_back(b);
    ++s->bytesMade;
    if (s->o.fillEvery > 0 && s->bytesMade % s->o.fillEvery == 0) out.push_back(0xFF);
}

// A data character carries a nibble in its high half; the low half is 1, which
// keeps every byte of a frame clear of 0x00, 0x0D and 0xFF.
std::uint8_t dataChar(unsigned nibble) { return static_cast<std::uint8_t>(((nibble & 0xF) << 4) | 1); }

void putCode(Simulator* s, std::vector<std::uint8_t>& out, std::uint16_t code, bool badChecksum = false) {
    const std::uint8_t c[4] = {dataChar(code >> 12), dataChar(code >> 8), dataChar(code >> 4), dataChar(code)};
    std::uint8_t sum = 0;
    for (std::uint8_t b : c) {
        putByte(s, out, b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    if (badChecksum) sum = static_cast<std::uint8_t>(sum + 0x10);  // still clear of 0x0D and 0xFF
    putByte(s, out, sum);
    putByte(s, out, 0x0D);
}

void putSample(Simulator* s, std::vector<std::uint8_t>& out, std::uint8_t value, bool badChecksum) {
    const std::uint8_t c0 = dataChar(value >> 4);
    const std::uint8_t c1 = dataChar(value);
    std::uint8_t sum = static_cast<std::uint8_t>(c0 + c1);
    if (badChecksum) sum = static_cast<std::uint8_t>(sum + 0x10);  // still clear of 0x0D and 0xFF
    putByte(s, out, c0);
    putByte(s, out, c1);
    putByte(s, out, sum);
    putByte(s, out, 0x0D);
}

// Ends the stream early: whatever of the unit in flight is not yet written is
// cut after the frame being written, so no half frame follows.
void stopStreaming(Simulator* s) {
    s->streaming = false;
    s->stats.streaming = false;
    if (s->unitSamples == 0) return;
    std::size_t cut = s->unitOffset;
    if (cut > 0) {
        while (cut < s->unit.size() && s->unit[cut - 1] != 0x0D) ++cut;
    }
    // Samples of the unit that were never written are not counted.
    std::uint32_t written = 0;
    for (std::size_t i = 0; i < cut; ++i)
        if (s->unit[i] == 0x0D) ++written;
    s->unit.resize(cut);
    s->unitSamples = written;
    if (s->unitSplit > cut) s->unitSplit = 0;
}

void actOnCode(Simulator* s, std::uint16_t code) {
    s->stats.framesReceived.fetch_add(1);
    if (code == kPing) {
        s->stats.pings.fetch_add(1);
        if (s->o.silent) return;
        putCode(s, s->replies, kAnswer);
        if (!s->o.noSampleTime) putCode(s, s->replies, static_cast<std::uint16_t>(kSampleTime + s->o.sampleTime));
        for (std::uint32_t k = 0; k < s->o.strayAfterAnswer; ++k)
            putSample(s, s->replies, static_cast<std::uint8_t>(k * 37 % 150), false);
    } else if (code >= kCountLow && code < kCountMid) {
        s->countBytes = (s->countBytes & 0xFFFF00u) | ((code - kCountLow) & 0xFFu);
    } else if (code >= kCountMid && code < kCountHigh) {
        s->countBytes = (s->countBytes & 0xFF00FFu) | (((code - kCountMid) & 0xFFu) << 8);
    } else if (code >= kCountHigh && code < kSampleTime) {
        s->countBytes = (s->countBytes & 0x00FFFFu) | (((code - kCountHigh) & 0xFFu) << 16);
        s->stats.countRequested = s->countBytes;
        if (s->o.silent) return;
        const std::uint32_t c = confirmedCount(s->o, s->countBytes);
        s->lastConfirmed = c;
        s->stats.countConfirmed = c;
        s->stats.confirmations.fetch_add(1);
        putCode(s, s->replies, static_cast<std::uint16_t>(kCountLow + (c & 0xFF)), s->o.badCountFrame);
        putCode(s, s->replies, static_cast<std::uint16_t>(kCountMid + ((c >> 8) & 0xFF)));
        putCode(s, s->replies, static_cast<std::uint16_t>(kCountHigh + ((c >> 16) & 0xFF)));
    } else if (code == kStart) {
        s->stats.starts.fetch_add(1);
        if (s->o.silent) return;
        if (s->streaming) stopStreaming(s);
        s->streaming = true;
        s->stats.streaming = true;
        s->streamCount = s->lastConfirmed;
        s->generated = 0;
        s->abortQueued = false;
        s->stats.samplesSent = 0;
    } else if (code == kAbort) {
        s->stats.abortsReceived.fetch_add(1);
        if (s->streaming) stopStreaming(s);
    }
}

// Frames from the computer: four data characters, checksum, carriage return.
void receive(Simulator* s, const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == 0xFF) continue;
        if (b != 0x0D) {
            s->line[s->lineLength] = b;
            if (s->lineLength < 7) ++s->lineLength;
            continue;
        }
        const int length = s->lineLength;
        s->lineLength = 0;
        std::uint8_t sum = 0;
        for (int k = 0; k < 4 && k < length; ++k) sum = static_cast<std::uint8_t>(sum + s->line[k]);
        if (length != 5 || sum != s->line[4]) {
            s->stats.badFrames.fetch_add(1);
            continue;
        }
        const std::uint16_t code = static_cast<std::uint16_t>(((s->line[0] >> 4) << 12) | ((s->line[1] >> 4) << 8) |
                                                              ((s->line[2] >> 4) << 4) | (s->line[3] >> 4));
        actOnCode(s, code);
    }
}

bool stopRequested(const Simulator* s) {
    pollfd p{s->stopFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

// Waits (bounded) until the program has read what was sent, so a hang-up fault
// cuts the line after exactly the samples sent rather than losing some queued.
// What the master writes reaches the line discipline a moment later (the
// kernel hands it over on a work queue), so the queue must stay empty for a
// while, not just once.
void drainBeforeHangup(Simulator* s) {
    int emptyFor = 0;
    for (int i = 0; i < 5000 && emptyFor < 50 && !stopRequested(s); ++i) {
        int waiting = 0;
        if (::ioctl(s->slaveHold, FIONREAD, &waiting) != 0) return;
        emptyFor = waiting == 0 ? emptyFor + 1 : 0;
        timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

void hangUp(Simulator* s) {
    if (s->master >= 0) ::close(s->master);
    if (s->slaveHold >= 0) ::close(s->slaveHold);
    s->master = -1;
    s->slaveHold = -1;
    s->streaming = false;
    s->stats.streaming = false;
    s->stats.hungUp = true;
}

// Makes the next unit to write. Returns false when the hang-up fault fires.
bool nextUnit(Simulator* s) {
    s->unit.clear();
    s->unitOffset = 0;
    s->unitSplit = 0;
    s->unitSamples = 0;
    if (!s->replies.empty()) {
        s->unit.swap(s->replies);
    } else if (s->streaming) {
        const Options& o = s->o;
        if (o.hangupAfter >= 0 && s->generated >= o.hangupAfter) {
            drainBeforeHangup(s);
            hangUp(s);
            return false;
        }
        if (o.abortAfter >= 0 && s->generated >= o.abortAfter && !s->abortQueued) {
            s->abortQueued = true;
            putCode(s, s->unit, kAbort);
            s->streaming = false;
            s->stats.streaming = false;
        } else if (s->generated >= s->streamCount || (o.stopAfter >= 0 && s->generated >= o.stopAfter)) {
            s->streaming = false;
            s->stats.streaming = false;
        } else {
            std::uint64_t frames = s->streamCount - s->generated;
            if (o.pace == Pace::Real || o.split) frames = 1;
            frames = std::min<std::uint64_t>(frames, kFastFrames);
            if (o.abortAfter >= 0) frames = std::min<std::uint64_t>(frames, o.abortAfter - s->generated);
            if (o.hangupAfter >= 0) frames = std::min<std::uint64_t>(frames, o.hangupAfter - s->generated);
            if (o.stopAfter >= 0) frames = std::min<std::uint64_t>(frames, o.stopAfter - s->generated);
            for (std::uint64_t k = 0; k < frames; ++k) {
                const std::uint32_t n = s->generated++;
                const bool bad = o.badChecksumEvery > 0 && (n + 1) % o.badChecksumEvery == 0;
                putSample(s, s->unit, sampleValue(o, streamIndex(o, s->streamCount, n)), bad);
            }
            s->unitSamples = static_cast<std::uint32_t>(frames);
        }
    }
    if (s->o.split && s->unit.size() > 1) {
        const std::size_t span = std::min<std::size_t>(s->unit.size(), 6) - 1;
        s->unitSplit = 1 + static_cast<std::size_t>(s->unitsMade % span);
    }
    if (!s->unit.empty()) ++s->unitsMade;
    return true;
}

}  // namespace

std::uint8_t sampleValue(const Options& o, std::int64_t index) {
    if (o.profile == Profile::Constant) return static_cast<std::uint8_t>(o.constantValue);
    if (o.profile == Profile::Ramp) return static_cast<std::uint8_t>(index & 0xFF);

    const std::uint64_t h = mix(static_cast<std::uint64_t>(index) ^ (std::uint64_t{o.seed} << 40));
    // The logger was switched off for a while: a run of gaps every 50,000 samples.
    const std::int64_t inBlock = ((index % 50000) + 50000) % 50000;
    if (inBlock >= 25000 && inBlock < 25120) return 255;
    // Now and then the operator pressed a marker key.
    if (h % 20011 == 7) return 201;
    if (h % 20011 == 8) return 202;

    const double st = o.sampleTime > 0 ? o.sampleTime / 100.0 : 0.01;
    const double t = static_cast<double>(index) * st;  // seconds since the recording began
    const double hour = std::fmod(std::fmod(t / 3600.0 + 6.0, 24.0) + 24.0, 24.0);
    // Night base load, a working day from 7 to 17 h with soft edges, a machine
    // that runs 5 minutes in every 15, noise and the odd start-up peak.
    double load = 18.0;
    if (hour > 6.0 && hour < 18.0) load += 42.0 * std::sin((hour - 6.0) / 12.0 * 3.14159265358979);
    if (std::fmod(std::fmod(t, 900.0) + 900.0, 900.0) < 300.0) load += 22.0;
    load += static_cast<double>(h % 9) - 4.0;
    if (h % 997 == 0) load += 45.0;
    if (load < 0.0) load = 0.0;
    if (load > 149.0) load = 149.0;
    return static_cast<std::uint8_t>(load);
}

std::int64_t streamIndex(const Options& o, std::uint32_t count, std::uint32_t k) {
    return static_cast<std::int64_t>(o.length) - count + k;
}

std::uint32_t confirmedCount(const Options& o, std::uint32_t requested) {
    std::int64_t c;
    if (o.confirmFixed >= 0) {
        c = o.confirmFixed;
    } else {
        c = std::min<std::int64_t>(requested, o.length) + o.confirmOffset;
    }
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(c, 0, kMaxCount));
}

std::string checkOptions(const Options& o) {
    if (o.sampleTime < 0 || o.sampleTime > 100) return "sample time must be 0..100 (1/100 s)";
    if (o.constantValue < 0 || o.constantValue > 255) return "a constant value must be 0..255";
    if (o.confirmFixed > kMaxCount) return "a confirmed count must be 0..6553599";
    if (o.splitGapUs < 0 || o.splitGapUs > 1000000) return "the split pause must be 0..1000000 us";
    return {};
}

Simulator* simCreate(const Options& options, std::string* error) {
    const std::string bad = checkOptions(options);
    if (!bad.empty()) {
        if (error != nullptr) *error = bad;
        return nullptr;
    }
    auto* s = new Simulator;
    s->o = options;
    const char* step = "posix_openpt";
    s->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    bool ok = s->master >= 0;
    char name[128] = {};
    if (ok) ok = (step = "grantpt", ::grantpt(s->master) == 0);
    if (ok) ok = (step = "unlockpt", ::unlockpt(s->master) == 0);
    if (ok) ok = (step = "ptsname", ::ptsname_r(s->master, name, sizeof name) == 0);
    if (ok) {
        step = "open";
        s->path = name;
        s->slaveHold = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        ok = s->slaveHold >= 0;
    }
    if (ok) {
        // Raw from the start: no echo of what the program sends, no CR to NL.
        step = "tcsetattr";
        termios t{};
        ok = ::tcgetattr(s->slaveHold, &t) == 0;
        if (ok) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B57600);
            ::cfsetospeed(&t, B57600);
            ok = ::tcsetattr(s->slaveHold, TCSANOW, &t) == 0;
        }
    }
    if (ok) ok = (step = "fcntl", ::fcntl(s->master, F_SETFL, ::fcntl(s->master, F_GETFL) | O_NONBLOCK) == 0);
    if (ok) {
        step = "eventfd";
        s->stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        ok = s->stopFd >= 0;
    }
    if (!ok) {
        if (error != nullptr) *error = std::string(step) + ": " + std::strerror(errno);
        simDestroy(s);
        return nullptr;
    }
    return s;
}

std::string simDevicePath(const Simulator* s) { return s->path; }

const Stats& simStats(const Simulator* s) { return s->stats; }

void simRequestStop(Simulator* s) {
    const std::uint64_t one = 1;
    ssize_t w;
    do w = ::write(s->stopFd, &one, sizeof one);
    while (w < 0 && errno == EINTR);
}

void simDestroy(Simulator* s) {
    if (s == nullptr) return;
    if (s->master >= 0) ::close(s->master);
    if (s->slaveHold >= 0) ::close(s->slaveHold);
    if (s->stopFd >= 0) ::close(s->stopFd);
    delete s;
}

int simRun(Simulator* s) {
    if (s->master < 0) return EBADF;
    std::uint8_t input[4096];
    for (;;) {
        const std::int64_t now = nowNs();
        if (s->unitOffset >= s->unit.size()) {
            if (!s->unit.empty()) s->stats.samplesSent.fetch_add(s->unitSamples);
            if (!nextUnit(s)) return 0;  // hung up
        }

        bool blocked = false;
        if (s->unitOffset < s->unit.size() && now >= s->holdUntilNs) {
            const bool firstPart = s->unitSplit != 0 && s->unitOffset < s->unitSplit;
            const std::size_t end = firstPart ? s->unitSplit : s->unit.size();
            const ssize_t w = ::write(s->master, s->unit.data() + s->unitOffset, end - s->unitOffset);
            if (w > 0) {
                s->unitOffset += static_cast<std::size_t>(w);
                if (s->o.pace == Pace::Real) {
                    // A line keeps its rate: a write that came late is made up
                    // by the next ones, unless the line had simply been idle.
                    const std::int64_t base = s->holdUntilNs >= now - kCatchUpNs ? s->holdUntilNs : now;
                    s->holdUntilNs = base + w * kByteNs;
                }
                if (firstPart && s->unitOffset == s->unitSplit)
                    s->holdUntilNs = std::max<std::int64_t>(s->holdUntilNs, now + s->o.splitGapUs * std::int64_t{1000});
            } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
                blocked = errno == EAGAIN;
            } else {
                return errno != 0 ? errno : EIO;
            }
        }

        // Sleep until there is input, room to write, the next paced write, or a stop.
        const bool pending = s->unitOffset < s->unit.size() || !s->replies.empty() || s->streaming;
        timespec timeout{};
        const timespec* limit = &timeout;
        if (blocked || !pending) {
            limit = nullptr;
        } else if (s->unitOffset < s->unit.size() && s->holdUntilNs > now) {
            const std::int64_t wait = s->holdUntilNs - nowNs();
            if (wait > 0) timeout = {static_cast<time_t>(wait / 1000000000LL), static_cast<long>(wait % 1000000000LL)};
        }
        s->stats.idle = !pending;
        pollfd p[2] = {{s->master, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0}, {s->stopFd, POLLIN, 0}};
        const int r = ::ppoll(p, 2, limit, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (p[1].revents != 0) return 0;
        if ((p[0].revents & POLLIN) != 0) {
            const ssize_t n = ::read(s->master, input, sizeof input);
            if (n > 0) receive(s, input, static_cast<std::size_t>(n));
        } else if ((p[0].revents & (POLLHUP | POLLERR)) != 0 && (p[0].revents & POLLOUT) == 0) {
            // Cannot happen while we hold the other end open; do not spin if it does.
            timespec pause{0, 10000000};
            nanosleep(&pause, nullptr);
        }
    }
}

}  // namespace sim
