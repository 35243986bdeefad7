// Serial ports on Windows: COM<n> is the device \\.\COM<n> (the prefix works
// for every number, and is needed above COM9). The port is opened for
// overlapped I/O so that the reader and the writer thread can each wait on
// their own transfer and on the stop event at once; a synchronous handle
// would let a pending read hold up every write.
//
// Port numbers follow the Linux build's rules (device/port_table.h): the
// environment's VANTREL_COM<n>, then ports.conf in %APPDATA%\VantrelDAQ, then
// the ports Windows lists, so that an adapter on COM12 is reachable from the
// menu's COM1..COM8 without any setting.
#include <windows.h>

#include <devguid.h>
#include <setupapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/port_table.h"
#include "platform/serial.h"
#include "platform/win32/text_win32.h"

namespace platform {

namespace {

bool validPort(int port) { return port >= kFirstSerialPort && port <= kLastSerialPort; }

constexpr DWORD kIoBytes = 4096;       // most one overlapped transfer moves
constexpr DWORD kCancelWaitMs = 1000;  // how long a cancelled transfer may take to end

// The record of one overlapped transfer and the bytes it moves. It belongs to
// the port, not to the caller's stack: a driver that never completes a
// cancelled transfer may still write into it after the caller has gone, so a
// port left with such a transfer is never freed (see serialClose).
struct PortIo {
    OVERLAPPED ov{};
    std::uint8_t data[kIoBytes];
};

// An open port: the device, and a named mutex that stands for "this program
// holds it". Windows refuses a second CreateFile of a COM port by itself; the
// mutex makes that hold where the device layer does not (Wine's mapped
// pseudo-terminals, some virtual port drivers), as flock does on Linux.
// One reader thread uses `read`, one writer thread `write`.
struct OpenPort {
    HANDLE device = INVALID_HANDLE_VALUE;
    HANDLE holder = nullptr;
    PortIo read;
    PortIo write;
    std::atomic<bool> stuck{false};  // a cancelled transfer never ended: keep the records
};

OpenPort* portOf(SerialHandle h) { return reinterpret_cast<OpenPort*>(h); }
HANDLE handleOf(SerialHandle h) { return reinterpret_cast<HANDLE>(h); }

// Takes the holder mutex for a device; nullptr when another holder has it.
HANDLE takeHolder(const std::string& path) {
    std::wstring name = L"Local\\VantrelDAQ-port-";
    for (wchar_t c : win32::widen(path)) name += c == L'\\' ? L'_' : c;
    HANDLE m = CreateMutexW(nullptr, FALSE, name.c_str());
    if (m != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m);
        return nullptr;
    }
    return m;
}

// Whether a device name leads to something: QueryDosDevice knows every COM
// name Windows (or Wine's registry mapping) has given out.
bool dosDeviceExists(const std::string& path) {
    std::string name = path;
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    wchar_t target[512];
    return QueryDosDeviceW(win32::widen(name).c_str(), target, 512) != 0;
}

// The name Windows shows for the device behind a port ("COM3") in the Device
// Manager ("USB Serial Port (COM3)"), from the Ports class; empty when it
// knows none.
std::string friendlyName(const std::string& portName) {
    const std::wstring wanted = win32::widen(portName);
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return {};
    std::string found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; found.empty() && SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t portName[32] = {};
        DWORD size = sizeof portName - sizeof(wchar_t);
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(portName),
                                            &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (!named || _wcsicmp(portName, wanted.c_str()) != 0) continue;
        wchar_t name[256] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(name),
                                              sizeof name - sizeof(wchar_t), nullptr))
            found = win32::narrow(name);
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

int errnoFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EBUSY;  // a COM port is taken by whoever opened it first
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    default:
        return EIO;
    }
}

// A transfer ended by the driver rather than by us (ERROR_OPERATION_ABORTED):
// some drivers abort the pending read once when the machine wakes from sleep.
constexpr int kSerialAborted = -3;

// Waits for an overlapped transfer or the stop event. Returns the bytes moved,
// kSerialStopped (the transfer cancelled), kSerialAborted or kSerialFailed.
// A stopped transfer is cancelled and given a bounded time to end: a driver
// that never completes the cancel must not hang the close of the port.
int finishOverlapped(OpenPort& port, PortIo& io, HANDLE stop) {
    HANDLE events[2] = {io.ov.hEvent, stop};
    const DWORD count = stop != nullptr && stop != INVALID_HANDLE_VALUE ? 2 : 1;
    const DWORD r = WaitForMultipleObjects(count, events, FALSE, INFINITE);
    DWORD moved = 0;
    if (r != WAIT_OBJECT_0) {
        // Stopped, or the wait itself failed: either way the transfer must be
        // over before its record is used again.
        CancelIoEx(port.device, &io.ov);
        if (WaitForSingleObject(io.ov.hEvent, kCancelWaitMs) == WAIT_OBJECT_0) {
            GetOverlappedResult(port.device, &io.ov, &moved, FALSE);
        } else {
            port.stuck.store(true);
        }
        return r == WAIT_OBJECT_0 + 1 ? kSerialStopped : kSerialFailed;
    }
    if (!GetOverlappedResult(port.device, &io.ov, &moved, FALSE))
        return GetLastError() == ERROR_OPERATION_ABORTED ? kSerialAborted : kSerialFailed;
    return static_cast<int>(moved);
}

bool makeIo(PortIo& io) {
    io.ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return io.ov.hEvent != nullptr;
}

void freePort(OpenPort* p) {
    if (p->read.ov.hEvent != nullptr) CloseHandle(p->read.ov.hEvent);
    if (p->write.ov.hEvent != nullptr) CloseHandle(p->write.ov.hEvent);
    delete p;
}

// Starts one overlapped transfer of n bytes (at most kIoBytes) with io's
// record and waits for it: the bytes moved, or one of the codes above.
int transferOnce(OpenPort& port, PortIo& io, bool reading, DWORD n, HANDLE stop) {
    if (port.stuck.load()) return kSerialFailed;  // its record is still the driver's
    ResetEvent(io.ov.hEvent);
    io.ov.Offset = 0;
    io.ov.OffsetHigh = 0;
    DWORD moved = 0;
    const BOOL done = reading ? ReadFile(port.device, io.data, n, &moved, &io.ov)
                              : WriteFile(port.device, io.data, n, &moved, &io.ov);
    if (done) return static_cast<int>(moved);
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) return finishOverlapped(port, io, stop);
    return error == ERROR_OPERATION_ABORTED ? kSerialAborted : kSerialFailed;
}

}  // namespace

// ---- port numbers -------------------------------------------------------------

namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";  // what makes every COM number a device name

// The port name in a device path ("\\.\com12" -> "COM12"), the key by which
// overrides and listed ports are matched.
std::string portKey(const std::string& path) {
    std::string key = path.rfind(kDevicePrefix, 0) == 0 ? path.substr(4) : path;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

// The ports Windows lists in the registry (each serial driver enters its
// ports there), in the order of their numbers.
std::vector<PresentPort> listedPorts() {
    std::vector<PresentPort> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[64] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        const std::string port = portKey(win32::narrow(data));
        const int n = portKeyNumber(port);
        if (n == 0) continue;
        ports.push_back({kDevicePrefix + port, port, n});
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), [](const PresentPort& a, const PresentPort& b) { return a.ownNumber < b.ownNumber; });
    return ports;
}

// Reads a small text file whole (UTF-8 name); false if it cannot be read.
bool readSmallFile(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* f = _wfopen(win32::widen(path).c_str(), L"rb");
    if (f == nullptr) return false;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, n);
    std::fclose(f);
    return true;
}

// The overrides, file first and the environment on top; a bare "COM12"
// means the device \\.\COM12.
PortOverrides readOverrides() {
    PortOverrides o = noPortOverrides();
    std::string text;
    if (const std::string file = serialOverrideFile(); !file.empty() && readSmallFile(file, text)) readPortsConf(text, o);
    portOverridesFromEnvironment(o, [](const char* name) -> const char* { return std::getenv(name); });
    for (PortOverride& each : o) {
        if (each.source == SerialSource::None || each.path == "none") continue;
        if (portKeyNumber(each.path) != 0) each.path = kDevicePrefix + portKey(each.path);
        each.key = portKey(each.path);
    }
    return o;
}

// COM<n> by the rules above; the Device Manager's name only when asked, as
// looking it up walks every port device.
SerialPortInfo resolve(int port, bool withProduct) {
    SerialPortInfo info{{}, SerialSource::None, false, {}};
    if (!validPort(port)) return info;
    const PortOverrides overrides = readOverrides();
    const std::vector<PresentPort> listed = listedPorts();
    const PortChoice choice = choosePort(port, overrides, listed);
    info.path = choice.path;
    info.source = choice.source;
    if (info.path.empty() && overrides[port].source == SerialSource::None) {
        // Nothing listed for it: the port of that name, should it be there
        // after all (a driver that does not enter its ports in the list).
        info.path = kDevicePrefix + std::string("COM") + std::to_string(port);
        info.source = SerialSource::Automatic;
    }
    info.present = choice.device >= 0 || (!info.path.empty() && dosDeviceExists(info.path));
    if (withProduct && info.present && portKeyNumber(portKey(info.path)) != 0)
        info.product = friendlyName(portKey(info.path));
    return info;
}

}  // namespace

SerialPortInfo serialPortInfo(int port) { return resolve(port, true); }

std::string serialDevicePath(int port) { return resolve(port, false).path; }

bool serialPortPresent(int port) { return resolve(port, false).present; }

std::string serialPortDescription(int port) {
    const SerialPortInfo info = serialPortInfo(port);
    if (info.path.empty() || (info.source == SerialSource::Automatic && !info.present)) return {};
    // The Device Manager's name says the port's name too; else the port's name.
    std::string text = info.product;
    if (text.empty()) text = portKeyNumber(portKey(info.path)) != 0 ? portKey(info.path) : info.path;
    if (info.source == SerialSource::Environment) text += " [VANTREL_COM" + std::to_string(port) + "]";
    if (info.source == SerialSource::File) text += " [ports.conf]";
    return text;
}

// %APPDATA%\VantrelDAQ\ports.conf, beside the program's other per-user files.
std::string serialOverrideFile() {
    std::wstring folder;
    PWSTR known = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &known)) && known != nullptr)
        folder = known;
    CoTaskMemFree(known);
    if (folder.empty()) {
        std::vector<wchar_t> env(32768, L'\0');
        const DWORD n = GetEnvironmentVariableW(L"APPDATA", env.data(), static_cast<DWORD>(env.size()));
        if (n > 0 && n < env.size()) folder.assign(env.data(), n);
    }
    if (folder.empty()) return {};
    return win32::narrow((folder + L"\\VantrelDAQ\\ports.conf").c_str());
}


int serialSetOverride(int, const std::string&, const std::string&) { return ENOSYS; }

// ---- one open port ------------------------------------------------------------

SerialHandle serialOpen(int port, int baud, int* error) {
    int err = 0;
    const std::string path = serialDevicePath(port);
    HANDLE h = INVALID_HANDLE_VALUE;
    if (baud <= 0) {
        err = EINVAL;
    } else if (path.empty()) {
        err = ENOENT;
    } else {
        // No sharing: a COM port has one holder at a time.
        h = CreateFileW(win32::widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) err = errnoFor(GetLastError());
    }
    HANDLE holder = nullptr;
    if (err == 0 && (holder = takeHolder(path)) == nullptr) err = EBUSY;

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (err == 0 && !GetCommState(h, &dcb)) err = ENOTTY;
    if (err == 0) {
        dcb.BaudRate = static_cast<DWORD>(baud);
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        if (!SetCommState(h, &dcb)) err = EINVAL;
    }
    if (err == 0) {
        // A read waits for its first byte as long as it takes (the stop event
        // ends the wait), then completes with what came once the line pauses
        // for a few milliseconds or the buffer is full.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = 5;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = 0;
        if (!SetCommTimeouts(h, &timeouts)) err = EIO;
    }
    if (err == 0) {
        SetupComm(h, 65536, 4096);
        EscapeCommFunction(h, CLRDTR);
        EscapeCommFunction(h, CLRRTS);
        PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    }

    if (err != 0) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        if (holder != nullptr) CloseHandle(holder);
        if (error != nullptr) *error = err;
        return kNoSerialHandle;
    }
    auto* p = new OpenPort;
    p->device = h;
    p->holder = holder;
    if (!makeIo(p->read) || !makeIo(p->write)) {
        CloseHandle(h);
        CloseHandle(holder);
        freePort(p);
        if (error != nullptr) *error = ENOMEM;
        return kNoSerialHandle;
    }
    if (error != nullptr) *error = 0;
    return reinterpret_cast<SerialHandle>(p);
}

void serialClose(SerialHandle port) {
    if (port == kNoSerialHandle) return;
    OpenPort* p = portOf(port);
    CloseHandle(p->device);
    if (p->holder != nullptr) CloseHandle(p->holder);
    // A transfer whose cancel never completed may still be written to by the
    // driver: its few kilobytes are left allocated rather than risk that.
    if (!p->stuck.load()) freePort(p);
}

SerialHandle serialCreateStop() {
    HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset: stays raised
    return e == nullptr ? kNoSerialHandle : reinterpret_cast<SerialHandle>(e);
}

void serialRaiseStop(SerialHandle stop) {
    if (stop != kNoSerialHandle) SetEvent(handleOf(stop));
}

void serialCloseStop(SerialHandle stop) {
    if (stop != kNoSerialHandle) CloseHandle(handleOf(stop));
}

int serialRead(SerialHandle port, std::uint8_t* buffer, int capacity, SerialHandle stop) {
    if (port == kNoSerialHandle || buffer == nullptr || capacity <= 0) return kSerialFailed;
    OpenPort& p = *portOf(port);
    const DWORD most = static_cast<DWORD>(capacity) < kIoBytes ? static_cast<DWORD>(capacity) : kIoBytes;
    for (int attempt = 0;; ++attempt) {
        if (stop != kNoSerialHandle && WaitForSingleObject(handleOf(stop), 0) == WAIT_OBJECT_0) return kSerialStopped;
        // Ask for exactly what is waiting, so the read completes at once; with
        // nothing waiting, for one byte, so it completes as that byte lands. A
        // larger read would stay open while the line keeps streaming, and the
        // driver (or Wine) would wake for every few bytes until it filled.
        COMSTAT status{};
        DWORD errors = 0;
        DWORD n = 1;
        if (ClearCommError(p.device, &errors, &status) && status.cbInQue > 0)
            n = status.cbInQue < most ? status.cbInQue : most;
        const int got = transferOnce(p, p.read, true, n, handleOf(stop));
        if (got > 0) {
            std::memcpy(buffer, p.read.data, static_cast<std::size_t>(got));
            return got;
        }
        if (got == kSerialStopped) return got;
        // A driver that aborts a pending read (after the machine slept, or on
        // a line error) has its error state cleared and is asked once more;
        // a second abort in a row means the device is not coming back.
        if (got == kSerialAborted && attempt == 0) {
            ClearCommError(p.device, nullptr, nullptr);
            continue;
        }
        // A read waits for its first byte without limit, so one that ends
        // empty was ended by the driver: the device went away.
        return kSerialFailed;
    }
}

bool serialWaitStop(SerialHandle stop, int timeoutMs) {
    if (stop == kNoSerialHandle) return true;  // nothing could ever raise it
    const DWORD r = WaitForSingleObject(handleOf(stop), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    return r != WAIT_TIMEOUT;
}

int serialWrite(SerialHandle port, const std::uint8_t* bytes, int n, SerialHandle stop) {
    if (port == kNoSerialHandle || (bytes == nullptr && n > 0)) return kSerialFailed;
    OpenPort& p = *portOf(port);
    int done = 0;
    while (done < n) {
        const DWORD chunk = static_cast<DWORD>(n - done) < kIoBytes ? static_cast<DWORD>(n - done) : kIoBytes;
        std::memcpy(p.write.data, bytes + done, chunk);
        const int w = transferOnce(p, p.write, false, chunk, handleOf(stop));
        if (w == kSerialStopped) {
            PurgeComm(p.device, PURGE_TXABORT | PURGE_TXCLEAR);
            return kSerialStopped;
        }
        if (w < 0) return kSerialFailed;
        done += w;
    }
    return n;
}

}  // namespace platform
