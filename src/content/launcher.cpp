#include "launcher.h"

#include "contentpath.h"
#include "environment.h"
#include "treefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace content {

namespace {

// Started programs are the menu's children until they end; each is reaped
// when its pidfd says it has, so none lingers as a zombie. Where pidfds are
// missing, what has ended is reaped at the next start.
void reapWhenDone(pid_t pid)
{
    static std::vector<pid_t> unwatched;
    for (auto it = unwatched.begin(); it != unwatched.end();)
        it = ::waitpid(*it, nullptr, WNOHANG) == 0 ? it + 1 : unwatched.erase(it);
#ifdef SYS_pidfd_open
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0 && QCoreApplication::instance()) {
        auto *notifier = new QSocketNotifier(pidfd, QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, pid, pidfd] {
            ::waitpid(pid, nullptr, WNOHANG);
            notifier->setEnabled(false);
            ::close(pidfd);
            notifier->deleteLater();
        });
        return;
    }
    if (pidfd >= 0)
        ::close(pidfd);
#endif
    unwatched.push_back(pid);
}

// posix_spawn shares the menu's memory until the exec instead of copying
// its page tables as fork() does: a few hundred microseconds rather than
// tens of milliseconds for a process of the menu's size. Exec failures
// (missing, not executable, ENOEXEC for a Windows program) come back as its
// result. The child gets default signal handling, an empty signal mask,
// /dev/null as input and a session of its own, the environment given and,
// when folder is not empty, that folder as its current one.
bool spawnDetached(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                   const QString &folder = QString())
{
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> encoded;
    encoded.reserve(static_cast<std::size_t>(arguments.size()) + 1);
    encoded.push_back(path);
    for (const QString &argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> variables;
    for (const QString &variable : environment.toStringList())
        variables.push_back(QFile::encodeName(variable));
    std::vector<char *> envp;
    for (QByteArray &variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const QByteArray encodedFolder = QFile::encodeName(folder);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, encodedFolder.constData());
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
    reapWhenDone(pid);
    return true;
}

} // namespace

bool launchProgram(const QString &treeRoot, const QString &program, const QStringList &arguments)
{
    const QString canonical = regularFileInside(toLocalPath(program), treeRoot);
    if (canonical.isEmpty() || !QFileInfo(canonical).isExecutable())
        return false;
    QStringList localArguments;
    localArguments.reserve(arguments.size());
    for (const QString &argument : arguments)
        localArguments << toLocalPath(argument);
    // The resolved file, not the name: the link cannot be swapped meanwhile.
    // They run in the tree, as they always have (the menu's current
    // folder), with the environment the menu was started with.
    return spawnDetached(canonical, localArguments, programEnvironment(treeRoot));
}

bool openWithDesktop(const QString &treeRoot, const QString &localPath)
{
    // The opener is a shell script that runs helpers (sed, xdg-mime, which,
    // mimeopen, a browser …) found on PATH and reads desktop entries from
    // XDG_DATA_DIRS: it gets lists without the tree in them, and a current
    // folder outside the tree.
    const QProcessEnvironment environment = programEnvironment(treeRoot);
    const QStringList path = environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'));
    for (const QString &folder : path) {
        // "." or an empty entry would be the content tree itself.
        if (!folder.startsWith(QLatin1Char('/')))
            continue;
        const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
        if (canonicalFolder.isEmpty() || isInsideTree(canonicalFolder, treeRoot))
            continue;
        const QFileInfo opener(canonicalFolder + QStringLiteral("/xdg-open"));
        if (opener.isFile() && opener.isExecutable())
            return spawnDetached(opener.absoluteFilePath(), {localPath}, environment, QStringLiteral("/"));
    }
    return false;
}

} // namespace content
