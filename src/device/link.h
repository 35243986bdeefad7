// The serial link to the logger: one port, a reader thread that hands every
// received byte to dispatchReceived (protocol.h) once and in order, and a writer
// thread that sends what the user-interface thread puts into the transmit ring.
// There is at most one link; its state is private to link.cpp.
//
// Threads:
//   user-interface thread  openLink, closeLink, sendCode, txPut, linkIsOpen,
//                          linkPort, linkFailed (only this thread opens,
//                          closes or puts)
//   reader thread          started by openLink; reads whatever the port has
//                          waiting and calls dispatchReceived (while bytes come
//                          at about the line's pace it lets them gather for
//                          40 ms between reads, which keeps its CPU low); after
//                          the port fails or hangs up it marks the link failed,
//                          reads no more and only waits to be stopped
//   writer thread          started by openLink; txTake, port writes
// No lock is taken between them: the ring positions have one writer each
// (release/acquire), the stop request is an atomic flag plus a stop signal that
// wakes a thread blocked on the port, and closeLink joins both threads before it
// releases anything they use.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr int kTxRingSize = 32;   // bytes; at most 31 wait at once

// Opens COM<port> at the given baud rate and starts both threads: 1 on success,
// 0 on failure (port missing, in use, a setting refused, a thread or signal not
// made), in which case nothing stays open. An open link is closed first. Bytes
// left in the transmit ring from before are dropped: they were meant for a port
// that is no longer there.
int openLink(std::uint16_t port, int baud);
// Stops both threads, waits for them and closes the port. Does nothing on a
// closed link, so it may be called any number of times. Returns promptly even
// while a write waits for room or the reader waits for bytes.
void closeLink();
// Puts the 6-byte frame of code into the transmit ring and wakes the writer. The
// frame is dropped whole if the ring has no room for it (the writer is stuck on
// a port that takes nothing); a lost frame shows up as a time-out.
void sendCode(std::uint16_t code);
// As sendCode, and the writer thread sets *written (release) once the frame
// has been written to the port: from then on the logger can act on it. A frame
// that is dropped or never written leaves *written as it is. One mark at a
// time: a later call replaces an earlier mark not yet reached.
void sendCodeMarked(std::uint16_t code, std::atomic<bool>* written);

// 1 while the link is open.
int linkIsOpen();
// The port the link is open on, 0 when closed.
int linkPort();
// 1 when the link is open but its port failed or hung up (adapter pulled,
// logger switched off, the driver gave up after a sleep): nothing more will be
// read from it until it is closed and opened again. 0 otherwise.
int linkFailed();

// Transmit ring. txPut copies n bytes in at the head and wakes the writer (also
// when n is 0); it never overwrites bytes not yet sent: when fewer than n
// places are free it puts nothing and returns 0, else returns 1.
int txPut(const std::uint8_t* bytes, int n);
// Copies every waiting byte (at most kTxRingSize - 1) into buffer in order and
// frees their places; returns the count, 0 when empty. Writer thread only (and
// tests while no link is open).
int txTake(std::uint8_t* buffer);
// Bytes put and not yet taken by the writer (0..kTxRingSize-1). User-interface
// thread: a program about to close the link waits for 0 so that a last code
// (an abort) has been handed to the port first.
int txWaiting();

// Waits until the writer has taken every waiting byte (at most maxMs), then a
// moment for its last write, so a last code (an abort) reaches the line before
// the link closes. Returns at once on a closed link. User-interface thread.
void drainTransmitRing(int maxMs);

// Test hooks: make the next openLink fail at the named step after the port has
// opened, to prove a failed open releases what it made. None: no fault.
enum class LinkFault { None, StopSignal, ReaderThread, WriterThread };
void setLinkFaultForTests(LinkFault fault);
