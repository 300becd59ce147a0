// CommitJournal.cpp — writing, reading and carrying out the record of a commit.
//
// The record is NUL-separated text (file names hold any byte but NUL and '/'):
// "tolmix-commit 1", the direction, then three names per step, then "end".
#include "picturefiles/CommitJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "picturefiles/FolderLock.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/TemporaryFile.h"

namespace {

constexpr std::string_view HEADER = "tolmix-commit 1";
constexpr std::string_view FORWARD = "forward";
constexpr std::string_view BACK = "back";
constexpr std::string_view END = "end";

bool Exists(const std::filesystem::path& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// Whether another open file holds the file locked: a temporary file someone is still
// writing or committing. A file that cannot be opened is taken as held (left alone).
bool HeldByOthers(const std::filesystem::path& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return true;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return held;
}

// A name the record may hold: one file of the folder.
bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// Writes all the bytes to the descriptor; false with errno set when it cannot.
bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

CCommitJournal::CCommitJournal(const CFolderLock& folder) : m_folder(folder) {}

std::filesystem::path CCommitJournal::PathOf(std::string_view name) const
{
    return m_folder.Folder() / name;
}

void CCommitJournal::Fail(const std::string& what, int error) const
{
    throw CPictureFileError(what + ": " + std::strerror(error));
}

std::string CCommitJournal::Encode(const std::vector<CommitStep>& steps, Direction direction)
{
    std::string bytes;
    const auto add = [&bytes](std::string_view field) {
        bytes += field;
        bytes += '\0';
    };
    add(HEADER);
    add(direction == Direction::Forward ? FORWARD : BACK);
    for (const CommitStep& step : steps) {
        add(step.temporary);
        add(step.target);
        add(step.old);
    }
    add(END);
    return bytes;
}

// Every name is checked to be a temporary file, a plain target, and the temporary file's
// own old link: a record can make this program rename only what it would have made.
std::vector<CommitStep> CCommitJournal::Decode(const std::string& bytes, Direction& direction)
{
    std::vector<std::string_view> fields;
    std::string_view rest(bytes);
    while (!rest.empty()) {
        const size_t end = rest.find('\0');
        if (end == std::string_view::npos)
            break;
        fields.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    const bool framed = rest.empty() && fields.size() >= 3 && fields.front() == HEADER && fields.back() == END &&
                        (fields.size() - 3) % 3 == 0 && (fields[1] == FORWARD || fields[1] == BACK);
    if (!framed)
        throw CPictureFileError("a damaged commit record");
    direction = fields[1] == FORWARD ? Direction::Forward : Direction::Back;
    std::vector<CommitStep> steps;
    for (size_t i = 2; i + 3 < fields.size(); i += 3) {
        CommitStep step{std::string(fields[i]), std::string(fields[i + 1]), std::string(fields[i + 2])};
        const bool sound = IsPlainName(step.temporary) && CTemporaryFile::IsTemporaryName(step.temporary) &&
                           !step.temporary.ends_with(CTemporaryFile::OLD_ENDING) && IsPlainName(step.target) &&
                           (step.old.empty() || step.old == step.temporary + std::string(CTemporaryFile::OLD_ENDING));
        if (!sound)
            throw CPictureFileError("a damaged commit record");
        steps.push_back(std::move(step));
    }
    return steps;
}

// Written under a name of its own and renamed, so the record is there whole or not at all.
void CCommitJournal::Record(const std::vector<CommitStep>& steps, Direction direction) const
{
    const std::filesystem::path fresh = PathOf(NEW_NAME);
    const std::string what = "cannot record the commit in " + QuotedPath(m_folder.Folder());
    const int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        Fail(what, errno);
    const bool written = WriteAll(fd, Encode(steps, direction)) && fdatasync(fd) == 0;
    const int error = errno;
    if (close(fd) != 0 || !written) {
        unlink(fresh.c_str());
        Fail(what, written ? errno : error);
    }
    if (std::rename(fresh.c_str(), PathOf(NAME).c_str()) != 0) {
        const int renameError = errno;
        unlink(fresh.c_str());
        Fail(what, renameError);
    }
    m_folder.Sync();
}

void CCommitJournal::CarryForward(const std::vector<CommitStep>& steps, bool ours) const
{
    for (const CommitStep& step : steps) {
        const std::filesystem::path temporary = PathOf(step.temporary);
        if (!Exists(temporary) || (!ours && HeldByOthers(temporary)))
            continue;
        if (std::rename(temporary.c_str(), PathOf(step.target).c_str()) != 0)
            Fail("cannot write " + QuotedPath(PathOf(step.target)), errno);
    }
    m_folder.Sync();
    for (const CommitStep& step : steps)
        if (!step.old.empty())
            unlink(PathOf(step.old).c_str());
}

// Renaming an old link onto a target that is still the same file does nothing (POSIX), so
// the link is then removed by name.
bool CCommitJournal::CarryBack(const std::vector<CommitStep>& steps) const
{
    bool whole = true;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        const std::filesystem::path target = PathOf(step->target);
        const std::filesystem::path temporary = PathOf(step->temporary);
        if (!step->old.empty()) {
            const std::filesystem::path old = PathOf(step->old);
            if (Exists(old) && std::rename(old.c_str(), target.c_str()) != 0)
                whole = false;
            if (Exists(old) && unlink(old.c_str()) != 0)
                whole = false;
        } else if (!Exists(temporary) && unlink(target.c_str()) != 0 && errno != ENOENT) {
            whole = false;   // the new file that had no old one
        }
        if (unlink(temporary.c_str()) != 0 && errno != ENOENT)
            whole = false;
    }
    try {
        m_folder.Sync();
    } catch (const CPictureFileError&) {
        whole = false;
    }
    return whole;
}

void CCommitJournal::Remove() const
{
    unlink(PathOf(NAME).c_str());
}

bool CCommitJournal::ReadRecord(std::string& bytes) const
{
    const int fd = open(PathOf(NAME).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT)
            return false;
        Fail("cannot read the commit record in " + QuotedPath(m_folder.Folder()), errno);
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || status.st_size > MAX_BYTES) {
        close(fd);
        throw CPictureFileError("the commit record in " + QuotedPath(m_folder.Folder()) + " is not one of ours");
    }
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    bytes.resize(got);
    return true;
}

void CCommitJournal::Repair() const
{
    unlink(PathOf(NEW_NAME).c_str());   // a record never put in place: its commit renamed nothing
    std::string bytes;
    if (ReadRecord(bytes)) {
        Direction direction = Direction::Forward;
        std::vector<CommitStep> steps;
        try {
            steps = Decode(bytes, direction);
        } catch (const CPictureFileError& error) {
            throw CPictureFileError(std::string(error.what()) + " in " + QuotedPath(m_folder.Folder()) + " ('" +
                                    std::string(NAME) + "')");
        }
        if (direction == Direction::Forward)
            CarryForward(steps, false);
        else if (!CarryBack(steps))
            throw CPictureFileError("cannot put back the old files of an unfinished commit in " +
                                    QuotedPath(m_folder.Folder()));
        Remove();
    }
    RemoveAbandoned();
}

// A temporary file nobody holds was left by a run that ended without removing it. An old
// link outside any record is a second name of a file that is still in place (more than
// one link): only then is it removed, so no file's last name ever goes here.
void CCommitJournal::RemoveAbandoned() const
{
    DIR* folder = opendir(m_folder.Folder().c_str());
    if (folder == nullptr)
        return;
    std::vector<std::string> abandoned;
    while (const dirent* entry = readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (!CTemporaryFile::IsTemporaryName(name))
            continue;
        const std::filesystem::path path = PathOf(name);
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        const bool old = name.ends_with(CTemporaryFile::OLD_ENDING);
        if (old ? status.st_nlink > 1 : !HeldByOthers(path))
            abandoned.emplace_back(name);
    }
    closedir(folder);
    for (const std::string& name : abandoned)
        unlink(PathOf(name).c_str());
}
