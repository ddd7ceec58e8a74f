#pragma once
// A fresh folder under the system's temporary folder for one test, removed
// with all it holds when the test ends.

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

class TempFolder {
public:
    TempFolder()
    {
        // A name no other folder has: made only if it is not there yet.
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int tries = 0; tries < 100; ++tries) {
            path_ = base / ("tavrel-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(path_, error))
                return;
        }
        throw std::runtime_error("cannot make a temporary folder");
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes a small file at the relative path, making its folders; its full path.
    std::filesystem::path makeFile(const std::filesystem::path& relative, const std::string& content = "x") const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

private:
    std::filesystem::path path_;
};
