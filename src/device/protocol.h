// The logger's codes and frames, and the reply dispatcher that turns received
// bytes into samples, a confirmed count and a sample time.
#pragma once

#include <array>
#include <cstdint>

inline constexpr std::uint16_t CodeCountLow = 59000;    // + byte 0 of a count
inline constexpr std::uint16_t CodeCountMid = 59300;    // + byte 1 of a count
inline constexpr std::uint16_t CodeCountHigh = 59600;   // + byte 2 of a count; completes it
inline constexpr std::uint16_t CodeSampleTime = 59700;  // + sample time in 1/100 s (0..100)
inline constexpr std::uint16_t CodePing = 65060;
inline constexpr std::uint16_t CodeAnswer = 65061;
inline constexpr std::uint16_t CodeStart = 65062;
inline constexpr std::uint16_t CodeAbort = 65063;

using DeviceFrame = std::array<std::uint8_t, 6>;

// The 6-byte frame the PC sends for a code (user-interface thread).
DeviceFrame encodeFrame(std::uint16_t code);

// Consumes n received bytes in order (reader thread). Constant work per byte,
// no allocation; frames may be split across calls.
void dispatchReceived(const std::uint8_t* bytes, int n);
// Where the damaged lines of the running stream came: for each, in order, the
// number of samples received before it. The reader thread fills it while
// samples are accepted (gApp.damagedInStream counts them, also past the
// array's end); the user-interface thread reads it once the stream has ended.
// A stream with more damaged lines than this cannot have them put back in place.
inline constexpr std::uint32_t kDamagedPlacesMax = 65536;
std::uint32_t damagedPlace(std::uint32_t i);

// Forgets what the last port brought: the reply line being assembled and the
// logger's sample time. Only while no reader thread runs (the link calls it
// when it opens a port).
void resetReceiveState();

// The frame the logger sends for a code, into out (room for 6 bytes): two data
// characters, checksum and carriage return (4 bytes) for a sample value 0..255,
// the four-data-character form (6 bytes) for every other code. Low nibbles are
// 1, so no byte is 0x00, 0x0D or 0xFF. Returns the number of bytes. For the
// logger simulator, tests and benchmarks; the program itself never sends these.
int encodeLoggerFrame(std::uint16_t code, std::uint8_t* out);
