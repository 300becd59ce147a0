// CommitJournal.h — the record of a commit in progress, kept in the outputs' folder.
//
// Before a commit renames anything it writes, durably, which temporary file goes in place
// of which target and by which link the old target is kept. A run killed in the middle
// (SIGKILL, a power loss) leaves the record behind, and the next commit into the folder
// (Repair) carries it out first: forward, putting the rest of the new files in place, or,
// when the run had turned back after a failure, back, putting the old files back. Either
// way the set is all new or all old again. Repair then removes the temporary files that
// killed runs abandoned: files named as this program's temporary files that nobody holds
// locked.
//
// Every method expects the folder held exclusively (CFolderLock) by the caller.
//
//     CCommitJournal journal(folder);
//     journal.Repair();
//     journal.Record(steps, CCommitJournal::Direction::Forward);
//     ... keep the old targets ...
//     journal.Carry(steps, CCommitJournal::Direction::Forward, true);
//     journal.Remove();
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class CFolderLock;

// One file of a commit, by names in the folder: the temporary file, its target, and the
// link that keeps the old target (empty when there was no old target).
struct CommitStep {
    std::string temporary;
    std::string target;
    std::string old;
};

class CCommitJournal {
public:
    enum class Direction { Forward, Back };

    // The record's name in the folder, and the name it is written under first.
    static constexpr std::string_view NAME = ".tolmix-commit";
    static constexpr std::string_view NEW_NAME = ".tolmix-commit.new";
    // A record is a few names per output: anything longer is not one of ours.
    static constexpr int64_t MAX_BYTES = 1 << 20;

    explicit CCommitJournal(const CFolderLock& folder);
    virtual ~CCommitJournal() = default;

    // Writes the record of the steps and the direction they go, durably, replacing any
    // record before it in one rename. Throws CPictureFileError.
    void Record(const std::vector<CommitStep>& steps, Direction direction) const;

    // Carries out the steps. Forward: every temporary file still there takes the place of
    // its target, the folder is synced, the old links go. Back: every old target takes
    // its place again, a new file with no old target goes, the temporary files go. Each
    // step looks at what is there, so carrying out a record again changes nothing.
    // `ours`: the temporary files are this process's own; otherwise (a repair) a temporary
    // file that someone holds locked is someone else's and is left alone. Forward throws
    // CPictureFileError naming the target it cannot put in place; Back goes on past
    // failures and says whether every step succeeded.
    void CarryForward(const std::vector<CommitStep>& steps, bool ours) const;
    bool CarryBack(const std::vector<CommitStep>& steps) const;

    // Removes the record: the commit is over.
    void Remove() const;

    // Carries out a record a killed run left, then removes the temporary files nobody
    // holds. Throws CPictureFileError when a record cannot be read or carried out.
    void Repair() const;

    // The record's bytes, and the steps and direction read back from them; throws
    // CPictureFileError when the bytes are not a whole record.
    static std::string Encode(const std::vector<CommitStep>& steps, Direction direction);
    static std::vector<CommitStep> Decode(const std::string& bytes, Direction& direction);

private:
    std::filesystem::path PathOf(std::string_view name) const;
    // The record left in the folder, if any, into `bytes`.
    bool ReadRecord(std::string& bytes) const;
    // Removes the abandoned temporary files and orphaned old links.
    void RemoveAbandoned() const;
    [[noreturn]] void Fail(const std::string& what, int error) const;

    const CFolderLock& m_folder;
};
