// Runs a test inside a fresh temporary current directory (natively and under Wine).
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempDirectory {
public:
    TempDirectory() : previous_(std::filesystem::current_path()) {
        // Unique across the test processes that run at the same time: creating a folder
        // that is already there fails, and the next name is tried.
        static unsigned counter = 0;
        const auto seed = std::chrono::steady_clock::now().time_since_epoch().count();
        do {
            path_ = std::filesystem::temp_directory_path() /
                    ("vt-test-" + std::to_string(seed) + "-" + std::to_string(++counter));
        } while (!std::filesystem::create_directory(path_));
        std::filesystem::current_path(path_);
    }
    ~TempDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
