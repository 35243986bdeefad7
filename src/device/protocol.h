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
