// FolderLock.h — a lock on a folder of outputs, between processes.
//
// A commit into a folder (and the repair of one a killed run left) takes the folder
// exclusively, so two runs writing the same outputs put their sets in place one after the
// other; a temporary file is made under a shared hold, so that a repair never takes a
// file still being made for an abandoned one. The lock is flock(2) on the folder itself:
// it leaves no file behind and goes with the process that held it, however it ended. (On a
// file system that has no such locks, runs go unserialised, as before.)
//
//     CFolderLock lock("out", CFolderLock::Kind::Exclusive);   // waits for other runs
//     ... rename into out/ ...
//     lock.Sync();
#pragma once

#include <filesystem>

class CFolderLock {
public:
    enum class Kind { Shared, Exclusive };

    // Opens the folder and waits for the lock. Throws CPictureFileError naming the folder
    // when it cannot be opened.
    CFolderLock(const std::filesystem::path& folder, Kind kind);
    virtual ~CFolderLock();

    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Makes the folder's changes (new names, renames, removals) durable. Throws
    // CPictureFileError when the file system reports a failure.
    void Sync() const;

    const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    int m_fd = -1;
};

// The folder a file is in ("." for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& file);
