// FileBatch.cpp — temporary files beside their targets, renamed into place all together
// under the folder's lock, with a durable record of the commit.
#include "picturefiles/FileBatch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "picturefiles/FolderLock.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/SignalGuard.h"
#include "picturefiles/TemporaryFile.h"

CFileBatch::CFileBatch() = default;

// Temporary files not put in place are removed with their objects.
CFileBatch::~CFileBatch() = default;

void CFileBatch::Add(const std::filesystem::path& target, std::span<const uint8_t> bytes)
{
    auto file = std::make_unique<CTemporaryFile>(target);
    file->Write(bytes.data(), bytes.size());
    file->Sync();
    Add(std::move(file));
}

void CFileBatch::Add(std::unique_ptr<CTemporaryFile> file)
{
    const std::filesystem::path folder = FolderOf(file->Target());
    if (!m_folder)
        m_folder = folder;
    else if (folder != *m_folder)
        file->Fail("the files of one batch go into one folder, " + QuotedPath(*m_folder));
    m_files.push_back(std::move(file));
}

std::vector<CommitStep> CFileBatch::Steps() const
{
    std::vector<CommitStep> steps;
    for (const auto& file : m_files) {
        CommitStep step{std::filesystem::path(file->Name()).filename().string(), file->Target().filename().string(),
                        ""};
        struct stat status {};
        if (lstat(file->Target().c_str(), &status) == 0) {
            if (S_ISDIR(status.st_mode))
                file->Fail("a folder of that name is in the way");
            step.old = step.temporary + std::string(CTemporaryFile::OLD_ENDING);
        } else if (errno != ENOENT) {
            file->Fail(std::strerror(errno));
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

// One rename replaces one target whole or not at all: no record and no old link are
// needed, only the folder synced after.
void CFileBatch::CommitOne(const CFolderLock& folder)
{
    CTemporaryFile& file = *m_files.front();
    if (std::rename(file.Name().c_str(), file.Target().c_str()) != 0)
        file.Fail(std::strerror(errno));
    file.Keep();
    m_files.clear();
    folder.Sync();
}

void CFileBatch::KeepOldTarget(const CommitStep& step, const CTemporaryFile& file) const
{
    const std::filesystem::path target = file.Target();
    const std::filesystem::path old = *m_folder / step.old;
    if (link(target.c_str(), old.c_str()) != 0 && std::rename(target.c_str(), old.c_str()) != 0)
        file.Fail(std::strerror(errno));
}

// The record is written before the first old target is kept, so from then on a killed
// run's commit can be finished or undone by the next. A failure turns the record back
// before the old files are put back; should even that fail, the record stays for the next
// run, and the temporary files stay with it.
void CFileBatch::Commit()
{
    if (m_files.empty())
        return;
    const CFolderLock folder(*m_folder, CFolderLock::Kind::Exclusive);
    const CSignalGuard::CCommit holdSignals;
    const CCommitJournal journal(folder);
    journal.Repair();
    const std::vector<CommitStep> steps = Steps();
    if (steps.size() == 1) {
        CommitOne(folder);
        return;
    }
    journal.Record(steps, CCommitJournal::Direction::Forward);
    try {
        for (size_t i = 0; i < steps.size(); ++i)
            if (!steps[i].old.empty())
                KeepOldTarget(steps[i], *m_files[i]);
        journal.CarryForward(steps, true);
    } catch (const CPictureFileError&) {
        bool turned = true;
        try {
            journal.Record(steps, CCommitJournal::Direction::Back);
        } catch (const CPictureFileError&) {
            turned = false;
        }
        if (turned && journal.CarryBack(steps))
            journal.Remove();
        else
            for (const auto& file : m_files)
                file->Keep();
        throw;
    }
    journal.Remove();
    for (const auto& file : m_files)
        file->Keep();
    m_files.clear();
}
