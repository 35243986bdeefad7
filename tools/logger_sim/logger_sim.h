// A stand-in for the power logger on a pseudo-terminal: it answers pings with
// its sample time, confirms counts, streams its recording oldest first and stops
// on an abort, using only the logger's frames and codes. Faults can be switched
// on to exercise the program's error paths.
//
// The same engine serves the vantrel-logger-sim program and in-process tests:
// simCreate, then simRun on a thread of its own, simRequestStop from any thread,
// then simDestroy after simRun has returned.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace sim {

// Codes the logger understands and sends.
inline constexpr std::uint16_t kCountLow = 59000;
inline constexpr std::uint16_t kCountMid = 59300;
inline constexpr std::uint16_t kCountHigh = 59600;
inline constexpr std::uint16_t kSampleTime = 59700;
inline constexpr std::uint16_t kPing = 65060;
inline constexpr std::uint16_t kAnswer = 65061;
inline constexpr std::uint16_t kStart = 65062;
inline constexpr std::uint16_t kAbort = 65063;
// A count travels as three codes; the high byte's code range (59600..59699)
// carries 0..99, so 99 * 65536 + 65535 is the most a logger can confirm.
inline constexpr std::uint32_t kMaxCount = 6553599;

enum class Pace {
    Real,  // at most 5,760 bytes a second, as on a 57,600-baud 8N1 line
    Fast,  // as fast as the pseudo-terminal takes them
};

enum class Profile {
    Load,      // a working day's power draw with markers (201, 202) and gaps (255)
    Ramp,      // value = index mod 256 (every value, markers and gaps included)
    Constant,  // every sample = constantValue
};

struct Options {
    int sampleTime = 10;               // reported in 1/100 s (0..100)
    std::uint32_t length = 1048576;    // samples the logger holds
    Profile profile = Profile::Load;
    int constantValue = 50;            // for Profile::Constant, 0..255
    std::uint32_t seed = 1;            // varies the load profile
    Pace pace = Pace::Real;

    // Faults; the defaults are a healthy logger.
    bool silent = false;               // reads everything, answers nothing
    bool noSampleTime = false;         // answers a ping without a sample time
    std::int64_t confirmFixed = -1;    // >= 0: confirm this count whatever is asked
    std::int64_t confirmOffset = 0;    // confirm min(asked, held) + offset (0..kMaxCount)
    std::int64_t abortAfter = -1;      // >= 0: send an abort after this many samples
    std::int64_t hangupAfter = -1;     // >= 0: hang up the line after this many samples
    std::int64_t stopAfter = -1;       // >= 0: go quiet after this many samples, without an abort
    bool badCountFrame = false;        // the low byte of each confirmed count has a wrong checksum
    std::uint32_t strayAfterAnswer = 0;// sample frames sent right behind each answer, outside a transfer
    std::uint32_t badChecksumEvery = 0;// k > 0: every k-th sample frame has a wrong checksum
    std::uint32_t fillEvery = 0;       // k > 0: a 0xFF fill byte after every k-th byte sent
    bool split = false;                // each frame goes out in two writes with a pause between
    int splitGapUs = 1000;             // the pause of a split frame, microseconds
};

// What the simulator has seen and done so far; readable from any thread.
struct Stats {
    std::atomic<std::uint32_t> framesReceived{0};  // valid frames from the computer
    std::atomic<std::uint32_t> badFrames{0};       // lines dropped (checksum, length)
    std::atomic<std::uint32_t> pings{0};
    std::atomic<std::uint32_t> countRequested{0};  // the last count asked for
    std::atomic<std::uint32_t> countConfirmed{0};  // the last count confirmed
    std::atomic<std::uint32_t> confirmations{0};
    std::atomic<std::uint32_t> starts{0};
    std::atomic<std::uint32_t> abortsReceived{0};
    std::atomic<std::uint32_t> samplesSent{0};     // in the current or last stream
    std::atomic<bool> streaming{false};
    std::atomic<bool> idle{false};                 // everything asked for has been written
    std::atomic<bool> hungUp{false};
};

struct Simulator;

// The value of sample `index` of the recording (0 is the oldest held; negative
// indices are samples from before it, sent when more is confirmed than held).
std::uint8_t sampleValue(const Options& options, std::int64_t index);
// The recording index of the k-th sample of a stream of `count` samples.
std::int64_t streamIndex(const Options& options, std::uint32_t count, std::uint32_t k);
// The count the logger confirms when asked for `requested`.
std::uint32_t confirmedCount(const Options& options, std::uint32_t requested);
// Checks options; returns an empty string or what is wrong.
std::string checkOptions(const Options& options);

// Opens a pseudo-terminal and prepares to play the logger on it. Returns null
// and sets *error on failure.
Simulator* simCreate(const Options& options, std::string* error);
// The device path a program opens to talk to the simulator (/dev/pts/N).
std::string simDevicePath(const Simulator* s);
// Plays the logger until simRequestStop or a hang-up fault. Returns 0, or an
// errno-style code if the pseudo-terminal failed.
int simRun(Simulator* s);
// Ends simRun promptly; safe from any thread and from a signal handler.
void simRequestStop(Simulator* s);
const Stats& simStats(const Simulator* s);
// Closes the pseudo-terminal (if the hang-up fault has not already) and frees s.
void simDestroy(Simulator* s);

}  // namespace sim
