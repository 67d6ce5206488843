#pragma once
// A fresh folder for one test's files (undo files, saves), named after the running test so
// that parallel test processes never share one, and removed when the test ends.

#include "edit/UndoStack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace velisto::test {

class TestFolder {
public:
    explicit TestFolder(std::string_view prefix)
        : path_(std::filesystem::temp_directory_path() /
                (std::string(prefix) + "-" + std::to_string(currentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() { std::filesystem::remove_all(path_); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    operator const std::filesystem::path&() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace velisto::test
