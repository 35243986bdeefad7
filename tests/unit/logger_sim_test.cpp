// The logger simulator itself: it keeps to the logger's frames and codes, and
// the program registers and unregisters its COM number.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/serial.h"
#include "support/logger_harness.h"

extern char** environ;

namespace {

std::vector<std::uint8_t> frame(std::uint16_t code) {
    const std::uint8_t c[4] = {static_cast<std::uint8_t>((code >> 8 & 0xF0) + 1),
                               static_cast<std::uint8_t>(((code >> 8 & 0x0F) << 4) + 1),
                               static_cast<std::uint8_t>((code & 0xF0) + 1),
                               static_cast<std::uint8_t>(((code & 0x0F) << 4) + 1)};
    return {c[0], c[1], c[2], c[3], static_cast<std::uint8_t>(c[0] + c[1] + c[2] + c[3]), 0x0D};
}

// Talks to the simulator over its pseudo-terminal like the program would and
// returns the first `count` lines it sends back (0xFF fill removed).
std::vector<std::vector<std::uint8_t>> exchange(const sim::Options& o, const std::vector<std::uint16_t>& codes,
                                                std::size_t count) {
    testsupport::LoggerOnPort logger;
    std::string error;
    EXPECT_TRUE(logger.start(o, 6, &error)) << error;
    const int fd = open(logger.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    for (std::uint16_t c : codes) {
        const auto f = frame(c);
        EXPECT_EQ(write(fd, f.data(), f.size()), 6);
    }
    std::vector<std::vector<std::uint8_t>> lines(1);
    std::uint8_t buf[4096];
    while (lines.size() <= count) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, testsupport::kPatienceMs) <= 0) break;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == 0xFF) continue;
            if (buf[i] == 0x0D) {
                lines.emplace_back();
            } else {
                lines.back().push_back(buf[i]);
            }
        }
    }
    lines.pop_back();  // the line after the last carriage return
    close(fd);
    return lines;
}

// Decodes a line the way the logger's frames are built; -1 if it is no frame.
long decode(const std::vector<std::uint8_t>& l) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < l.size(); ++i) sum = static_cast<std::uint8_t>(sum + l[i]);
    if (l.size() < 2 || sum != l.back()) return -1;
    if (l.size() == 5) return ((l[0] & 0xF0) | (l[1] >> 4)) << 8 | (l[2] & 0xF0) | (l[3] >> 4);
    if (l.size() == 3) return (l[0] & 0xF0) | (l[1] >> 4);
    return -1;
}

TEST(LoggerSim, TheLargestCountItConfirmsStillTravelsAsCountCodes) {
    sim::Options o;
    o.pace = sim::Pace::Fast;
    o.confirmOffset = 20000000;  // far beyond anything a count can carry
    EXPECT_EQ(sim::confirmedCount(o, 5), sim::kMaxCount);
    const auto lines = exchange(o, {59000, 59300, 59600 + 1}, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(decode(lines[0]), 59000 + 255);
    EXPECT_EQ(decode(lines[1]), 59300 + 255);
    EXPECT_EQ(decode(lines[2]), 59699) << "byte 99, not a sample time code";

    o.confirmFixed = sim::kMaxCount + 1;
    EXPECT_FALSE(sim::checkOptions(o).empty());
}

TEST(LoggerSim, TheProgramRegistersItsPortAndRemovesItOnExit) {
    char pattern[] = "/tmp/vantrel-sim-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    unsetenv("VANTREL_COM4");
    ASSERT_EQ(platform::serialSetOverride(2, "/dev/someone-elses"), 0);

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    std::string prog = VANTREL_LOGGER_SIM;
    std::string a1 = "--com";
    std::string a2 = "4";
    char* argv[] = {prog.data(), a1.data(), a2.data(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;

    const std::string device = platform::serialDevicePath(4);
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << line;
    EXPECT_NE(line.find(device), std::string::npos) << line;
    EXPECT_TRUE(platform::serialPortPresent(4));

    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(platform::serialPortInfo(4).source, platform::SerialSource::File) << "its line is gone";
    EXPECT_EQ(platform::serialDevicePath(2), "/dev/someone-elses") << "other lines stay";
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

}  // namespace
