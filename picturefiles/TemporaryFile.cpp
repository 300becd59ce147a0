// TemporaryFile.cpp — mkstemp beside the target, whole writes, removal unless kept.
#include "picturefiles/TemporaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "picturefiles/PictureFileError.h"

CTemporaryFile::CTemporaryFile(const std::filesystem::path& target) : m_target(target)
{
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string hidden(1, '.');
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    m_name = (folder / hidden).string();
    m_fd = mkstemp(m_name.data());
    if (m_fd < 0)
        Fail(std::strerror(errno));
    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(m_fd, 0666 & ~mask);
}

CTemporaryFile::~CTemporaryFile()
{
    if (m_fd >= 0)
        close(m_fd);
    if (!m_kept)
        unlink(m_name.c_str());
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

void CTemporaryFile::Close()
{
    const int fd = m_fd;
    m_fd = -1;
    if (fd >= 0 && close(fd) != 0)
        Fail(std::strerror(errno));
}

void CTemporaryFile::Fail(const std::string& why) const
{
    throw CPictureFileError("cannot write " + QuotedPath(m_target) + ": " + why);
}
