#include "safecopy.h"

#include "treefile.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

bool allZero(const char *data, ssize_t size)
{
    static const char zeros[1 << 16] = {};
    return std::memcmp(data, zeros, static_cast<size_t>(size)) == 0;
}

// Blocks of zeros become holes, so that a sparse file stays sparse (and a
// large one with nothing in it costs no disk); a hole at the end is closed
// by writing its last byte, as FAT through FUSE cannot truncate. The source
// is read by position from its start: the descriptor may serve other copies
// before and after this one.
bool copyContents(int from, int to)
{
    char buffer[1 << 16];
    off_t total = 0;
    bool endsInHole = false;
    for (;;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, total);
        if (got == 0)
            return !endsInHole || ::pwrite(to, "", 1, total - 1) == 1;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        endsInHole = allZero(buffer, got);
        if (endsInHole) {
            if (::lseek(to, got, SEEK_CUR) < 0)
                return false;
        } else if (!writeAll(to, buffer, got)) {
            return false;
        }
        total += got;
    }
}

// The whole copy into a file of its own, with its permission bits, on disk.
// FAT keeps no permission bits (fchmod fails there): the file then has the
// bits it was made with, never a special one.
bool fill(int from, int to, mode_t mode)
{
    if (!copyContents(from, to))
        return false;
    if (::fchmod(to, mode) != 0) {
        // The bits the file was made with stand.
    }
    return ::fsync(to) == 0;
}

// Puts the finished temporary file in place unless the destination exists.
// link() is atomic and never replaces; file systems without hard links (FAT
// on USB sticks) get renameat2's no-replace, and failing that (FAT through
// FUSE) a reserved empty name that the rename then fills. renamed tells
// whether the temporary's name is gone.
bool publish(const QByteArray &temporary, const QByteArray &destination, bool *renamed)
{
    *renamed = false;
    if (::link(temporary.constData(), destination.constData()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, destination.constData(),
                    RENAME_NOREPLACE)
        == 0) {
        *renamed = true;
        return true;
    }
    if (errno == EEXIST)
        return false;
#endif
    const int reserved = ::open(destination.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (reserved < 0)
        return false;
    ::close(reserved);
    if (::rename(temporary.constData(), destination.constData()) == 0) {
        *renamed = true;
        return true;
    }
    ::unlink(destination.constData());
    return false;
}

// A temporary file left by a copy that was killed: a regular file whose
// writer's lock went with it. Removed; true when the name is free.
bool clearAbandoned(const QByteArray &temporary)
{
    struct stat info;
    if (::lstat(temporary.constData(), &info) != 0)
        return errno == ENOENT;
    if (!S_ISREG(info.st_mode))
        return false; // not ours: a device is never even opened
    FileDescriptor left(::open(temporary.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (left.get() < 0 || ::fstat(left.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (::flock(left.get(), LOCK_EX | LOCK_NB) != 0)
        return false; // another pass is writing it
    return ::unlink(temporary.constData()) == 0;
}

} // namespace

bool copyWithoutOverwrite(const QString &source, const QString &destination)
{
    const RegularFile input(source, std::numeric_limits<std::int64_t>::max());
    return input.isOpen() && copyWithoutOverwrite(input, destination);
}

bool copyWithoutOverwrite(const RegularFile &input, const QString &destination)
{
    const QByteArray to = QFile::encodeName(destination);
    struct stat existing;
    if (!input.isOpen() || to.isEmpty() || ::lstat(to.constData(), &existing) == 0)
        return false;

    // A copy never carries setuid, setgid or sticky: the tree may be anybody's.
    const mode_t mode = input.permissions() & 0777;

    const qsizetype slash = to.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? to.left(slash) : QByteArray(slash == 0 ? "/" : ".");

    // An unnamed file leaves nothing behind whatever happens, a kill
    // included: it gets its name only once complete, and link never
    // replaces.
    FileDescriptor unnamed(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (unnamed.get() >= 0) {
        bool ok = fill(input.descriptor(), unnamed.get(), mode);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed.get());
        ok = ok && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0;
        return unnamed.closeChecked() && ok;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return false; // the folder is missing or not writable

    // File systems without unnamed files (FAT on USB sticks): a hidden
    // temporary beside the destination, named after it and locked while it
    // is written, removed on any failure. A kill leaves it behind, never a
    // partial destination; the next copy to the same place finds it
    // unlocked and clears it first.
    const QByteArray temporary = folder + "/." + to.mid(slash + 1) + ".copia";
    if (!clearAbandoned(temporary))
        return false;
    FileDescriptor output(
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode));
    if (output.get() < 0)
        return false;
    if (::flock(output.get(), LOCK_EX | LOCK_NB) != 0)
        return false; // taken for abandoned by another pass, which removes it
    bool renamed = false;
    const bool ok = fill(input.descriptor(), output.get(), mode) && publish(temporary, to, &renamed);
    // After link() the temporary is a second name of the copy; after a
    // rename it is gone, and the name may already be another pass's.
    if (!renamed)
        ::unlink(temporary.constData());
    // The bytes were synced in fill(): closing only drops the lock.
    output.closeChecked();
    return ok;
}

} // namespace content
