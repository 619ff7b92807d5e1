#include "contentpath.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace content {

namespace {

// A folder's entries, for the case-insensitive match: their names as on disk
// (each ending in a zero byte) and, sorted, the hash of each folded name
// with where the name starts. Kept per folder, known by its device and inode
// (however the path to it was spelled, "\big\S\.." is "\big" again), and
// read again only when the folder changes: a medium's config folder may hold
// hundreds of thousands of files, and listing it on every click blocks the
// window for seconds.
struct Listing
{
    struct timespec modified = {};
    struct timespec changed = {};
    QByteArray names;
    std::vector<std::pair<size_t, quint32>> byFoldedHash;
    quint64 lastUse = 0;
};

struct FolderKey
{
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey &other) const { return device == other.device && inode == other.inode; }
};

size_t qHash(const FolderKey &key, size_t seed = 0)
{
    return qHashMulti(seed, quint64(key.device), quint64(key.inode));
}

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

QMutex s_listingsLock;
QString s_reportedBase;
QHash<FolderKey, std::shared_ptr<Listing>> s_listings;
quint64 s_useClock = 0;
qsizetype s_cachedEntries = 0;
LookupWork s_work;
// The folders touched in a run are few (config, manuais, agenda, the
// catalog's folders), but one may be huge; the least recently used go once
// the listings kept hold this many entries in all (about 30 MB).
constexpr qsizetype kMaxCachedEntries = 1000000;
constexpr qsizetype kMaxCachedFolders = 4096;

std::shared_ptr<Listing> readListing(int folder, const struct stat &info)
{
    auto listing = std::make_shared<Listing>();
    listing->modified = info.st_mtim;
    listing->changed = info.st_ctim;
    const int readable = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0)
        return listing;
    DIR *dir = ::fdopendir(readable);
    if (!dir) {
        ::close(readable);
        return listing;
    }
    while (const struct dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        const qsizetype length = qsizetype(std::strlen(name));
        if (listing->names.size() > std::numeric_limits<quint32>::max() - length - 1)
            break;
        listing->byFoldedHash.emplace_back(qHash(QFile::decodeName(QByteArray(name, length)).toCaseFolded()),
                                           quint32(listing->names.size()));
        listing->names.append(name, length + 1);
    }
    ::closedir(dir);
    std::sort(listing->byFoldedHash.begin(), listing->byFoldedHash.end());
    ++s_work.listings;
    s_work.entriesListed += listing->byFoldedHash.size();
    return listing;
}

// The entry equal to folded ignoring case, the first in sorted order of
// those that fold alike (so the choice is stable); empty when none.
QString findFolded(const Listing &listing, const QString &folded)
{
    const size_t hash = qHash(folded);
    auto it = std::lower_bound(listing.byFoldedHash.begin(), listing.byFoldedHash.end(),
                               std::make_pair(hash, quint32(0)));
    QString chosen;
    for (; it != listing.byFoldedHash.end() && it->first == hash; ++it) {
        const QString name = QFile::decodeName(listing.names.constData() + it->second);
        if (name.toCaseFolded() == folded && (chosen.isEmpty() || name < chosen))
            chosen = name;
    }
    return chosen;
}

void keepListing(const FolderKey &key, const std::shared_ptr<Listing> &listing)
{
    auto old = s_listings.find(key);
    if (old != s_listings.end()) {
        s_cachedEntries -= (*old)->byFoldedHash.size();
        s_listings.erase(old);
    }
    const qsizetype entries = qsizetype(listing->byFoldedHash.size());
    while (!s_listings.isEmpty()
           && (s_cachedEntries + entries > kMaxCachedEntries || s_listings.size() >= kMaxCachedFolders)) {
        auto oldest = s_listings.begin();
        for (auto it = s_listings.begin(); it != s_listings.end(); ++it) {
            if ((*it)->lastUse < (*oldest)->lastUse)
                oldest = it;
        }
        s_cachedEntries -= (*oldest)->byFoldedHash.size();
        s_listings.erase(oldest);
    }
    s_listings.insert(key, listing);
    s_cachedEntries += entries;
}

// One resolution's listings: each folder is listed at most once per path,
// even when the shared cache had to let it go on the way.
using Listings = QHash<FolderKey, std::shared_ptr<Listing>>;

std::shared_ptr<Listing> listingOf(int folder, Listings *seen)
{
    struct stat info;
    if (::fstat(folder, &info) != 0 || !S_ISDIR(info.st_mode))
        return nullptr;
    const FolderKey key{info.st_dev, info.st_ino};
    const QMutexLocker locker(&s_listingsLock);
    std::shared_ptr<Listing> listing = s_listings.value(key);
    if (!listing || !sameTime(listing->modified, info.st_mtim) || !sameTime(listing->changed, info.st_ctim)) {
        listing = seen->value(key);
        if (!listing || !sameTime(listing->modified, info.st_mtim) || !sameTime(listing->changed, info.st_ctim))
            listing = readListing(folder, info);
        keepListing(key, listing);
    }
    listing->lastUse = ++s_useClock;
    seen->insert(key, listing);
    return listing;
}

class Folder
{
public:
    explicit Folder(int fd = -1) : m_fd(fd) {}
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;
    int get() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Backslashes as slashes, doubled separators as one.
QString withSlashes(const QString &start, const QString &path)
{
    QString result = start;
    result.reserve(start.size() + path.size());
    for (const QChar c : path) {
        const bool separator = c == QLatin1Char('\\') || c == QLatin1Char('/');
        if (separator && (result.isEmpty() ? false : result.back() == QLatin1Char('/')))
            continue;
        result += separator ? QLatin1Char('/') : c;
    }
    return result;
}

} // namespace

QString baseDirectory()
{
    // QDir::currentPath() has no trailing separator except for the root.
    const QString base = QDir::currentPath();
    const QMutexLocker locker(&s_listingsLock);
    s_reportedBase = base;
    return base;
}

QString toLocalPath(const QString &contentPath)
{
    if (contentPath.isEmpty())
        return QString();
    // The base directory is a name the system gave: a backslash in it is
    // part of a folder's name. Only what was appended to it uses backslashes
    // as separators.
    QString base;
    {
        const QMutexLocker locker(&s_listingsLock);
        if (s_reportedBase.contains(QLatin1Char('\\')) && contentPath.startsWith(s_reportedBase))
            base = s_reportedBase;
    }
    const QString path = contentPath.mid(base.size());
    const bool absolute = !base.isEmpty() || path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\'));
    const QString start = !base.isEmpty() ? (base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/'))
                                          : QStringLiteral("/");
    const QString cwd = absolute ? QString() : QDir::currentPath() + QLatin1Char('/');

    // No file has a path longer than the system takes, nor a name longer
    // than a folder holds: such a path is only made local, with no lookup.
    // Checked before it is split, so a catalog's folder of ten million parts
    // costs one copy of its text.
    const QString plain = withSlashes(absolute ? start : QString(), path);
    if (cwd.size() + plain.size() >= PATH_MAX
        || QFile::encodeName(cwd).size() + QFile::encodeName(plain).size() >= PATH_MAX) {
        const QMutexLocker locker(&s_listingsLock);
        ++s_work.tooLong;
        return plain;
    }
    const bool trailing = plain.endsWith(QLatin1Char('/'));
    const QStringList components = plain.mid(absolute ? start.size() : 0).split(QLatin1Char('/'), Qt::SkipEmptyParts);

    // The walk holds each folder open: every component is looked up in the
    // folder itself, not through a path the system walks again.
    Folder folder(::open(QFile::encodeName(absolute ? start : cwd).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    bool searching = folder.get() >= 0;
    Listings seen;
    QString result = absolute ? start : QString();
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString &component = components.at(i);
        const bool last = i + 1 == components.size();
        QString name = component;
        if (searching) {
            const QByteArray encoded = QFile::encodeName(component);
            struct stat info;
            if (component == QLatin1String(".") || component == QLatin1String("..")) {
                // Taken as the system takes them, through the folder reached.
            } else if (encoded.size() > NAME_MAX) {
                searching = false;
            } else if (::fstatat(folder.get(), encoded.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                // A component that exists as spelled wins; otherwise the
                // entry of the folder equal to it ignoring case.
                const std::shared_ptr<Listing> listing = listingOf(folder.get(), &seen);
                const QString match = listing ? findFolded(*listing, component.toCaseFolded()) : QString();
                if (match.isEmpty())
                    searching = false; // nothing below a missing component can exist
                else
                    name = match;
            }
            if (searching && (!last || trailing)) {
                folder.reset(::openat(folder.get(), QFile::encodeName(name).constData(),
                                      O_PATH | O_DIRECTORY | O_CLOEXEC));
                searching = folder.get() >= 0;
            }
        }
        result += name;
        if (!last || trailing)
            result += QLatin1Char('/');
    }
    return result;
}

LookupWork lookupWork()
{
    const QMutexLocker locker(&s_listingsLock);
    return s_work;
}

bool fileExists(const QString &contentPath)
{
    const QString local = toLocalPath(contentPath);
    if (local.isEmpty() || local.endsWith(QLatin1Char('/')))
        return false;
    return QFileInfo(local).isFile();
}

} // namespace content
