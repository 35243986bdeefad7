// One window program per user: a later start hands its recording to the
// program already running and ends, so a double-clicked file lands in the
// window the user has open instead of in a second copy fighting it for the
// port. This file holds what is sent, how it is read and what the first
// program does with it; the platform layers only find the first program (a
// local socket on Linux, a named mutex and the main window on Windows) and
// carry the bytes. User-interface thread only.
//
// The message: the line "VantrelDAQ hand-over 1", then the length of the
// recording's name in bytes as a decimal line, then that many bytes of the
// name (UTF-8, absolute; none: only bring the window to the front). A name may
// hold any byte but NUL, line ends included, so it is counted, not ended.
// The first program answers "taken\n" once it has the message.
#pragma once

#include <string>
#include <string_view>

#include "shell/command_line.h"

// How long a later start waits for the first to take its message before it
// starts on its own: the first may be hung or ending. Long enough for a first
// program still making its window, short enough not to look stuck.
inline constexpr int kHandOverWaitMs = 1500;

// The first program's answer to a message it took.
inline constexpr std::string_view kHandOverTaken = "taken\n";

// The longest name a message may carry; longer messages are refused unread.
inline constexpr std::size_t kHandOverMaxName = 64 * 1024;

// Whether this start looks for a program already running: only a start that
// would open the window ("--help" and "--version" end without it).
bool startLooksForFirst(const StartArguments& args);

// The per-user name both platforms build theirs from ("VantrelDAQ-<user>");
// characters that cannot stand in a kernel object's or a socket's name become
// '_'.
std::string firstProgramName(const std::string& user);

// The message of a later start; recording is empty when it names none.
std::string handOverMessage(const std::string& recording);

enum class HandOverState {
    Incomplete,  // a prefix of a good message: wait for more bytes
    Complete,    // a whole message, nothing after it
    Bad,         // not a message of ours: drop the connection
};
struct HandOver {
    HandOverState state = HandOverState::Incomplete;
    std::string recording;  // with Complete; empty: none named
};
HandOver parseHandOver(std::string_view bytes);

// The first program's side: reads bytes received so far. With a whole
// message it brings the main window to the front and, when a recording is
// named, opens it as File > Open does (the running-transfer refusal, the
// unsaved-work question), once no dialog or menu of ours is open; the caller
// then answers kHandOverTaken. Returns the state of the bytes.
HandOverState takeHandOver(std::string_view bytes);
