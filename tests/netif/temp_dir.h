// A fresh temporary folder made the working directory for one test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <stdlib.h>
#include <string>
#include <unistd.h>

class TempWorkingDir {
public:
    TempWorkingDir()
    {
        old_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "grafion-netif-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "mkdtemp failed";
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    ~TempWorkingDir()
    {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path old_;
    std::filesystem::path dir_;
};
