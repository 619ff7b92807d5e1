#include "treefile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace content {

namespace {

bool canonicalInside(const QString &canonical, const QString &canonicalRoot)
{
    if (canonicalRoot.isEmpty() || canonical.isEmpty())
        return false;
    const QString prefix = canonicalRoot.endsWith(QLatin1Char('/')) ? canonicalRoot
                                                                      : canonicalRoot + QLatin1Char('/');
    return canonical == canonicalRoot || canonical.startsWith(prefix);
}

} // namespace

bool isInsideTree(const QString &localPath, const QString &root)
{
    return !localPath.isEmpty() && !root.isEmpty()
        && canonicalInside(QFileInfo(localPath).canonicalFilePath(), QFileInfo(root).canonicalFilePath());
}

QString regularFileInside(const QString &localPath, const QString &root)
{
    if (localPath.isEmpty() || root.isEmpty())
        return QString();
    const QString canonical = QFileInfo(localPath).canonicalFilePath();
    if (!canonicalInside(canonical, QFileInfo(root).canonicalFilePath()))
        return QString();
    // A regular file is never the root folder itself.
    struct stat info;
    if (::stat(QFile::encodeName(canonical).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    return canonical;
}

RegularFile::RegularFile(const QString &localPath, std::int64_t maxSize)
{
    const QByteArray path = QFile::encodeName(localPath);
    struct stat before;
    if (path.isEmpty() || ::stat(path.constData(), &before) != 0) {
        m_refusal = FileRefusal::Missing;
        return;
    }
    m_type = before.st_mode & S_IFMT;
    if (!S_ISREG(before.st_mode)) {
        m_refusal = FileRefusal::NotRegular;
        m_error = S_ISDIR(before.st_mode) ? EISDIR : 0;
        return;
    }
    if (before.st_size > maxSize) {
        m_size = before.st_size;
        m_refusal = FileRefusal::TooLarge;
        return;
    }
    // Non-blocking, in case a FIFO took the file's place since the look.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_error = errno;
        m_refusal = m_error == ENOENT ? FileRefusal::Missing : FileRefusal::Unreadable;
        return;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_size > maxSize) {
        m_refusal = S_ISREG(opened.st_mode) ? FileRefusal::TooLarge : FileRefusal::NotRegular;
        m_type = opened.st_mode & S_IFMT;
        m_size = opened.st_size;
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_size = opened.st_size;
    m_mode = opened.st_mode & 07777;
}

bool RegularFile::isInside(const QString &root) const
{
    // A file removed since has no place at all.
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || info.st_nlink == 0)
        return false;
    // The kernel's own name for the open file.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(self.constData(), target, sizeof target);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof target))
        return false;
    return canonicalInside(QFile::decodeName(QByteArray(target, static_cast<qsizetype>(length))),
                           QFileInfo(root).canonicalFilePath());
}

int RegularFile::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString RegularFile::reason() const
{
    switch (m_refusal) {
    case FileRefusal::None:
        return QString();
    case FileRefusal::Missing:
        return QString::fromLocal8Bit(std::strerror(ENOENT));
    case FileRefusal::TooLarge:
        return QString::fromLocal8Bit(std::strerror(EFBIG));
    case FileRefusal::Unreadable:
        return QString::fromLocal8Bit(std::strerror(m_error));
    case FileRefusal::NotRegular:
        break;
    }
    switch (m_type) {
    case S_IFDIR:
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    case S_IFIFO:
        return QStringLiteral("Is a named pipe, not a regular file");
    case S_IFCHR:
    case S_IFBLK:
        return QStringLiteral("Is a device, not a regular file");
    case S_IFSOCK:
        return QStringLiteral("Is a socket, not a regular file");
    default:
        return QStringLiteral("Not a regular file");
    }
}

bool RegularFile::readAll(QByteArray *bytes, std::int64_t maxBytes)
{
    bytes->clear();
    if (m_fd < 0)
        return false;
    // Straight into place at the size the file had; a file that grew since
    // is read on in chunks, up to the limit.
    bytes->resize(static_cast<qsizetype>(std::min(m_size, maxBytes)));
    qsizetype done = 0;
    for (;;) {
        if (done == bytes->size()) {
            if (done >= maxBytes)
                return true;
            bytes->resize(static_cast<qsizetype>(std::min<std::int64_t>(done + (1 << 16), maxBytes)));
        }
        const ssize_t got = ::read(m_fd, bytes->data() + done, static_cast<size_t>(bytes->size() - done));
        if (got == 0) {
            bytes->truncate(done);
            return true;
        }
        if (got < 0) {
            if (errno == EINTR)
                continue;
            bytes->clear();
            return false;
        }
        done += got;
    }
}

} // namespace content
