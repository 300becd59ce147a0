// TemporaryFile.h — a file written under a temporary name beside its target.
//
// The name is unique in the target's folder, hidden (it starts with a dot) and removed
// again unless the owner keeps the file (Keep), usually after renaming it into place.
//
//     CTemporaryFile file("out/a.png");
//     file.Write(bytes.data(), bytes.size());
//     file.Close();
//     std::rename(file.Name().c_str(), "out/a.png"); file.Keep();
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

class CTemporaryFile {
public:
    // Creates the file; throws CPictureFileError naming the target when it cannot.
    explicit CTemporaryFile(const std::filesystem::path& target);
    virtual ~CTemporaryFile();

    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    // Writes all the bytes, or throws CPictureFileError.
    void Write(const void* bytes, size_t count);
    // Closes the file, or throws CPictureFileError (a full disk may only show here).
    void Close();
    // The file is no longer removed when this object goes.
    void Keep() { m_kept = true; }
    // Hands the open descriptor to a writer that closes it itself (giflib does); the file
    // is still removed with this object unless kept.
    int ReleaseDescriptor()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

    const std::string& Name() const { return m_name; }
    const std::filesystem::path& Target() const { return m_target; }

    // Throws CPictureFileError: the target cannot be written, and why.
    [[noreturn]] void Fail(const std::string& why) const;

private:
    std::filesystem::path m_target;
    std::string m_name;
    int m_fd = -1;
    bool m_kept = false;
};
