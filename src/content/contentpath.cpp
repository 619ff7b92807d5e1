#include "contentpath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace content {

namespace {

// A component that exists as spelled wins; otherwise the first directory entry
// (in sorted order, so the choice is stable) equal to it ignoring case.
QString matchComponent(const QString &directory, const QString &component)
{
    const QString exact = directory + component;
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return component;
    const QDir dir(directory);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                  | QDir::NoDotAndDotDot,
                                              QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(component, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

} // namespace

QString baseDirectory()
{
    // QDir::currentPath() has no trailing separator except for the root.
    return QDir::currentPath();
}

QString toLocalPath(const QString &contentPath)
{
    if (contentPath.isEmpty())
        return QString();
    QString path = contentPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool absolute = path.startsWith(QLatin1Char('/'));
    const bool trailing = path.endsWith(QLatin1Char('/'));
    const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);

    QString resolved = absolute ? QStringLiteral("/") : QDir::currentPath() + QLatin1Char('/');
    QString result = absolute ? QStringLiteral("/") : QString();
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
