#pragma once
// A recording opened for a GoogleTest test, failing the test with the reader's reason when it
// cannot be opened.

#include "Recording_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

inline std::unique_ptr<RecordingFile> open_ok(const std::string& path)
{
    std::string error;
    auto file = RecordingFile::open(path, error);
    EXPECT_TRUE(file) << error;
    return file;
}
