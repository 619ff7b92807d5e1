#include "environment.h"

#include "treefile.h"

#include <QDir>
#include <QStringList>

#include <optional>

namespace content {

namespace {

std::optional<QProcessEnvironment> &kept()
{
    static std::optional<QProcessEnvironment> environment;
    return environment;
}

// Lists of folders a program or its helpers search, colon-separated.
const char *const kSearchLists[] = {"PATH", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "LD_LIBRARY_PATH",
                                    "MANPATH", "INFOPATH", "PYTHONPATH", "PERL5LIB", "PERLLIB",
                                    "RUBYLIB", "GI_TYPELIB_PATH", "GTK_PATH", "GST_PLUGIN_PATH",
                                    "QT_PLUGIN_PATH", "QML2_IMPORT_PATH", "GCONV_PATH"};
// Variables naming one folder that a program writes to or reads from.
const char *const kFolders[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                                "XDG_RUNTIME_DIR", "TMPDIR", "TMP", "TEMP", "PULSE_RUNTIME_PATH"};
// Libraries loaded into every program, whatever it is.
const char *const kRemoved[] = {"LD_PRELOAD", "LD_AUDIT"};

// An absolute folder outside the tree. A folder that does not exist yet is
// judged by its spelling: it could be made inside the tree later.
bool trusted(const QString &folder, const QString &treeRoot)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return false;
    if (treeRoot.isEmpty())
        return true;
    if (isInsideTree(folder, treeRoot))
        return false;
    const QString clean = QDir::cleanPath(folder);
    const QString root = QDir::cleanPath(treeRoot);
    return clean != root && !clean.startsWith(root == QLatin1String("/") ? root : root + QLatin1Char('/'));
}

} // namespace

void keepStartingEnvironment()
{
    kept() = QProcessEnvironment::systemEnvironment();
}

QProcessEnvironment programEnvironment(const QString &treeRoot)
{
    QProcessEnvironment environment = kept() ? *kept() : QProcessEnvironment::systemEnvironment();
    for (const char *name : kSearchLists) {
        const QString key = QLatin1String(name);
        if (!environment.contains(key))
            continue;
        QStringList kept;
        for (const QString &entry : environment.value(key).split(QLatin1Char(':'))) {
            if (trusted(entry, treeRoot) && !kept.contains(entry))
                kept << entry;
        }
        if (kept.isEmpty())
            environment.remove(key);
        else
            environment.insert(key, kept.join(QLatin1Char(':')));
    }
    for (const char *name : kFolders) {
        const QString key = QLatin1String(name);
        if (environment.contains(key) && !trusted(environment.value(key), treeRoot))
            environment.remove(key);
    }
    for (const char *name : kRemoved)
        environment.remove(QLatin1String(name));
    if (!environment.contains(QStringLiteral("PATH")))
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    return environment;
}

} // namespace content
