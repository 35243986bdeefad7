#include "support/temp_dir.h"

#include <stdlib.h>

#include <cstdio>
#include <random>
#include <stdexcept>
#include <system_error>

namespace test {

TempDir::TempDir(bool enter) {
#ifdef _WIN32
    // No mkdtemp: a random name, created exclusively (create_directory is false
    // when the folder was already there).
    std::random_device random;
    for (int attempt = 0; path_.empty(); ++attempt) {
        if (attempt == 100) throw std::runtime_error("no free temporary folder name");
        const auto candidate = std::filesystem::temp_directory_path() / ("vantrel-test-" + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
#endif
    if (enter) {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!previous_.empty()) std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string readFileBytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

namespace {

struct PrivateConfig {
    TempDir dir;
    PrivateConfig() {
#ifdef _WIN32
        _putenv_s("XDG_CONFIG_HOME", dir.path().string().c_str());
#else
        setenv("XDG_CONFIG_HOME", dir.path().string().c_str(), 1);
#endif
    }
};

PrivateConfig gPrivateConfig;

}  // namespace

const std::filesystem::path& privateConfigFolder() { return gPrivateConfig.dir.path(); }

}  // namespace test
