// FileBatch.h — several files put in place together in one folder, or none of them.
//
// Each file is first written whole, and synced, under a temporary name beside its target.
// Commit then takes the folder's lock (a second run writing there waits for it), repairs
// what a killed run may have left (CCommitJournal), records durably which file goes where,
// keeps a link to each old target, and renames the files into place with the ending
// signals held (CSignalGuard), then syncs the folder. (A batch of one file needs neither
// record nor link: its one rename is whole or nothing.) If a step fails, the targets already
// replaced get their old files back; if the process is killed, the next commit into the
// folder finishes the set. Either way every target is all old or all new.
//
//     CFileBatch batch;
//     batch.Add("out/a.png", pngBytes);
//     batch.Add("out/palette.txt", textBytes);
//     batch.Commit();
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picturefiles/CommitJournal.h"

class CFolderLock;
class CTemporaryFile;

class CFileBatch {
public:
    CFileBatch();
    virtual ~CFileBatch();

    CFileBatch(const CFileBatch&) = delete;
    CFileBatch& operator=(const CFileBatch&) = delete;

    // Writes the bytes under a temporary name beside `target` and syncs them. Throws
    // CPictureFileError when they cannot be written, or when `target` is in another folder
    // than the batch's first file; nothing is replaced then.
    void Add(const std::filesystem::path& target, std::span<const uint8_t> bytes);
    // Takes a temporary file written elsewhere (and synced) into the batch.
    void Add(std::unique_ptr<CTemporaryFile> file);

    // Puts every file in place of its target, all or none. Throws CPictureFileError
    // when it cannot; every target is then as it was.
    void Commit();

private:
    // The steps of the commit; throws when a folder or something else unreplaceable is
    // in the way of a target.
    std::vector<CommitStep> Steps() const;
    // Commits a batch of one file.
    void CommitOne(const CFolderLock& folder);
    // Keeps the old target of a step under its old name: a hard link, or, where the folder
    // allows no links, the old file moved aside.
    void KeepOldTarget(const CommitStep& step, const CTemporaryFile& file) const;

    std::vector<std::unique_ptr<CTemporaryFile>> m_files;
    std::optional<std::filesystem::path> m_folder;
};
