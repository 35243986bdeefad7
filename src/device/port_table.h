// Which device each port number means: the rule both platforms share. The
// platform layer gathers what it finds (the per-user ports.conf text, the
// VANTREL_COM<n> variables, the serial devices present) and this module
// decides; platform/serial.h states the rule for the user.
//
// A number with an override (VANTREL_COM<n> over a "COM<n>=" line) means what
// the override names ("none": no device). The devices present are then dealt
// to the menu's numbers (COM1..COM8) that have no override, leaving out the
// devices an override already names: first every device keeps the number the
// system gave it (Windows' COM<n>) when that number is free, then the others
// take the free numbers that remain, lowest first, in the order the platform
// lists them. A number above the menu's has no share in the dealing: it means
// its override, else the present device of that own number, else nothing.
//
// All functions are pure apart from portOverridesFromEnvironment, which reads
// the environment through the given lookup.
#pragma once

#include <string>
#include <vector>

#include "platform/serial.h"

// One port number's override; source None when the number has none.
struct PortOverride {
    std::string path;  // as the user wrote it; "none" leaves the number without a device
    std::string key;   // the platform's canonical form of path, to match a present device
    platform::SerialSource source = platform::SerialSource::None;
};

// The overrides of every number, indexed by port number (0 unused).
using PortOverrides = std::vector<PortOverride>;

// A serial device that is there now.
struct PresentPort {
    std::string path;   // what opening it takes ("/dev/ttyUSB0", "\\.\COM12")
    std::string key;    // canonical form, compared with PortOverride::key
    int ownNumber = 0;  // the number the system gave it (COM12 -> 12); 0: none
};

// No override for any number.
PortOverrides noPortOverrides();

// "COM3", "com12" (blanks around it allowed) -> 3, 12; 0 when text is no port
// key of kFirstSerialPort..kLastSerialPort.
int portKeyNumber(const std::string& text);

// Lays the "COM<n>=<path>" lines of a ports.conf text over `into`: '#' starts a
// comment, blanks around key and value do not count, other lines are skipped,
// a later line for the same number wins.
void readPortsConf(const std::string& text, PortOverrides& into);

// Lays the non-blank VANTREL_COM<n> variables over `into`; lookup returns a
// variable's value or nullptr (std::getenv's contract).
void portOverridesFromEnvironment(PortOverrides& into, const char* (*lookup)(const char*));

// What port number `port` means.
struct PortChoice {
    std::string path;  // empty: no device
    platform::SerialSource source = platform::SerialSource::None;
    int device = -1;   // index into the present list when the path is one of them, else -1
};
PortChoice choosePort(int port, const PortOverrides& overrides, const std::vector<PresentPort>& present);
