// FileBatch.cpp — temporary files beside their targets, renamed into place all together.
#include "picturefiles/FileBatch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "picturefiles/PictureFileError.h"
#include "picturefiles/TemporaryFile.h"

CFileBatch::CFileBatch() = default;

// Temporary files not put in place are removed with their objects.
CFileBatch::~CFileBatch() = default;

void CFileBatch::Add(const std::filesystem::path& target, std::span<const uint8_t> bytes)
{
    auto file = std::make_unique<CTemporaryFile>(target);
    file->Write(bytes.data(), bytes.size());
    file->Close();
    m_entries.push_back(Entry{std::move(file)});
}

// Every old target is kept aside before the first is replaced, so that what can fail
// (a folder in the way, a folder that refuses new names) fails before anything changed.
void CFileBatch::Commit()
{
    try {
        for (Entry& entry : m_entries)
            KeepOldTarget(entry);
        for (Entry& entry : m_entries) {
            if (std::rename(entry.file->Name().c_str(), entry.file->Target().c_str()) != 0)
                entry.file->Fail(std::strerror(errno));
            entry.file->Keep();
            entry.placed = true;
        }
    } catch (const CPictureFileError&) {
        RollBack();
        throw;
    }
    for (const Entry& entry : m_entries)
        if (!entry.oldTarget.empty())
            unlink(entry.oldTarget.c_str());
    m_entries.clear();
}

// A hard link keeps the old file while the target is replaced in one step; where the
// folder allows no links, the old file is moved aside instead.
void CFileBatch::KeepOldTarget(Entry& entry) const
{
    const std::string target = entry.file->Target().string();
    struct stat status {};
    if (lstat(target.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return;
        entry.file->Fail(std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode))
        entry.file->Fail("a folder of that name is in the way");
    const std::string old = entry.file->Name() + ".old";
    if (link(target.c_str(), old.c_str()) != 0) {
        if (std::rename(target.c_str(), old.c_str()) != 0)
            entry.file->Fail(std::strerror(errno));
        entry.oldMovedAside = true;
    }
    entry.oldTarget = old;
}

void CFileBatch::RollBack()
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        const std::string target = entry->file->Target().string();
        // A link to the target itself (not yet replaced) is only dropped: renaming it
        // onto the same file would do nothing.
        if (entry->oldTarget.empty()) {
            if (entry->placed)
                unlink(target.c_str());
        } else if (entry->placed || entry->oldMovedAside) {
            std::rename(entry->oldTarget.c_str(), target.c_str());
        } else {
            unlink(entry->oldTarget.c_str());
        }
        entry->oldTarget.clear();
        entry->placed = false;
        entry->oldMovedAside = false;
    }
}
