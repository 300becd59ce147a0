// FileBatch.h — several files put in place together, or none of them.
//
// Each file is first written whole under a temporary name beside its target. Commit
// then replaces the targets one by one, keeping a link to each old file until all are
// in place: if any step fails, the targets already replaced get their old files back,
// so a failed batch leaves every target as it was and no temporary file behind.
//
//     CFileBatch batch;
//     batch.Add("out/a.png", pngBytes);
//     batch.Add("out/palette.txt", textBytes);
//     batch.Commit();
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CTemporaryFile;

class CFileBatch {
public:
    CFileBatch();
    virtual ~CFileBatch();

    CFileBatch(const CFileBatch&) = delete;
    CFileBatch& operator=(const CFileBatch&) = delete;

    // Writes the bytes under a temporary name beside `target`. Throws CPictureFileError
    // when they cannot be written; nothing is replaced then.
    void Add(const std::filesystem::path& target, std::span<const uint8_t> bytes);

    // Puts every file in place of its target, all or none. Throws CPictureFileError
    // when it cannot; every target is then as it was.
    void Commit();

private:
    // One file of the batch: its temporary file and, once its target is replaced, the
    // link that keeps the old target.
    struct Entry {
        std::unique_ptr<CTemporaryFile> file;
        std::string oldTarget{};   // empty: there was no old target, or it is not yet replaced
        bool oldMovedAside = false;   // kept by moving, not by a link
        bool placed = false;
    };

    // Keeps the old target of an entry under a name of its own (nothing when there is
    // none); throws when a folder or something else unreplaceable is in the way.
    void KeepOldTarget(Entry& entry) const;
    // Puts back the old targets of the entries placed so far.
    void RollBack();

    std::vector<Entry> m_entries;
};
