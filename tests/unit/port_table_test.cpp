// Port numbers to devices: overrides, own numbers and the dealing of the rest.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/port_table.h"

namespace {

using platform::SerialSource;

PresentPort linuxDevice(const std::string& path) { return {path, path, 0}; }
PresentPort windowsPort(int n) {
    const std::string name = "COM" + std::to_string(n);
    return {"\\\\.\\" + name, name, n};
}

struct Case {
    const char* what;
    std::vector<PresentPort> present;
    std::string conf;                          // ports.conf text
    std::vector<std::pair<int, std::string>> expected;  // number -> path ("" for none)
};

TEST(PortTable, OverridesWinThenOwnNumbersThenTheRestLowestFirst) {
    const std::vector<Case> cases = {
        {"Linux: devices in the listed order",
         {linuxDevice("/dev/ttyUSB0"), linuxDevice("/dev/ttyACM0"), linuxDevice("/dev/ttyS0")},
         "",
         {{1, "/dev/ttyUSB0"}, {2, "/dev/ttyACM0"}, {3, "/dev/ttyS0"}, {4, ""}, {9, ""}}},
        {"Linux: an overridden number is skipped, a named device left out",
         {linuxDevice("/dev/ttyUSB0"), linuxDevice("/dev/ttyUSB1")},
         "COM1=/dev/pts/4\nCOM5=/dev/ttyUSB0\n",
         {{1, "/dev/pts/4"}, {2, "/dev/ttyUSB1"}, {3, ""}, {5, "/dev/ttyUSB0"}}},
        {"Windows: COM1..COM8 keep their number, the others fill the gaps",
         {windowsPort(3), windowsPort(12), windowsPort(15), windowsPort(4)},
         "",
         {{1, "\\\\.\\COM12"}, {2, "\\\\.\\COM15"}, {3, "\\\\.\\COM3"}, {4, "\\\\.\\COM4"}, {5, ""},
          {12, "\\\\.\\COM12"}, {13, ""}}},
        {"Windows: an override takes a port's own number, which is dealt anew",
         {windowsPort(1), windowsPort(2), windowsPort(9)},
         "com2 = \\\\.\\COM9  # the bench logger\nCOM3=none\n",
         {{1, "\\\\.\\COM1"}, {2, "\\\\.\\COM9"}, {3, ""}, {4, "\\\\.\\COM2"}, {9, "\\\\.\\COM9"}}},
        {"more devices than menu numbers: the last ones only by their own number",
         {windowsPort(10), windowsPort(11), windowsPort(12), windowsPort(13), windowsPort(14), windowsPort(15),
          windowsPort(16), windowsPort(17), windowsPort(18)},
         "COM200=\\\\.\\COM18\n",
         {{8, "\\\\.\\COM17"}, {18, "\\\\.\\COM18"}, {200, "\\\\.\\COM18"}, {256, ""}, {257, ""}, {0, ""}}},
    };
    for (const Case& c : cases) {
        PortOverrides overrides = noPortOverrides();
        readPortsConf(c.conf, overrides);
        for (PortOverride& o : overrides)  // Windows' key: the name without its prefix
            if (o.path.rfind("\\\\.\\", 0) == 0) o.key = o.path.substr(4);
        for (const auto& [number, path] : c.expected)
            EXPECT_EQ(choosePort(number, overrides, c.present).path, path) << c.what << ": COM" << number;
    }
}

const char* fakeEnvironment(const char* name) {
    if (std::strcmp(name, "VANTREL_COM2") == 0) return " /dev/pts/7 ";
    return std::strcmp(name, "VANTREL_COM3") == 0 ? "   " : nullptr;  // blank: not set
}

TEST(PortTable, TheEnvironmentLiesOverTheFileAndOnlyPortKeysCount) {
    PortOverrides overrides = noPortOverrides();
    readPortsConf("COM2=/dev/a\nCOM3=/dev/b\nCOM0=/dev/c\nCOM257=/dev/d\nCOM04=/dev/e\nCOM4 /dev/f\n", overrides);
    portOverridesFromEnvironment(overrides, fakeEnvironment);
    EXPECT_EQ(choosePort(2, overrides, {}).source, SerialSource::Environment);
    EXPECT_EQ(choosePort(2, overrides, {}).path, "/dev/pts/7");
    EXPECT_EQ(choosePort(3, overrides, {}).source, SerialSource::File);
    EXPECT_EQ(choosePort(4, overrides, {}).path, "") << "no key COM04, no line without '='";
    EXPECT_EQ(portKeyNumber(" com12\t"), 12);
}

}  // namespace
