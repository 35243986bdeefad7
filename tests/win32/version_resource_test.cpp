// The version resource of both programs, read back as Explorer's Details and
// Task Manager read it: the fixed file and product version and the strings
// carry the project's version, the product name and a description. Skipped
// for a program that is not beside the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/text_win32.h"
#include "win32/support/program.h"

namespace {

struct Program {
    const wchar_t* file;
    const char* description;
};

class VersionResource : public ::testing::TestWithParam<Program> {};

// A string of the English (US), Unicode block, as UTF-8; "" when absent.
std::string versionString(std::vector<char>& block, const wchar_t* name) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), key.c_str(), &text, &length) || text == nullptr) return {};
    return platform::win32::narrow(static_cast<const wchar_t*>(text));
}

TEST_P(VersionResource, CarriesTheProjectVersionAndNames) {
    const std::wstring path = wintest::besideTest(GetParam().file);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "not built";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    void* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &fixed, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto& info = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    const std::string quad = std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
                             std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
                             std::to_string(HIWORD(info.dwFileVersionLS)) + "." +
                             std::to_string(LOWORD(info.dwFileVersionLS));
    EXPECT_EQ(quad, VANTREL_VERSION_QUAD);
    EXPECT_EQ(info.dwProductVersionMS, info.dwFileVersionMS);
    EXPECT_EQ(info.dwProductVersionLS, info.dwFileVersionLS);
    EXPECT_EQ(info.dwFileType, static_cast<DWORD>(VFT_APP));

    EXPECT_EQ(versionString(block, L"FileVersion"), VANTREL_VERSION);
    EXPECT_EQ(versionString(block, L"ProductVersion"), VANTREL_VERSION);
    EXPECT_EQ(versionString(block, L"ProductName"), "VantrelDAQ");
    EXPECT_EQ(versionString(block, L"FileDescription"), GetParam().description);
    EXPECT_EQ(versionString(block, L"OriginalFilename"), platform::win32::narrow(GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(Programs, VersionResource,
                         ::testing::Values(Program{L"vantreldaq.exe", "VantrelDAQ"},
                                           Program{L"vantreldaq-cli.exe", "VantrelDAQ command line tool"}),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return info.index == 0 ? std::string("WindowProgram") : std::string("CommandLineTool");
                         });

}  // namespace
