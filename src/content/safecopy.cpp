#include "safecopy.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace content {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    bool closeChecked()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool copyContents(int from, int to)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(to, buffer, got))
            return false;
    }
}

// Puts the finished temporary file in place unless the destination exists.
// link() is atomic and never replaces; file systems without hard links (FAT
// on USB sticks) get renameat2's no-replace, and failing that a reserved
// empty name that the rename then fills.
bool publish(const QByteArray &temporary, const QByteArray &destination)
{
    if (::link(temporary.constData(), destination.constData()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, destination.constData(),
                    RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno == EEXIST)
        return false;
#endif
    const int reserved = ::open(destination.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (reserved < 0)
        return false;
    ::close(reserved);
    if (::rename(temporary.constData(), destination.constData()) == 0)
        return true;
    ::unlink(destination.constData());
    return false;
}

} // namespace

bool copyWithoutOverwrite(const QString &source, const QString &destination)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    struct stat existing;
    if (::lstat(to.constData(), &existing) == 0)
        return false;

    FileDescriptor input(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (input.get() < 0)
        return false;
    struct stat sourceInfo;
    if (::fstat(input.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode))
        return false;

    const qsizetype slash = to.lastIndexOf('/');
    QByteArray temporary = (slash >= 0 ? to.left(slash + 1) : QByteArray())
        + ".proj-copy-XXXXXX";
    FileDescriptor output(::mkostemp(temporary.data(), O_CLOEXEC));
    if (output.get() < 0)
        return false;

    bool ok = copyContents(input.get(), output.get());
    ok = ok && ::fchmod(output.get(), sourceInfo.st_mode & 07777) == 0;
    ok = ok && ::fsync(output.get()) == 0;
    ok = output.closeChecked() && ok;
    ok = ok && publish(temporary, to);
    ::unlink(temporary.constData()); // after link() the name is a second link; after rename it is gone
    return ok;
}

} // namespace content
