// A logger and a set of serial ports for unit tests of the transfer and the
// port choice, put in place of the link through gLinkCalls. Every code the
// program sends is recorded; the logger answers synchronously, by feeding the
// frames it would send to dispatchReceived, so the program's waits find their
// signals already raised and no test depends on timing.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

namespace test {

struct LoggerScript {
    std::set<int> presentPorts{1, 2, 3, 4, 5, 6, 7, 8};  // ports that can be opened
    int loggerPort = 1;        // the port the logger hangs on; 0 = nowhere
    bool answers = true;       // answers a ping
    int sampleTime = 2;        // reported after each answer; -1 = never reported
    bool confirms = true;      // confirms a count
    std::int64_t confirmCount = -1;  // count it confirms; -1 = the one requested
    std::int64_t sendCount = -1;     // samples it streams on start; -1 = the confirmed count
    bool abortAfterStream = false;   // sends the abort code after streaming
    std::set<std::int64_t> damagedAt;  // these samples of the stream go out with a wrong checksum
    std::set<std::int64_t> noiseAt;    // a damaged line that was never a frame comes before these
};

struct LoggerRecord {
    std::vector<std::uint16_t> sent;  // every code the program sent, in order
    std::vector<int> opens;           // every port the program tried to open
    int closes = 0;                   // closeLink calls
    int openPort = 0;                 // port the link is open on, 0 when closed
    std::uint32_t requested = 0;      // last count the program asked for
};

LoggerScript& loggerScript();
LoggerRecord& loggerRecord();
// Fresh script and record, and the scripted link in gLinkCalls.
void installScriptedLogger();
// Puts openLink, closeLink and sendCode back into gLinkCalls.
void removeScriptedLogger();
// Feeds one code as the logger would send it.
void loggerSends(std::uint16_t code);
// How many times code was sent by the program.
int timesSent(std::uint16_t code);

}  // namespace test
