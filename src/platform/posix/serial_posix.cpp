// Serial ports on Linux: the COM-number mapping and raw, exclusive port I/O
// woken by an eventfd.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/port_table.h"
#include "platform/files.h"
#include "platform/serial.h"

namespace platform {

namespace {

bool validPort(int port) { return port >= kFirstSerialPort && port <= kLastSerialPort; }

std::string trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// Reads a small text file whole; false if it cannot be read.
bool readSmallFile(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* f = std::fopen(path.c_str(), "re");
    if (f == nullptr) return false;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, n);
    std::fclose(f);
    return true;
}

// The overrides of all ports: from the file first, then the environment on top.
PortOverrides readOverrides() {
    PortOverrides o = noPortOverrides();
    std::string text;
    if (readSmallFile(serialOverrideFile(), text)) readPortsConf(text, o);
    portOverridesFromEnvironment(o, [](const char* name) -> const char* { return std::getenv(name); });
    return o;
}

bool isCharDevice(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A built-in port node exists whether or not a UART answers behind it; the
// serial core reports the UART type (0: none found) in sysfs.
bool builtInPortHasUart(const std::string& name) {
    std::string text;
    if (!readSmallFile("/sys/class/tty/" + name + "/type", text)) return false;
    return std::atoi(text.c_str()) != 0;
}

// The present serial devices in the documented order.
std::vector<std::string> automaticDevices() {
    struct Entry {
        int group;
        long number;
        std::string name;
    };
    std::vector<Entry> found;
    static const char* const kPrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};
    if (DIR* d = ::opendir("/dev")) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            for (int g = 0; g < 3; ++g) {
                const std::size_t plen = std::strlen(kPrefixes[g]);
                if (name.size() <= plen || name.compare(0, plen, kPrefixes[g]) != 0) continue;
                const std::string digits = name.substr(plen);
                if (digits.size() > 6 ||
                    !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                    continue;
                if (!isCharDevice("/dev/" + name)) continue;
                if (g == 2 && !builtInPortHasUart(name)) continue;
                found.push_back({g, std::atol(digits.c_str()), name});
            }
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });
    std::vector<std::string> paths;
    for (const Entry& e : found) paths.push_back("/dev/" + e.name);
    return paths;
}

// Canonical form of a device path for comparing an override with the list.
std::string canonical(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    return path;
}

// The USB product string of a tty, looked up in sysfs from the device's name.
std::string usbProduct(const std::string& devicePath) {
    const std::string real = canonical(devicePath);
    const std::size_t slash = real.rfind('/');
    const std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
    char buf[PATH_MAX];
    if (::realpath(("/sys/class/tty/" + name + "/device").c_str(), buf) == nullptr) return {};
    std::string dir = buf;
    for (int up = 0; up < 4 && dir.size() > 1; ++up) {
        std::string text;
        if (readSmallFile(dir + "/product", text)) {
            text = trim(text.substr(0, text.find('\n')));
            return text;
        }
        dir.resize(dir.rfind('/'));
    }
    return {};
}

// Canonical names let an override written as a link (/dev/serial/by-id/...)
// keep its device out of the automatic list.
SerialPortInfo resolve(int port) {
    SerialPortInfo info{{}, SerialSource::None, false, {}};
    if (!validPort(port)) return info;
    PortOverrides o = readOverrides();
    for (PortOverride& each : o)
        if (each.source != SerialSource::None) each.key = canonical(each.path);
    std::vector<PresentPort> present;
    for (const std::string& p : automaticDevices()) present.push_back({p, canonical(p), 0});
    const PortChoice choice = choosePort(port, o, present);
    info.path = choice.path;
    info.source = choice.source;
    if (!info.path.empty()) {
        info.present = isCharDevice(info.path);
        if (info.present) info.product = usbProduct(info.path);
    }
    return info;
}

int retryOpen(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool speedFor(int baud, speed_t& speed) {
    static constexpr struct {
        int baud;
        speed_t speed;
    } kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
                   {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200},
                   {230400, B230400}};
    for (const auto& s : kSpeeds) {
        if (s.baud == baud) {
            speed = s.speed;
            return true;
        }
    }
    return false;
}

int fdOf(SerialHandle h) { return static_cast<int>(h); }

}  // namespace

// ---- port numbers -------------------------------------------------------------

SerialPortInfo serialPortInfo(int port) { return resolve(port); }

std::string serialDevicePath(int port) { return resolve(port).path; }

bool serialPortPresent(int port) { return resolve(port).present; }

std::string serialPortDescription(int port) {
    const SerialPortInfo info = resolve(port);
    if (info.path.empty()) return {};
    std::string d = info.path;
    if (!info.product.empty()) d += " (" + info.product + ")";
    if (info.source == SerialSource::Environment) d += " [VANTREL_COM" + std::to_string(port) + "]";
    if (info.source == SerialSource::File) d += " [ports.conf]";
    return d;
}

std::string serialOverrideFile() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/vantreldaq/ports.conf";
}

int serialSetOverride(int port, const std::string& path, const std::string& onlyIfPath) {
    if (!validPort(port) || path.find('\n') != std::string::npos) return EINVAL;
    const std::string file = serialOverrideFile();
    const std::string dir = file.substr(0, file.rfind('/'));
    const std::string parent = dir.substr(0, dir.rfind('/'));
    if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errno;

    // One writer at a time across processes; the lock file outlives us harmlessly.
    const int lock = retryOpen((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return errno;
    int rc;
    do rc = ::flock(lock, LOCK_EX);
    while (rc != 0 && errno == EINTR);

    std::string text;
    readSmallFile(file, text);
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t eq = line.find('=');
        const std::size_t hash = line.find('#');
        if (eq != std::string::npos && (hash == std::string::npos || eq < hash) &&
            portKeyNumber(line.substr(0, eq)) == port) {
            std::string value = line.substr(eq + 1);
            if (hash != std::string::npos) value.resize(hash - eq - 1);
            if (!onlyIfPath.empty() && trim(value) != onlyIfPath) {
                out += line + "\n";  // someone else has taken this port since
            }
            continue;
        }
        out += line + "\n";
    }
    if (!path.empty()) out += "COM" + std::to_string(port) + "=" + path + "\n";

    int result = 0;
    const std::string temp = file + ".tmp" + std::to_string(::getpid());
    const int fd = retryOpen(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        result = errno;
    } else {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t w = ::write(fd, out.data() + done, out.size() - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                result = w < 0 ? errno : EIO;
                break;
            }
            done += static_cast<std::size_t>(w);
        }
        // On disc before the rename, and the rename synced with its folder: a
        // power cut leaves the old map or the new one, never an empty file.
        while (result == 0 && ::fsync(fd) != 0)
            if (errno != EINTR) result = errno;
        if (::close(fd) != 0 && result == 0) result = errno;
        if (result == 0) result = platform::renameReplacing(temp.c_str(), file.c_str());
        if (result != 0) ::unlink(temp.c_str());
    }
    ::close(lock);  // releases the flock
    return result;
}

// ---- one open port ------------------------------------------------------------

SerialHandle serialOpen(int port, int baud, int* error) {
    int err = 0;
    int fd = -1;
    speed_t speed{};
    const std::string path = serialDevicePath(port);
    if (!speedFor(baud, speed)) {
        err = EINVAL;
    } else if (path.empty()) {
        err = ENOENT;
    } else {
        // Non-blocking: the open must not wait for a carrier, and all waiting is
        // done in poll() where the stop signal can end it.
        fd = retryOpen(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) err = errno;
    }

    int rc = 0;
    if (fd >= 0 && !::isatty(fd)) err = ENOTTY;
    // flock first: it holds even against root, which TIOCEXCL does not stop.
    if (fd >= 0 && err == 0) {
        do rc = ::flock(fd, LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) err = errno == EWOULDBLOCK ? EBUSY : errno;
    }
    bool exclusive = false;
    if (fd >= 0 && err == 0) {
        if (::ioctl(fd, TIOCEXCL) != 0) {
            err = errno;
        } else {
            exclusive = true;
        }
    }

    termios tio{};
    if (fd >= 0 && err == 0 && ::tcgetattr(fd, &tio) != 0) err = errno;
    if (fd >= 0 && err == 0) {
        ::cfmakeraw(&tio);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNPAR);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) err = EINVAL;
    }
    if (fd >= 0 && err == 0) {
        do rc = ::tcsetattr(fd, TCSANOW, &tio);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) err = errno;
    }
    if (fd >= 0 && err == 0) {
        // tcsetattr succeeds if any one setting took; check the ones we need.
        termios now{};
        if (::tcgetattr(fd, &now) != 0) {
            err = errno;
        } else if ((now.c_cflag & CSIZE) != CS8 || (now.c_cflag & (PARENB | CSTOPB | CRTSCTS)) != 0 ||
                   ::cfgetospeed(&now) != speed) {
            err = EINVAL;
        }
    }
    if (fd >= 0 && err == 0) {
        // DTR and RTS held off. A pseudo-terminal has no modem lines and refuses
        // this; that is not a reason to fail.
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &lines);
        ::tcflush(fd, TCIOFLUSH);
    }

    if (err != 0) {
        if (fd >= 0) {
            // Only our own exclusive mode: a refused second open must not lift
            // the first holder's.
            if (exclusive) ::ioctl(fd, TIOCNXCL);
            ::close(fd);
        }
        if (error != nullptr) *error = err;
        return kNoSerialHandle;
    }
    if (error != nullptr) *error = 0;
    return fd;
}

void serialClose(SerialHandle port) {
    if (port == kNoSerialHandle) return;
    // Exclusive mode belongs to the terminal, not to this descriptor: leaving it
    // set would lock out the next open by anyone who is not root.
    ::ioctl(fdOf(port), TIOCNXCL);
    ::close(fdOf(port));  // never retried: on Linux the descriptor is gone either way
}

SerialHandle serialCreateStop() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd < 0 ? kNoSerialHandle : fd;
}

void serialRaiseStop(SerialHandle stop) {
    if (stop == kNoSerialHandle) return;
    const std::uint64_t one = 1;
    ssize_t w;
    do w = ::write(fdOf(stop), &one, sizeof one);
    while (w < 0 && errno == EINTR);
}

void serialCloseStop(SerialHandle stop) {
    if (stop != kNoSerialHandle) ::close(fdOf(stop));
}

int serialRead(SerialHandle port, std::uint8_t* buffer, int capacity, SerialHandle stop) {
    if (port == kNoSerialHandle || buffer == nullptr || capacity <= 0) return kSerialFailed;
    for (;;) {
        pollfd p[2] = {{fdOf(port), POLLIN, 0}, {fdOf(stop), POLLIN, 0}};
        const int r = ::poll(p, 2, -1);
        if (r < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return kSerialFailed;
        }
        if (p[1].revents != 0) return kSerialStopped;
        if ((p[0].revents & POLLIN) != 0) {
            const ssize_t n = ::read(fdOf(port), buffer, static_cast<std::size_t>(capacity));
            if (n > 0) return static_cast<int>(n);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            return kSerialFailed;  // 0: hung up; otherwise a device error
        }
        if ((p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return kSerialFailed;
    }
}

bool serialWaitStop(SerialHandle stop, int timeoutMs) {
    if (stop == kNoSerialHandle) return true;  // nothing could ever raise it
    for (;;) {
        pollfd p{fdOf(stop), POLLIN, 0};
        const int r = ::poll(&p, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR && errno != EAGAIN) return true;
    }
}

int serialWrite(SerialHandle port, const std::uint8_t* bytes, int n, SerialHandle stop) {
    if (port == kNoSerialHandle || (bytes == nullptr && n > 0)) return kSerialFailed;
    int done = 0;
    while (done < n) {
        const ssize_t w = ::write(fdOf(port), bytes + done, static_cast<std::size_t>(n - done));
        if (w > 0) {
            done += static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN) return kSerialFailed;
        // No room in the driver: wait for some, or for the stop signal.
        pollfd p[2] = {{fdOf(port), POLLOUT, 0}, {fdOf(stop), POLLIN, 0}};
        const int r = ::poll(p, 2, -1);
        if (r < 0 && errno != EINTR && errno != EAGAIN) return kSerialFailed;
        if (r > 0 && p[1].revents != 0) {
            ::tcflush(fdOf(port), TCOFLUSH);
            return kSerialStopped;
        }
        if (r > 0 && (p[0].revents & POLLOUT) == 0 && (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return kSerialFailed;
    }
    return n;
}

}  // namespace platform
