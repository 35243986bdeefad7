// Port numbers to devices: overrides, then the present devices dealt out.
#include "device/port_table.h"

#include <algorithm>

namespace {

using platform::SerialSource;

constexpr int kMenuPorts = platform::kLastMenuSerialPort;

std::string trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

bool validPort(int port) { return port >= platform::kFirstSerialPort && port <= platform::kLastSerialPort; }

// The menu numbers each present device takes, by the dealing rule; 0 for a
// device left without one. Devices an override names take none.
std::vector<int> dealt(const PortOverrides& overrides, const std::vector<PresentPort>& present) {
    std::vector<int> number(present.size(), 0);
    std::vector<bool> taken(kMenuPorts + 1, false);
    std::vector<bool> pinned(present.size(), false);
    for (int n = platform::kFirstSerialPort; n < static_cast<int>(overrides.size()); ++n) {
        if (overrides[n].source == SerialSource::None) continue;
        if (n <= kMenuPorts) taken[n] = true;
        for (std::size_t i = 0; i < present.size(); ++i)
            if (present[i].key == overrides[n].key) pinned[i] = true;
    }
    // Their own numbers first, so a port keeps its name whatever else is there.
    for (std::size_t i = 0; i < present.size(); ++i) {
        const int own = present[i].ownNumber;
        if (pinned[i] || own < platform::kFirstSerialPort || own > kMenuPorts || taken[own]) continue;
        number[i] = own;
        taken[own] = true;
    }
    int next = platform::kFirstSerialPort;
    for (std::size_t i = 0; i < present.size(); ++i) {
        if (pinned[i] || number[i] != 0) continue;
        while (next <= kMenuPorts && taken[next]) ++next;
        if (next > kMenuPorts) break;
        number[i] = next;
        taken[next] = true;
    }
    return number;
}

}  // namespace

PortOverrides noPortOverrides() { return PortOverrides(platform::kLastSerialPort + 1); }

int portKeyNumber(const std::string& text) {
    const std::string k = trim(text);
    if (k.size() < 4 || k.size() > 6) return 0;
    if ((k[0] | 0x20) != 'c' || (k[1] | 0x20) != 'o' || (k[2] | 0x20) != 'm' || k[3] == '0') return 0;
    int n = 0;
    for (std::size_t i = 3; i < k.size(); ++i) {
        if (k[i] < '0' || k[i] > '9') return 0;
        n = n * 10 + (k[i] - '0');
    }
    return validPort(n) ? n : 0;
}

void readPortsConf(const std::string& text, PortOverrides& into) {
    if (into.size() < static_cast<std::size_t>(platform::kLastSerialPort + 1)) into.resize(platform::kLastSerialPort + 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const int n = portKeyNumber(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (n == 0 || value.empty()) continue;
        into[n] = {value, value, SerialSource::File};
    }
}

void portOverridesFromEnvironment(PortOverrides& into, const char* (*lookup)(const char*)) {
    if (into.size() < static_cast<std::size_t>(platform::kLastSerialPort + 1)) into.resize(platform::kLastSerialPort + 1);
    for (int n = platform::kFirstSerialPort; n <= platform::kLastSerialPort; ++n) {
        const std::string name = "VANTREL_COM" + std::to_string(n);
        const char* value = lookup(name.c_str());
        if (value == nullptr) continue;
        const std::string v = trim(value);
        if (v.empty()) continue;
        into[n] = {v, v, SerialSource::Environment};
    }
}

PortChoice choosePort(int port, const PortOverrides& overrides, const std::vector<PresentPort>& present) {
    PortChoice choice;
    if (!validPort(port)) return choice;
    if (port < static_cast<int>(overrides.size()) && overrides[port].source != SerialSource::None) {
        const PortOverride& o = overrides[port];
        if (o.path == "none") return choice;
        choice.path = o.path;
        choice.source = o.source;
        for (std::size_t i = 0; i < present.size() && choice.device < 0; ++i)
            if (present[i].key == o.key) choice.device = static_cast<int>(i);
        return choice;
    }
    const std::vector<int> number = dealt(overrides, present);
    for (std::size_t i = 0; i < present.size(); ++i) {
        const bool mine = port <= kMenuPorts ? number[i] == port : present[i].ownNumber == port;
        if (!mine) continue;
        choice.path = present[i].path;
        choice.source = SerialSource::Automatic;
        choice.device = static_cast<int>(i);
        break;
    }
    return choice;
}
