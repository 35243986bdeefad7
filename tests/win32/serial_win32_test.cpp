// The serial port over Win32 against a live device: COM1 mapped by Wine onto
// the logger simulator's pseudo-terminal, the simulator silent. Only
// scripts/test_windows.sh sets that up (VANTREL_TEST_LIVE_COM1=1); elsewhere
// the cases that need it skip.
#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial.h"

namespace {

bool liveCom1() {
    const char* v = std::getenv("VANTREL_TEST_LIVE_COM1");
    return v != nullptr && std::string(v) == "1";
}

TEST(SerialWin32, PortsWithoutADeviceFailToOpenWithTheirReason) {
    int error = 0;
    _putenv_s("VANTREL_COM2", "none");
    EXPECT_EQ(platform::serialOpen(2, 57600, &error), platform::kNoSerialHandle);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(platform::serialDevicePath(2), "");
    _putenv_s("VANTREL_COM2", "");
    EXPECT_EQ(platform::serialDevicePath(2), "\\\\.\\COM2");
    EXPECT_EQ(platform::serialOpen(9, 57600, &error), platform::kNoSerialHandle);
    EXPECT_EQ(error, ENOENT) << "no COM9 is there";
    EXPECT_EQ(platform::serialOpen(257, 57600, &error), platform::kNoSerialHandle);
    EXPECT_EQ(error, ENOENT) << "COM257 is outside the numbers";
}

// Stands in for the serial drivers: the registry's list of ports holds the
// given ones only. Wine makes the list anew when its server starts.
bool listPorts(const std::vector<int>& numbers) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    for (const int n : numbers) {
        const std::wstring name = L"\\Device\\Serial" + std::to_wstring(n - 1), data = L"COM" + std::to_wstring(n);
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return true;
}

TEST(SerialWin32, ListedPortsKeepTheirNumbersAndAdaptersAboveCom8FillTheGaps) {
    const std::string conf = platform::serialOverrideFile();
    ASSERT_NE(conf.find("\\VantrelDAQ\\ports.conf"), std::string::npos) << conf;
    ASSERT_TRUE(listPorts({15, 3, 12}));
    const std::string com3 = "\\\\.\\COM3", com12 = "\\\\.\\COM12", com15 = "\\\\.\\COM15";
    EXPECT_EQ(platform::serialDevicePath(1), com12);
    EXPECT_EQ(platform::serialDevicePath(2), com15);
    EXPECT_EQ(platform::serialDevicePath(3), com3);
    EXPECT_EQ(platform::serialDevicePath(12), com12) << "its own number reaches it too";
    EXPECT_TRUE(platform::serialPortPresent(1));
    EXPECT_EQ(platform::serialPortDescription(1), "COM12") << "no Device Manager name: the port's";
    EXPECT_EQ(platform::serialDevicePath(4), "\\\\.\\COM4");
    EXPECT_FALSE(platform::serialPortPresent(4));
    EXPECT_EQ(platform::serialPortDescription(4), "") << "nothing there";

    // ports.conf pins COM3 on 1: the others move up into the free numbers.
    const std::wstring folder(conf.begin(), conf.end() - 11);
    const bool made = CreateDirectoryW(folder.c_str(), nullptr) != FALSE;  // removed again: not ours
    std::FILE* f = _wfopen(std::wstring(conf.begin(), conf.end()).c_str(), L"wb");
    ASSERT_NE(f, nullptr) << conf;
    std::fputs("# test\r\ncom1 = COM3\r\n", f);
    std::fclose(f);
    EXPECT_EQ(platform::serialDevicePath(1), com3);
    EXPECT_EQ(platform::serialPortDescription(1), "COM3 [ports.conf]");
    EXPECT_EQ(platform::serialDevicePath(2), com12);
    EXPECT_EQ(platform::serialDevicePath(3), com15);
    // The environment wins over the file.
    _putenv_s("VANTREL_COM1", "\\\\.\\COM15");
    EXPECT_EQ(platform::serialDevicePath(1), com15);
    EXPECT_EQ(platform::serialPortInfo(1).source, platform::SerialSource::Environment);
    EXPECT_EQ(platform::serialDevicePath(3), com3) << "COM3 is free again, and keeps its number";
    _putenv_s("VANTREL_COM1", "");
    DeleteFileW(std::wstring(conf.begin(), conf.end()).c_str());
    if (made) RemoveDirectoryW(folder.c_str());
    listPorts({1});  // as Wine lists the COM1 the live cases use
}

TEST(SerialWin32, ThePortIsExclusiveAndAStopEndsABlockedReadAndWrite) {
    if (!liveCom1()) GTEST_SKIP() << "needs COM1 mapped onto a silent logger";
    int error = -1;
    const platform::SerialHandle port = platform::serialOpen(1, 57600, &error);
    ASSERT_NE(port, platform::kNoSerialHandle) << error;
    EXPECT_EQ(error, 0);

    int second = 0;
    EXPECT_EQ(platform::serialOpen(1, 57600, &second), platform::kNoSerialHandle);
    EXPECT_EQ(second, EBUSY) << "a COM port has one holder";

    // A write the line takes at once.
    const std::uint8_t ping[2] = {0x55, 0xAA};
    const platform::SerialHandle stop = platform::serialCreateStop();
    ASSERT_NE(stop, platform::kNoSerialHandle);
    EXPECT_EQ(platform::serialWrite(port, ping, 2, stop), 2);

    // The logger says nothing: the reader waits until the stop is raised,
    // and every later wait sees the stop at once.
    std::uint8_t buffer[64];
    auto reader = std::async(std::launch::async, [&] { return platform::serialRead(port, buffer, 64, stop); });
    EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    platform::serialRaiseStop(stop);
    EXPECT_EQ(reader.get(), platform::kSerialStopped);
    EXPECT_EQ(platform::serialRead(port, buffer, 64, stop), platform::kSerialStopped);
    EXPECT_TRUE(platform::serialWaitStop(stop, 0));

    platform::serialCloseStop(stop);
    platform::serialClose(port);
    const platform::SerialHandle again = platform::serialOpen(1, 57600, &error);
    EXPECT_NE(again, platform::kNoSerialHandle) << "closing gives the port back";
    platform::serialClose(again);
}

// The logger takes nothing in (its process is held still): a long write fills
// the line and blocks. Closing the port (stop, then close) must end it at
// once, and the port must be usable again afterwards.
TEST(SerialWin32, ABlockedWriteEndsWhenThePortIsClosed) {
    if (!liveCom1()) GTEST_SKIP() << "needs COM1 mapped onto a logger that reads nothing";
    int error = -1;
    const platform::SerialHandle port = platform::serialOpen(1, 57600, &error);
    ASSERT_NE(port, platform::kNoSerialHandle) << error;
    const platform::SerialHandle stop = platform::serialCreateStop();
    ASSERT_NE(stop, platform::kNoSerialHandle);

    const std::vector<std::uint8_t> flood(4 << 20, 0x55);
    auto writer = std::async(std::launch::async, [&] {
        return platform::serialWrite(port, flood.data(), static_cast<int>(flood.size()), stop);
    });
    ASSERT_EQ(writer.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout)
        << "the write should wait for a line that takes nothing";
    const auto asked = std::chrono::steady_clock::now();
    platform::serialRaiseStop(stop);
    ASSERT_EQ(writer.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the stop must end the write";
    EXPECT_EQ(writer.get(), platform::kSerialStopped);
    platform::serialClose(port);
    platform::serialCloseStop(stop);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(3));

    const platform::SerialHandle again = platform::serialOpen(1, 57600, &error);
    EXPECT_NE(again, platform::kNoSerialHandle) << "closing gives the port back";
    platform::serialClose(again);
}

}  // namespace
