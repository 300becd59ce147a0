// ScratchFolderTest.h — a test fixture with a fresh, empty folder for each test.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

// Each test gets <temp>/tolmix-<pid>-<test name>, removed again afterwards.
class CScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("tolmix-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // A path inside the test's folder.
    std::filesystem::path Path(const std::string& name) const { return m_folder / name; }

    std::filesystem::path m_folder;
};
