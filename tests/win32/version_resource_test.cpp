// The version resource of both programs, read back as Explorer's Details and
// Task Manager read it. Skipped for a program that is not beside the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/text_win32.h"
#include "win32/support/program.h"

namespace {

TEST(VersionResource, BothProgramsCarryTheProjectVersionAndNames) {
    const struct {
        const wchar_t* file;
        const char* description;
    } programs[] = {{L"vantreldaq.exe", "VantrelDAQ"}, {L"vantreldaq-cli.exe", "VantrelDAQ command line tool"}};
    for (const auto& program : programs) {
        const std::string name = platform::win32::narrow(program.file);
        const std::wstring path = wintest::besideTest(program.file);
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        DWORD ignored = 0;
        std::vector<char> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        ASSERT_FALSE(block.empty()) << name << ": no version resource";
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO));
        const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
        EXPECT_EQ(std::to_string(HIWORD(fixed.dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed.dwFileVersionMS)) +
                      "." + std::to_string(HIWORD(fixed.dwFileVersionLS)) + "." +
                      std::to_string(LOWORD(fixed.dwFileVersionLS)),
                  VANTREL_VERSION_QUAD)
            << name;
        EXPECT_TRUE(fixed.dwProductVersionMS == fixed.dwFileVersionMS && fixed.dwProductVersionLS == fixed.dwFileVersionLS);
        const auto text = [&](const wchar_t* key) {
            const std::wstring at = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
            return VerQueryValueW(block.data(), at.c_str(), &value, &length) && value != nullptr
                       ? platform::win32::narrow(static_cast<const wchar_t*>(value))
                       : std::string();
        };
        EXPECT_EQ(text(L"FileVersion"), VANTREL_VERSION) << name;
        EXPECT_EQ(text(L"ProductVersion"), VANTREL_VERSION) << name;
        EXPECT_EQ(text(L"ProductName"), "VantrelDAQ") << name;
        EXPECT_EQ(text(L"FileDescription"), program.description) << name;
        EXPECT_EQ(text(L"OriginalFilename"), name);
    }
}

}  // namespace
