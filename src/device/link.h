// The serial link to the logger: port, reader thread and writer thread.
// (Declarations only so far; see the module for threading rules.)
#pragma once

#include <cstdint>

// Opens COM<port> at the given baud rate and starts both threads: 1 on success, 0 on failure.
int openLink(std::uint16_t port, int baud);
// Stops both threads and closes the port; does nothing on a closed link.
void closeLink();
// Puts the frame of code into the transmit ring (user-interface thread only).
void sendCode(std::uint16_t code);
