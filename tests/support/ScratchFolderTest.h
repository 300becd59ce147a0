// ScratchFolderTest.h — a test fixture with a fresh, empty folder for each test.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A file's whole content (empty when it cannot be read).
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Makes and returns <temp>/tolmix-<pid>-<test name>, the running test's own folder.
inline std::filesystem::path MakeScratchFolder()
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("tolmix-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
    return folder;
}

// Each test gets its scratch folder (MakeScratchFolder), removed again afterwards.
class CScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = MakeScratchFolder(); }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // A path inside the test's folder.
    std::filesystem::path Path(const std::string& name) const { return m_folder / name; }

    // Makes the file `name` in the test's folder, holding exactly the bytes.
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path m_folder;
};
