// FolderLock.cpp — flock on the folder's own descriptor, and fsync of the folder.
#include "picturefiles/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "picturefiles/PictureFileError.h"

std::filesystem::path FolderOf(const std::filesystem::path& file)
{
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

namespace {

// A file system without locks (some network ones refuse flock on a folder) leaves runs
// unserialised there, as they always were, rather than refusing to write at all.
bool CanLock(int error)
{
    return error != ENOLCK && error != EOPNOTSUPP && error != EBADF && error != EINVAL;
}

} // namespace

// Waits as long as the other run's commit takes; a signal meanwhile ends the run as usual.
CFolderLock::CFolderLock(const std::filesystem::path& folder, Kind kind) : m_folder(folder)
{
    m_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        throw CPictureFileError("cannot write into the folder " + QuotedPath(folder) + ": " + std::strerror(errno));
    const int operation = kind == Kind::Exclusive ? LOCK_EX : LOCK_SH;
    while (flock(m_fd, operation) != 0) {
        if (!CanLock(errno))
            return;
        if (errno != EINTR) {
            const int error = errno;
            close(m_fd);
            throw CPictureFileError("cannot lock the folder " + QuotedPath(folder) + ": " + std::strerror(error));
        }
    }
}

// Closing the descriptor releases the lock.
CFolderLock::~CFolderLock()
{
    close(m_fd);
}

// A file system that cannot sync folders (EINVAL) has nothing to make durable this way.
void CFolderLock::Sync() const
{
    if (fsync(m_fd) != 0 && errno != EINVAL)
        throw CPictureFileError("cannot sync the folder " + QuotedPath(m_folder) + ": " + std::strerror(errno));
}
