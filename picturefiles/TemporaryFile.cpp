// TemporaryFile.cpp — mkostemp beside the target under a shared hold of the folder, a lock
// held for the file's life, whole writes, fsync, removal unless kept.
#include "picturefiles/TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "picturefiles/FolderLock.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/SignalGuard.h"

namespace {

// The characters mkostemp puts in place of its template's XXXXXX.
constexpr size_t UNIQUE_LETTERS = 6;

} // namespace

// The folder is held (shared) until the new file is locked, so a repair of the folder,
// which holds it exclusively, never sees the new file unlocked and takes it for abandoned.
CTemporaryFile::CTemporaryFile(const std::filesystem::path& target) : m_target(target)
{
    const std::filesystem::path folder = FolderOf(target);
    std::string hidden(1, '.');
    hidden += target.filename().string();
    hidden += MARK;
    hidden += std::string(UNIQUE_LETTERS, 'X');
    m_name = (folder / hidden).string();
    try {
        const CFolderLock hold(folder, CFolderLock::Kind::Shared);
        m_fd = CSignalGuard::Shared().CreateFile(m_name);
        if (m_fd < 0)
            Fail(std::strerror(errno));
        if (flock(m_fd, LOCK_EX) != 0)
            Fail(std::strerror(errno));
    } catch (const CPictureFileError&) {
        if (m_fd >= 0) {
            close(m_fd);
            unlink(m_name.c_str());
            CSignalGuard::Shared().Forget(m_name);
        }
        throw;
    }
    // mkostemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(m_fd, 0666 & ~mask);
}

CTemporaryFile::~CTemporaryFile()
{
    if (!m_kept) {
        unlink(m_name.c_str());
        CSignalGuard::Shared().Forget(m_name);
    }
    if (m_fd >= 0)
        close(m_fd);
}

void CTemporaryFile::Write(const void* bytes, size_t count)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        const ssize_t n = ::write(m_fd, p, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail(std::strerror(errno));
        p += n;
        count -= static_cast<size_t>(n);
    }
}

// The file's data and length; its times need not be durable.
void CTemporaryFile::Sync()
{
    if (fdatasync(m_fd) != 0)
        Fail(std::strerror(errno));
}

void CTemporaryFile::Keep()
{
    m_kept = true;
    CSignalGuard::Shared().Forget(m_name);
}

int CTemporaryFile::ReleaseDescriptor()
{
    const int fd = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        Fail(std::strerror(errno));
    return fd;
}

void CTemporaryFile::Fail(const std::string& why) const
{
    throw CPictureFileError("cannot write " + QuotedPath(m_target) + ": " + why);
}

bool CTemporaryFile::IsTemporaryName(std::string_view name)
{
    if (name.ends_with(OLD_ENDING))
        name.remove_suffix(OLD_ENDING.size());
    const size_t mark = name.rfind(MARK);
    return name.size() > 1 && name[0] == '.' && mark != std::string_view::npos && mark > 0 &&
           name.size() - mark - MARK.size() == UNIQUE_LETTERS;
}
