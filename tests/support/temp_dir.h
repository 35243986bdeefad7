// A fresh private directory for a test, removed with everything in it when the
// object goes out of scope. Optionally the process works inside it meanwhile
// (for files the program keeps in its current directory).
#pragma once

#include <filesystem>
#include <string>

namespace test {

class TempDir {
public:
    explicit TempDir(bool enter = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// Whole file as bytes ("" when it cannot be read) and a file from bytes.
std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

// The per-process folder XDG_CONFIG_HOME points to from start-up on, so that
// what a test saves without a folder of its own (the dialogs' last folders)
// never reaches the user's own preferences. Removed at exit.
const std::filesystem::path& privateConfigFolder();

}  // namespace test
