// The working directory of a test that starts the program itself: a fresh
// directory, entered, where the settings file is read and written
// (XDG_CONFIG_HOME points there too), with every COM number leading to no
// device, so that every port open fails alike on any machine. Left and
// removed with everything in it on destruction.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

#ifdef _WIN32
// The C runtime on Windows has _putenv_s instead.
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
#endif

namespace test {

class ProgramDir : public TempDir {
public:
    ProgramDir() : TempDir(true) {
        setenv("XDG_CONFIG_HOME", path().string().c_str(), 1);
        for (int n = 1; n <= 8; ++n) setenv(("VANTREL_COM" + std::to_string(n)).c_str(), "none", 1);
    }
    std::filesystem::path settingsFile() const { return path() / "DAQSetup.cnf"; }
};

// A 282-byte settings file: port at offset 0, language at 260, little-endian.
inline std::string settingsBytes(std::uint16_t port, std::uint16_t language) {
    std::string b(282, '\0');
    b[0] = static_cast<char>(port & 0xFF);
    b[1] = static_cast<char>(port >> 8);
    b[260] = static_cast<char>(language & 0xFF);
    b[261] = static_cast<char>(language >> 8);
    return b;
}

}  // namespace test
