// Serial ports for the core: which device each of the user's port numbers
// (COM1..COM256) means, and opening, reading, writing and closing one port.
// Implemented for POSIX in platform/posix/serial_posix.cpp and for Windows in
// platform/win32/serial_win32.cpp (where COM<n> is the device \\.\COM<n>).
//
// Rules for this header: no Qt or POSIX types.
//
// Port numbers. COM1..COM8 are the numbers of the menu and the settings;
// COM1..COM256 can be named (the command line's --port). Each number resolves
// to a device path, first match wins:
//   1. the environment variable VANTREL_COM<n> (e.g. VANTREL_COM3=/dev/pts/4);
//   2. a line "COM<n>=<path>" in the per-user file serialOverrideFile()
//      (Linux: $XDG_CONFIG_HOME/vantreldaq/ports.conf, else
//      ~/.config/vantreldaq/ports.conf; Windows: %APPDATA%\VantrelDAQ\ports.conf,
//      where "COM12" stands for \\.\COM12);
//   3. the serial devices present, dealt out to COM1..COM8 without an override
//      (device/port_table.h), leaving out the devices an override names:
//      Linux lists /dev/ttyUSB0.., /dev/ttyACM0.., /dev/ttyS0.. (numerically;
//      a built-in /dev/ttyS<k> only when the kernel found a UART behind it) and
//      deals them out in that order; Windows lists the ports it knows
//      (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM): COM1..COM8 keep their number, the
//      others take the free numbers, lowest first. A number above 8 means its
//      override, else (Windows) its own COM<n>.
// An override of "none" leaves that COM number without a device. On Windows a
// number the rules leave without a device still names \\.\COM<n> (missing).
//
// Threads. The port-number functions read the environment and the override
// file: call them from one thread at a time (the user-interface thread). The
// I/O functions are made for one reader thread (serialRead, serialWaitStop) and
// one writer thread (serialWrite) on an open port, and a third thread that opens,
// raises the stop signal and closes after both have ended.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// ---- port numbers -------------------------------------------------------------
inline constexpr int kFirstSerialPort = 1;
inline constexpr int kLastMenuSerialPort = 8;  // the menu's and the settings' numbers
inline constexpr int kLastSerialPort = 256;    // the highest number that can be named

// Where the device path of a port number came from.
enum class SerialSource { None, Environment, File, Automatic };

struct SerialPortInfo {
    std::string path;     // device COM<n> resolves to; empty when it resolves to none
    SerialSource source;  // which rule gave the path
    bool present;         // the path names an existing character device
    std::string product;  // USB product name (Linux) or the Device Manager's name
                          // (Windows) when the system knows it, else empty
};

// Resolves port n by the rules above.
SerialPortInfo serialPortInfo(int port);
// The device path of port n, empty when it has none.
std::string serialDevicePath(int port);
// True when port n resolves to a device that exists now.
bool serialPortPresent(int port);
// One short line for showing a user which device port n means, without words of
// any language: "/dev/ttyUSB0 (FT232R USB UART)", "/dev/pts/4 [VANTREL_COM3]",
// "/dev/pts/4 [ports.conf]"; on Windows the Device Manager's name, else the
// port's: "USB Serial Port (COM12)", "COM12 [ports.conf]". Empty when the port
// resolves to no device (on Windows also: to none that is there).
std::string serialPortDescription(int port);

// The per-user override file (it need not exist).
std::string serialOverrideFile();
// Sets (path non-empty) or removes (path empty) the line for COM<port> in the
// override file, keeping every other line; creates the file and its folder when
// needed. With onlyIfPath non-empty, removes the line only while it still names
// that path. Safe against another process doing the same at the same time.
// Returns 0 or an errno-style error code. For the logger simulator and tools.
int serialSetOverride(int port, const std::string& path, const std::string& onlyIfPath = {});

// ---- one open port ------------------------------------------------------------
// Handles of an open port and of a stop signal; kNoSerialHandle is none.
using SerialHandle = std::intptr_t;
inline constexpr SerialHandle kNoSerialHandle = -1;

// Result codes of serialRead and serialWrite besides a byte count.
inline constexpr int kSerialFailed = -1;   // the port failed or hung up
inline constexpr int kSerialStopped = -2;  // the stop signal was raised

// Opens port n for reading and writing, exclusively (a second open of the same
// device, by this or another program, fails), raw 8 data bits, no parity, one
// stop bit, no flow control, DTR and RTS off, at the given baud rate, with
// anything left in the device's queues discarded. Returns the handle, or
// kNoSerialHandle with *error (if given) set to an errno-style code; nothing
// stays open on failure.
SerialHandle serialOpen(int port, int baud, int* error);
// Closes an open port; kNoSerialHandle is ignored. Gives up exclusivity first.
void serialClose(SerialHandle port);

// A stop signal that can wake a thread blocked in serialRead, serialWrite or
// serialWaitStop. Once raised it stays raised until closed, so every waiter
// sees it. Returns kNoSerialHandle if it cannot be made.
SerialHandle serialCreateStop();
void serialRaiseStop(SerialHandle stop);
void serialCloseStop(SerialHandle stop);

// Waits for received bytes or the stop signal, whichever comes first, and reads
// whatever is waiting, up to capacity bytes. Returns the count (> 0),
// kSerialStopped, or kSerialFailed when the port has failed or hung up (it will
// not recover: stop reading and wait for the stop signal).
int serialRead(SerialHandle port, std::uint8_t* buffer, int capacity, SerialHandle stop);
// Waits until the stop signal is raised, or at most timeoutMs (negative: no
// limit). Returns true if it was raised.
bool serialWaitStop(SerialHandle stop, int timeoutMs = -1);
// Writes n bytes, waiting for room as needed. Returns n, or kSerialFailed (the
// bytes not yet written are lost), or kSerialStopped when the stop signal ends
// the wait, in which case bytes still in the driver's transmit queue are
// discarded at once.
int serialWrite(SerialHandle port, const std::uint8_t* bytes, int n, SerialHandle stop);

}  // namespace platform
