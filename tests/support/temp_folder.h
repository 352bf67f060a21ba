#pragma once
// A folder of its own for a test without Qt, removed with everything in it at the end (made
// writable again first, for tests that take the write permission away).

#include <unistd.h>

#include <filesystem>
#include <string>

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "grafion-test")
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        if (path_.empty())
            return;
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const
    {
        return (std::filesystem::path(path_) / name).string();
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
