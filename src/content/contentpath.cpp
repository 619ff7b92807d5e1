#include "contentpath.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <dirent.h>
#include <sys/stat.h>

namespace content {

namespace {

// A folder's entries by their case-folded name, each the first in sorted
// order of the entries that fold alike (so the choice is stable). Kept per
// folder and read again only when the folder changes: a medium's config
// folder may hold hundreds of thousands of files, and listing it on every
// click blocks the window for seconds.
struct Listing
{
    struct timespec modified = {};
    struct timespec changed = {};
    ino_t inode = 0;
    dev_t device = 0;
    QHash<QString, QString> byFolded;
};

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

QMutex s_listingsLock;
QString s_reportedBase;
QHash<QString, Listing> s_listings;
// Folders touched in a run are few (config, manuais, agenda, the catalog's
// folders); a pass over many catalog folders just starts the cache afresh.
constexpr qsizetype kMaxListings = 256;

void readListing(const QByteArray &directory, Listing *listing)
{
    listing->byFolded.clear();
    DIR *dir = ::opendir(directory.constData());
    if (!dir)
        return;
    while (const struct dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        const QString decoded = QFile::decodeName(name);
        QString &chosen = listing->byFolded[decoded.toCaseFolded()];
        if (chosen.isEmpty() || decoded < chosen)
            chosen = decoded;
    }
    ::closedir(dir);
}

// A component that exists as spelled wins; otherwise the entry of the folder
// equal to it ignoring case.
QString matchComponent(const QString &directory, const QString &component)
{
    const QString exact = directory + component;
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return component;
    const QByteArray encoded = QFile::encodeName(directory);
    struct stat info;
    if (::stat(encoded.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QString();
    const QMutexLocker locker(&s_listingsLock);
    auto found = s_listings.find(directory);
    if (found == s_listings.end() || !sameTime(found->modified, info.st_mtim)
        || !sameTime(found->changed, info.st_ctim) || found->inode != info.st_ino
        || found->device != info.st_dev) {
        if (found == s_listings.end()) {
            if (s_listings.size() >= kMaxListings)
                s_listings.clear();
            found = s_listings.insert(directory, Listing());
        }
        found->modified = info.st_mtim;
        found->changed = info.st_ctim;
        found->inode = info.st_ino;
        found->device = info.st_dev;
        readListing(encoded, &*found);
    }
    return found->byFolded.value(component.toCaseFolded());
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
    QString path = contentPath.mid(base.size());
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool absolute = !base.isEmpty() || path.startsWith(QLatin1Char('/'));
    const bool trailing = path.endsWith(QLatin1Char('/'));
    const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);

    const QString start = !base.isEmpty() ? (base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/'))
                                          : QStringLiteral("/");
    QString resolved = absolute ? start : QDir::currentPath() + QLatin1Char('/');
    QString result = absolute ? start : QString();
    bool searching = true;
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString &component = components.at(i);
        QString name = component;
        if (searching && component != QLatin1String(".") && component != QLatin1String("..")) {
            const QString match = matchComponent(resolved, component);
            if (match.isEmpty())
                searching = false; // nothing below a missing component can exist
            else
                name = match;
        }
        resolved += name;
        result += name;
        if (i + 1 < components.size() || trailing) {
            resolved += QLatin1Char('/');
            result += QLatin1Char('/');
        }
    }
    return result;
}

bool fileExists(const QString &contentPath)
{
    const QString local = toLocalPath(contentPath);
    if (local.isEmpty() || local.endsWith(QLatin1Char('/')))
        return false;
    return QFileInfo(local).isFile();
}

} // namespace content
