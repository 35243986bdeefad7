// Port numbers to devices, and what an open does to the device.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/serial.h"
#include "support/logger_harness.h"

namespace {

using namespace platform;

int openDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Ports : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-ports-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        for (int n = 1; n <= 8; ++n) unsetenv(("VANTREL_COM" + std::to_string(n)).c_str());
    }
    void TearDown() override {
        for (int n = 1; n <= 8; ++n) unsetenv(("VANTREL_COM" + std::to_string(n)).c_str());
        unsetenv("VANTREL_COM11");
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string file() const { return dir + "/vantreldaq/ports.conf"; }
    std::string dir;
};

TEST_F(Ports, EnvironmentWinsOverTheFileWhichWinsOverTheAutomaticList) {
    EXPECT_EQ(serialOverrideFile(), file());
    ASSERT_EQ(serialSetOverride(3, "/dev/pts/9999"), 0);
    SerialPortInfo info = serialPortInfo(3);
    EXPECT_EQ(info.path, "/dev/pts/9999");
    EXPECT_EQ(info.source, SerialSource::File);
    EXPECT_FALSE(info.present);

    setenv("VANTREL_COM3", "/dev/null", 1);
    info = serialPortInfo(3);
    EXPECT_EQ(info.path, "/dev/null");
    EXPECT_EQ(info.source, SerialSource::Environment);
    EXPECT_TRUE(info.present) << "a character device exists there";

    setenv("VANTREL_COM3", "none", 1);
    EXPECT_EQ(serialDevicePath(3), "");
    EXPECT_FALSE(serialPortPresent(3));
}

TEST_F(Ports, TheOverrideFileKeepsOtherLinesAndRemovesOnlyItsOwnEntry) {
    ASSERT_EQ(system(("mkdir -p '" + dir + "/vantreldaq'").c_str()), 0);
    {
        std::ofstream out(file());
        out << "# my ports\n  com5 =  /dev/ttyUSB7  # the bench logger\nnot a port line\nCOM9=/dev/x\n";
    }
    EXPECT_EQ(serialDevicePath(5), "/dev/ttyUSB7") << "keys in any case, blanks and comments allowed";
    EXPECT_EQ(serialDevicePath(8), "") << "COM9 is no port of ours";

    ASSERT_EQ(serialSetOverride(3, "/dev/pts/41"), 0);
    ASSERT_EQ(serialSetOverride(3, "/dev/pts/42"), 0);  // replaces, never duplicates
    std::string text = readFile(file());
    EXPECT_NE(text.find("# my ports\n"), std::string::npos);
    EXPECT_NE(text.find("the bench logger"), std::string::npos);
    EXPECT_NE(text.find("not a port line\n"), std::string::npos);
    EXPECT_EQ(text.find("/dev/pts/41"), std::string::npos);
    EXPECT_EQ(serialDevicePath(3), "/dev/pts/42");

    // A simulator leaving removes its line only while the line is still its own.
    ASSERT_EQ(serialSetOverride(3, "", "/dev/pts/41"), 0);
    EXPECT_EQ(serialDevicePath(3), "/dev/pts/42");
    ASSERT_EQ(serialSetOverride(3, "", "/dev/pts/42"), 0);
    EXPECT_NE(serialPortInfo(3).source, SerialSource::File);
    EXPECT_EQ(serialDevicePath(5), "/dev/ttyUSB7");

    EXPECT_EQ(serialSetOverride(0, "/dev/x"), EINVAL);
    EXPECT_EQ(serialSetOverride(257, "/dev/x"), EINVAL);
    EXPECT_EQ(serialSetOverride(2, "/dev/x\nCOM1=/dev/y"), EINVAL);
}

TEST_F(Ports, AutomaticDevicesFillTheFreeNumbersInOrderAndSkipPinnedOnes) {
    std::vector<std::string> automatic;
    for (int n = 1; n <= 8; ++n) {
        const SerialPortInfo info = serialPortInfo(n);
        if (info.path.empty()) continue;
        EXPECT_EQ(info.source, SerialSource::Automatic);
        EXPECT_TRUE(info.present);
        EXPECT_EQ(serialDevicePath(n), info.path) << "the same answer every time";
        automatic.push_back(info.path);
    }
    // The automatic devices take the lowest numbers, without holes.
    for (std::size_t i = 0; i < automatic.size(); ++i) EXPECT_EQ(serialDevicePath(static_cast<int>(i) + 1), automatic[i]);
    if (automatic.empty()) GTEST_SKIP() << "no serial device on this machine to deal out";

    // Pinning COM1 elsewhere moves the first device to the next free number;
    // naming it under COM5 keeps it off every other number.
    setenv("VANTREL_COM1", "none", 1);
    EXPECT_EQ(serialDevicePath(2), automatic[0]);
    setenv("VANTREL_COM5", automatic[0].c_str(), 1);
    for (int n = 1; n <= 8; ++n)
        if (n != 5) {
            EXPECT_NE(serialDevicePath(n), automatic[0]) << n;
        }
}

TEST_F(Ports, DescriptionsNameTheDeviceAndWhereItsNumberCameFrom) {
    setenv("VANTREL_COM2", "/dev/null", 1);
    EXPECT_EQ(serialPortDescription(2), "/dev/null [VANTREL_COM2]");
    ASSERT_EQ(serialSetOverride(4, "/dev/zero"), 0);
    EXPECT_EQ(serialPortDescription(4), "/dev/zero [ports.conf]");
    setenv("VANTREL_COM6", "none", 1);
    EXPECT_EQ(serialPortDescription(6), "");
    // Above the menu's numbers only an override gives a device; COM1..COM256 exist.
    EXPECT_EQ(serialDevicePath(11), "");
    setenv("VANTREL_COM11", "/dev/null", 1);
    EXPECT_EQ(serialPortDescription(11), "/dev/null [VANTREL_COM11]");
    setenv("VANTREL_COM257", "/dev/null", 1);
    EXPECT_EQ(serialDevicePath(257), "");
    unsetenv("VANTREL_COM257");
    EXPECT_EQ(serialDevicePath(0), "");
    EXPECT_EQ(serialDevicePath(-3), "");
}

TEST_F(Ports, OpenRefusesWhatIsNotAUsableSerialPortAndLeavesNothingOpen) {
    const std::string plain = dir + "/plain-file";
    { std::ofstream(plain) << "x"; }
    const int fds = openDescriptors();
    int error = 0;

    setenv("VANTREL_COM2", plain.c_str(), 1);
    EXPECT_EQ(serialOpen(2, 57600, &error), kNoSerialHandle);
    EXPECT_EQ(error, ENOTTY);
    setenv("VANTREL_COM2", (dir + "/missing").c_str(), 1);
    EXPECT_EQ(serialOpen(2, 57600, &error), kNoSerialHandle);
    EXPECT_EQ(error, ENOENT);
    setenv("VANTREL_COM2", "none", 1);
    EXPECT_EQ(serialOpen(2, 57600, &error), kNoSerialHandle);
    EXPECT_EQ(error, ENOENT);

    testsupport::BarePty pty(3);
    ASSERT_FALSE(pty.path.empty());
    EXPECT_EQ(serialOpen(3, 12345, &error), kNoSerialHandle);
    EXPECT_EQ(error, EINVAL);
    EXPECT_EQ(openDescriptors(), fds + 1) << "only the test's own pseudo-terminal";
}

TEST_F(Ports, OpenSetsRaw8N1At57600WithoutFlowControlExclusively) {
    testsupport::BarePty pty(3);
    ASSERT_FALSE(pty.path.empty());
    // Another user of the line, there before us: it sees the settings we make.
    const int other = open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    termios cooked{};
    ASSERT_EQ(tcgetattr(other, &cooked), 0);
    cooked.c_cflag |= PARENB | CSTOPB | CRTSCTS;
    cooked.c_iflag |= IXON | IXOFF | ICRNL;
    cooked.c_lflag |= ICANON | ECHO;
    cfsetspeed(&cooked, B9600);
    ASSERT_EQ(tcsetattr(other, TCSANOW, &cooked), 0);

    int error = -1;
    const SerialHandle h = serialOpen(3, 57600, &error);
    ASSERT_NE(h, kNoSerialHandle);
    EXPECT_EQ(error, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(other, &t), 0);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B57600));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B57600));

    int exclusive = 0;
    ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    EXPECT_EQ(serialOpen(3, 57600, &error), kNoSerialHandle) << "a second open fails, even for root";
    EXPECT_EQ(error, EBUSY);
    ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1) << "the refused open left the holder's exclusive mode alone";

    serialClose(h);
    ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "exclusive mode must not outlive our use of the line";
    close(other);
}

TEST_F(Ports, TheStopSignalWakesEveryWaiterAndStaysRaised) {
    testsupport::BarePty pty(3);
    ASSERT_FALSE(pty.path.empty());
    const SerialHandle h = serialOpen(3, 57600, nullptr);
    ASSERT_NE(h, kNoSerialHandle);
    const SerialHandle stop = serialCreateStop();
    ASSERT_NE(stop, kNoSerialHandle);

    // Bytes waiting are read whole, in one call.
    const std::uint8_t hello[] = {1, 2, 3, 4, 5};
    ASSERT_EQ(write(pty.master, hello, sizeof hello), 5);
    std::uint8_t buf[64];
    int got = 0;
    while (got < 5) {
        const int n = serialRead(h, buf + got, static_cast<int>(sizeof buf) - got, stop);
        ASSERT_GT(n, 0);
        got += n;
    }
    EXPECT_EQ(buf[4], 5);

    EXPECT_FALSE(serialWaitStop(stop, 1)) << "a time limit ends the wait unraised";
    std::thread reader([&] { EXPECT_EQ(serialRead(h, buf, 64, stop), kSerialStopped); });
    std::thread waiter([&] { EXPECT_TRUE(serialWaitStop(stop)); });
    serialRaiseStop(stop);
    reader.join();
    waiter.join();
    EXPECT_EQ(serialRead(h, buf, 64, stop), kSerialStopped) << "still raised for a late waiter";
    serialCloseStop(stop);
    serialClose(h);
}

}  // namespace
