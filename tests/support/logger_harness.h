// Plays the logger in-process for tests and benchmarks: a simulator on its own
// thread, standing on a COM number through VANTREL_COM<n>. Header-only so that
// only targets linked with the simulator library (every unit test and
// benchmark) pull it in.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "logger_sim.h"

namespace testsupport {

// The longest any test waits for something that should happen. Generous, so
// that a slow or sanitized build only ever takes longer, never fails.
inline constexpr int kPatienceMs = 120000;

// Polls pred every millisecond until it holds or timeoutMs passes.
template <typename Pred>
bool waitFor(Pred pred, int timeoutMs = kPatienceMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Points COM<port> at path for this process (empty: back to the other rules).
// Returns what the variable held before, to put back later.
inline std::string mapPort(int port, const std::string& path) {
    const std::string name = "VANTREL_COM" + std::to_string(port);
    const char* old = std::getenv(name.c_str());
    std::string previous = old != nullptr ? old : "";
    if (path.empty()) {
        ::unsetenv(name.c_str());
    } else {
        ::setenv(name.c_str(), path.c_str(), 1);
    }
    return previous;
}

// A simulated logger on COM<port>; stopped and unmapped on destruction.
struct LoggerOnPort {
    sim::Simulator* logger = nullptr;
    std::thread runner;
    int port = 0;
    int result = -1;  // simRun's result once it has returned
    std::string previousMapping;

    LoggerOnPort() = default;
    LoggerOnPort(const LoggerOnPort&) = delete;
    LoggerOnPort& operator=(const LoggerOnPort&) = delete;
    ~LoggerOnPort() { stop(); }

    // Returns false (with the reason in *error) if the pseudo-terminal cannot be made.
    bool start(const sim::Options& options, int comPort, std::string* error = nullptr) {
        stop();
        logger = sim::simCreate(options, error);
        if (logger == nullptr) return false;
        port = comPort;
        previousMapping = mapPort(port, sim::simDevicePath(logger));
        runner = std::thread([this] { result = sim::simRun(logger); });
        return true;
    }
    void stop() {
        if (logger == nullptr) return;
        sim::simRequestStop(logger);
        if (runner.joinable()) runner.join();
        sim::simDestroy(logger);
        logger = nullptr;
        mapPort(port, previousMapping);
    }
    const sim::Stats& stats() const { return sim::simStats(logger); }
    std::string path() const { return sim::simDevicePath(logger); }
};

// A pseudo-terminal without a logger on COM<port>: the test reads and writes
// the other end itself.
struct BarePty {
    int master = -1;
    std::string path;
    std::string previous;
    int port;
    explicit BarePty(int port) : port(port) {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0)
            return;
        path = name;
        previous = mapPort(port, path);
    }
    BarePty(const BarePty&) = delete;
    BarePty& operator=(const BarePty&) = delete;
    ~BarePty() {
        if (!path.empty()) mapPort(port, previous);
        if (master >= 0) close(master);
    }
    // Reads exactly n bytes from the master, waiting as long as the patience.
    std::vector<std::uint8_t> read(std::size_t n) const {
        std::vector<std::uint8_t> got;
        while (got.size() < n) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, kPatienceMs) <= 0) break;
            std::uint8_t buf[256];
            const ssize_t r = ::read(master, buf, std::min(sizeof buf, n - got.size()));
            if (r <= 0) break;
            got.insert(got.end(), buf, buf + r);
        }
        return got;
    }
    // True if nothing more arrives within ms.
    bool quietFor(int ms) const {
        pollfd p{master, POLLIN, 0};
        return poll(&p, 1, ms) == 0;
    }
};

}  // namespace testsupport
