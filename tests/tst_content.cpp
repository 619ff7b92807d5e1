// Content paths, the application title, program start without a shell and
// the no-overwrite copy, against real files and processes.
#include "apptitle.h"
#include "contentpath.h"
#include "environment.h"
#include "launcher.h"
#include "safecopy.h"
#include "movieheader.h"
#include "testsupport.h"
#include "treefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class TestContent final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movieSizeLimit_data();
    void movieSizeLimit();
    void initTestCase();
    void resolvesLikeWindows_data();
    void resolvesLikeWindows();
    void rootBaseDirectoryDoublesTheSeparator();
    void applicationTitle_data();
    void applicationTitle();
    void launchPassesArgumentsUntouched_data();
    void launchPassesArgumentsUntouched();
    void launchRefusesWhatCannotRun_data();
    void launchRefusesWhatCannotRun();
    void startedProgramsAreReaped();
    void copyNeverOverwrites();
    void copyCreatesNoFolder();
    void copyKeepsModeAndBytes();
    void copyFailingHalfWayLeavesNothing();
    void copyKilledHalfWayLeavesNothing();
    void copyDropsSpecialModeBits_data();
    void copyDropsSpecialModeBits();
    void lookupFollowsFolderChanges();
    void backslashInTheBaseDirectorysName();
    void launchRunsOnlyTheTreesOwnPrograms_data();
    void launchRunsOnlyTheTreesOwnPrograms();
    void desktopOpenerComesFromAbsolutePathOnly_data();
    void desktopOpenerComesFromAbsolutePathOnly();
    void desktopOpenerRunsNoHelperOfTheTree_data();
    void desktopOpenerRunsNoHelperOfTheTree();
    void startedProgramsGetTheStartingEnvironmentCleaned_data();
    void startedProgramsGetTheStartingEnvironmentCleaned();
    void regularFileRefusesWhatCouldBlockOrNeverEnd_data();
    void regularFileRefusesWhatCouldBlockOrNeverEnd();
    void openFileIsJudgedAsOpened_data();
    void openFileIsJudgedAsOpened();

private:
    QTemporaryDir m_tree;
};

void TestContent::initTestCase()
{
    QVERIFY(m_tree.isValid());
    const QString root = m_tree.path();
    testing::writeFile(root + QStringLiteral("/Manuais/3ano.PDF"));
    testing::writeFile(root + QStringLiteral("/Manuais/READER.exe"));
    testing::writeFile(root + QStringLiteral("/Matemática/Aula 1/Exercícios.pdf"));
    testing::writeFile(root + QStringLiteral("/config/logo.swf"));
}

void TestContent::resolvesLikeWindows_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("expected"); // relative to the tree, "" when missing
    QTest::newRow("exact") << "\\config\\logo.swf" << "/config/logo.swf";
    QTest::newRow("upper-case folder") << "\\MANUAIS\\READER.exe" << "/Manuais/READER.exe";
    QTest::newRow("lower-case folder") << "\\manuais\\3ano.PDF" << "/Manuais/3ano.PDF";
    QTest::newRow("file case") << "\\manuais\\3ANO.pdf" << "/Manuais/3ano.PDF";
    QTest::newRow("doubled separators") << "\\\\config\\\\logo.swf" << "/config/logo.swf";
    QTest::newRow("spaces and accents")
        << "\\matemática\\AULA 1\\exercícios.PDF" << "/Matemática/Aula 1/Exercícios.pdf";
    QTest::newRow("accents in upper case")
        << "\\MATEMÁTICA\\Aula 1\\EXERCÍCIOS.pdf" << "/Matemática/Aula 1/Exercícios.pdf";
    QTest::newRow("missing file") << "\\manuais\\9ano.PDF" << "";
    QTest::newRow("missing folder") << "\\agenda\\RedNotebookPortable.exe" << "";
    QTest::newRow("folder alone") << "\\config\\" << "";
}

void TestContent::resolvesLikeWindows()
{
    QFETCH(QString, relative);
    QFETCH(QString, expected);
    const QString contentPath = m_tree.path() + relative;
    QCOMPARE(content::fileExists(contentPath), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(content::toLocalPath(contentPath), m_tree.path() + expected);
}

void TestContent::rootBaseDirectoryDoublesTheSeparator()
{
    // Started from "/", the base directory is "/" and every joined path
    // starts with "/\"; it must still name the file.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QStringLiteral("/")));
    const QString base = content::baseDirectory();
    QDir::setCurrent(previous);
    QCOMPARE(base, QStringLiteral("/"));
    QString inTree = m_tree.path().mid(1); // without its leading slash
    const QString joined = base + QStringLiteral("\\") + inTree.replace(QLatin1Char('/'), QLatin1Char('\\'))
        + QStringLiteral("\\config\\logo.swf");
    QVERIFY(joined.startsWith(QStringLiteral("/\\")));
    QVERIFY(content::fileExists(joined));
    QCOMPARE(content::toLocalPath(joined), m_tree.path() + QStringLiteral("/config/logo.swf"));
}

void TestContent::applicationTitle_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "/opt/menu/apostilas" << "apostilas";
    QTest::newRow("capitalised") << "/media/cd/Apostilas" << "Apostilas";
    QTest::newRow("upper case") << "/media/cd/MENU.EXE" << "Menu";
    QTest::newRow("first dot ends it") << "/x/Menu.demo.exe" << "Menu";
    QTest::newRow("first letter as is") << "/x/aPOSTILAS" << "apostilas";
    QTest::newRow("accented") << "/x/ÁREA.exe" << "Área";
    QTest::newRow("dot first") << "/x/.hidden" << "";
}

void TestContent::applicationTitle()
{
    QFETCH(QString, executable);
    QFETCH(QString, title);
    QCOMPARE(content::applicationTitle(executable), title);
}

// A program of the tree that writes its arguments, one per line, to a file.
static QString writeRecorder(const QString &path, const QString &record)
{
    testing::writeFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                                 + QFile::encodeName(record) + "'\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestContent::launchPassesArgumentsUntouched_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "tree";
    QTest::newRow("spaces") << "Meus Documentos/Coleção 2024";
    QTest::newRow("quotes and shell characters") << "a \"b\" 'c' $HOME; rm -rf x & `y`";
}

void TestContent::launchPassesArgumentsUntouched()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    const QString root = dir.path() + QLatin1Char('/') + folder;
    const QString record = dir.path() + QStringLiteral("/record.txt");
    writeRecorder(root + QStringLiteral("/Manuais/READER.exe"), record);
    testing::writeFile(root + QStringLiteral("/Manuais/3ano.PDF"));
    QVERIFY(content::launchProgram(root, root + QStringLiteral("\\MANUAIS\\READER.exe"),
                                   {root + QStringLiteral("\\manuais\\3ano.PDF")}));
    WAIT_VERIFY(QFileInfo(record).size() > 0, 5000);
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             root + QStringLiteral("/Manuais/3ano.PDF\n"));
}

void TestContent::launchRefusesWhatCannotRun_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("executable");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\nexit 0\n") << false;
    QTest::newRow("windows program") << QByteArray("MZ\x90\0\3\0\0\0", 8) << true;
}

void TestContent::launchRefusesWhatCannotRun()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, executable);
    QTemporaryDir dir;
    const QString program = dir.path() + QStringLiteral("/READER.exe");
    if (!contents.isEmpty()) {
        testing::writeFile(program, contents);
        if (executable)
            QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        else
            QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner);
    }
    QVERIFY(!content::launchProgram(dir.path(), dir.path() + QStringLiteral("\\READER.exe"), {}));
}

// The children this process has (running or ended but not reaped).
static QStringList childProcesses()
{
    QStringList pids;
    const QStringList threads = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile file(QStringLiteral("/proc/self/task/%1/children").arg(thread));
        if (file.open(QIODevice::ReadOnly))
            pids << QString::fromLatin1(file.readAll()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return pids;
}

void TestContent::startedProgramsAreReaped()
{
    QTemporaryDir dir;
    const QString program = testing::writeFile(dir.path() + QStringLiteral("/quick.exe"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    // Children of earlier cases may still be ending: follow only the new ones.
    const QStringList before = childProcesses();
    for (int i = 0; i < 5; ++i)
        QVERIFY(content::launchProgram(dir.path(), dir.path() + QStringLiteral("\\quick.exe")));
    QStringList started = childProcesses();
    for (const QString &pid : before)
        started.removeAll(pid);
    QCOMPARE(started.size(), 5);
    const auto stillThere = [&] {
        const QStringList now = childProcesses();
        int count = 0;
        for (const QString &pid : started)
            count += now.contains(pid) ? 1 : 0;
        return count;
    };
    // Ended programs leave no zombies once the event loop has run.
    WAIT_COMPARE(stillThere(), 0, 10000);
}

void TestContent::copyNeverOverwrites()
{
    QTemporaryDir dir;
    const QString source = testing::writeFile(dir.path() + QStringLiteral("/proj.exe"), "new");
    const QString destination = testing::writeFile(dir.path() + QStringLiteral("/a/proj.exe"), "old");
    QVERIFY(!content::copyWithoutOverwrite(source, destination));
    QFile file(destination);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("old"));
    // Onto itself: nothing changes.
    QVERIFY(!content::copyWithoutOverwrite(source, source));
    QCOMPARE(QDir(dir.path() + QStringLiteral("/a")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("proj.exe")});
}

void TestContent::copyCreatesNoFolder()
{
    QTemporaryDir dir;
    const QString source = testing::writeFile(dir.path() + QStringLiteral("/proj.exe"), "new");
    QVERIFY(!content::copyWithoutOverwrite(source, dir.path() + QStringLiteral("/none/proj.exe")));
    QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/none")));
    QVERIFY(!content::copyWithoutOverwrite(dir.path() + QStringLiteral("/gone.exe"),
                                           dir.path() + QStringLiteral("/proj2.exe")));
    QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/proj2.exe")));
}

void TestContent::copyKeepsModeAndBytes()
{
    QTemporaryDir dir;
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    const QString source = testing::writeFile(dir.path() + QStringLiteral("/proj.exe"), bytes);
    QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(dir.path() + QStringLiteral("/b"));
    QVERIFY(content::copyWithoutOverwrite(source, dir.path() + QStringLiteral("/b/proj.exe")));
    QFile copy(dir.path() + QStringLiteral("/b/proj.exe"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), bytes);
    QVERIFY(copy.permissions() & QFile::ExeOwner);
    QCOMPARE(QDir(dir.path() + QStringLiteral("/b")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestContent::copyFailingHalfWayLeavesNothing()
{
    // A file-size limit below the source's size makes write() fail part of
    // the way through, as a full disk would. Done in a child process so the
    // limit does not stay on the test.
    QTemporaryDir dir;
    const QString source = testing::writeFile(dir.path() + QStringLiteral("/proj.exe"),
                                              QByteArray(256 * 1024, 'p'));
    QDir().mkpath(dir.path() + QStringLiteral("/c"));
    const QString destination = dir.path() + QStringLiteral("/c/proj.exe");
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        struct rlimit limit = {64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(content::copyWithoutOverwrite(source, destination) ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0); // the copy reported failure
    QCOMPARE(QDir(dir.path() + QStringLiteral("/c")).entryList(QDir::AllEntries | QDir::Hidden
                                                                | QDir::NoDotAndDotDot),
             QStringList());
    // A later pass can still put the whole file in place.
    QVERIFY(content::copyWithoutOverwrite(source, destination));
    QCOMPARE(QFileInfo(destination).size(), 256 * 1024);
}

void TestContent::copyKilledHalfWayLeavesNothing()
{
    // A copy the size of a large program, killed while it writes: the
    // destination folder must hold nothing afterwards, not even a hidden
    // temporary file. The source is sparse, so it costs no disk itself.
    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/proj.exe");
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(1) << 30));
    }
    const QString folder = dir.path() + QStringLiteral("/c");
    QDir().mkpath(folder);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0)
        ::_exit(content::copyWithoutOverwrite(source, folder + QStringLiteral("/proj.exe")) ? 0 : 1);
    // Killed as soon as the child has a file open in the folder.
    const QByteArray fds = "/proc/" + QByteArray::number(child) + "/fd/";
    const QByteArray inFolder = QFile::encodeName(folder) + '/';
    bool writing = false;
    for (int attempt = 0; attempt < 100000 && !writing; ++attempt) {
        for (int fd = 3; fd < 16 && !writing; ++fd) {
            char target[4096];
            const ssize_t length = ::readlink((fds + QByteArray::number(fd)).constData(), target, sizeof target);
            writing = length > 0 && QByteArray(target, int(length)).startsWith(inFolder);
        }
    }
    ::kill(child, SIGKILL);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(writing, "the copy was never seen writing");
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
}

void TestContent::copyDropsSpecialModeBits_data()
{
    QTest::addColumn<uint>("sourceMode");
    QTest::addColumn<uint>("copyMode");
    QTest::newRow("setuid") << 04755u << 0755u;
    QTest::newRow("setgid") << 02750u << 0750u;
    QTest::newRow("sticky") << 01700u << 0700u;
    QTest::newRow("plain") << 0640u << 0640u;
}

void TestContent::copyDropsSpecialModeBits()
{
    QFETCH(uint, sourceMode);
    QFETCH(uint, copyMode);
    QTemporaryDir dir;
    const QString source = testing::writeFile(dir.path() + QStringLiteral("/proj.exe"), "program");
    QCOMPARE(::chmod(QFile::encodeName(source).constData(), sourceMode), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const QString destination = dir.path() + QStringLiteral("/proj2.exe");
    QVERIFY(content::copyWithoutOverwrite(source, destination));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(destination).constData(), &info), 0);
    QCOMPARE(uint(info.st_mode & 07777), copyMode);
}

void TestContent::lookupFollowsFolderChanges()
{
    // The case-insensitive lookup keeps a folder's listing; a file added,
    // renamed or removed afterwards is still seen as it is now.
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/config"));
    const QString asked = dir.path() + QStringLiteral("\\CONFIG\\Novo.SWF");
    QVERIFY(!content::fileExists(asked)); // the listing is now kept
    testing::writeFile(dir.path() + QStringLiteral("/config/novo.swf"));
    QCOMPARE(content::toLocalPath(asked), dir.path() + QStringLiteral("/config/novo.swf"));
    QVERIFY(QFile::rename(dir.path() + QStringLiteral("/config/novo.swf"),
                          dir.path() + QStringLiteral("/config/NOVO.swf")));
    QCOMPARE(content::toLocalPath(asked), dir.path() + QStringLiteral("/config/NOVO.swf"));
    QVERIFY(QFile::remove(dir.path() + QStringLiteral("/config/NOVO.swf")));
    QVERIFY(!content::fileExists(asked));
}

void TestContent::backslashInTheBaseDirectorysName()
{
    // A folder name may hold a backslash on this system; it is part of the
    // base directory's name, not a separator.
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/Cole\\o 2024");
    testing::writeFile(root + QStringLiteral("/config/logo.swf"));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root));
    const QString base = content::baseDirectory();
    const QString local = content::toLocalPath(base + QStringLiteral("\\CONFIG\\logo.swf"));
    const bool exists = content::fileExists(base + QStringLiteral("\\config\\LOGO.swf"));
    QDir::setCurrent(previous);
    QCOMPARE(base, root);
    QCOMPARE(local, root + QStringLiteral("/config/logo.swf"));
    QVERIFY(exists);
}

void TestContent::launchRunsOnlyTheTreesOwnPrograms_data()
{
    // How MANUAIS/READER.exe is made; whether it may run.
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("runs");
    QTest::newRow("the tree's own program") << "file" << true;
    QTest::newRow("link to a program inside the tree") << "link inside" << true;
    QTest::newRow("link to /bin/sh") << "link to sh" << false;
    QTest::newRow("link to a program outside the tree") << "link outside" << false;
    QTest::newRow("folder linked out of the tree") << "folder outside" << false;
    QTest::newRow("named pipe") << "fifo" << false;
}

void TestContent::launchRunsOnlyTheTreesOwnPrograms()
{
    QFETCH(QString, shape);
    QFETCH(bool, runs);
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/tree");
    const QString outside = dir.path() + QStringLiteral("/elsewhere");
    const QString record = dir.path() + QStringLiteral("/record.txt");
    const QString manual = testing::writeFile(root + QStringLiteral("/manuais/3ano.PDF"));
    const QString reader = root + QStringLiteral("/MANUAIS/READER.exe");
    QDir().mkpath(root + QStringLiteral("/MANUAIS"));
    QDir().mkpath(outside);
    if (shape == QLatin1String("file")) {
        writeRecorder(reader, record);
    } else if (shape == QLatin1String("link inside")) {
        writeRecorder(root + QStringLiteral("/bin/leitor"), record);
        QVERIFY(QFile::link(root + QStringLiteral("/bin/leitor"), reader));
    } else if (shape == QLatin1String("link to sh")) {
        QVERIFY(QFile::link(QStringLiteral("/bin/sh"), reader));
        // What the shell would run if it were given the "manual".
        testing::writeFile(manual, "echo ran > '" + QFile::encodeName(record) + "'\n");
    } else if (shape == QLatin1String("link outside")) {
        writeRecorder(outside + QStringLiteral("/READER.exe"), record);
        QVERIFY(QFile::link(outside + QStringLiteral("/READER.exe"), reader));
    } else if (shape == QLatin1String("folder outside")) {
        QDir(root + QStringLiteral("/MANUAIS")).removeRecursively();
        writeRecorder(outside + QStringLiteral("/READER.exe"), record);
        QVERIFY(QFile::link(outside, root + QStringLiteral("/MANUAIS")));
    } else if (shape == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(reader).constData(), 0755), 0);
    }
    QCOMPARE(content::launchProgram(root, root + QStringLiteral("\\MANUAIS\\READER.exe"),
                                    {root + QStringLiteral("\\manuais\\3ano.PDF")}),
             runs);
    if (runs)
        WAIT_VERIFY(QFileInfo(record).size() > 0, 5000);
    else
        QVERIFY(!QFileInfo::exists(record)); // refused before anything started
}

void TestContent::desktopOpenerComesFromAbsolutePathOnly_data()
{
    QTest::addColumn<QString>("path"); // TREE and TRUSTED stand for those folders
    QTest::addColumn<bool>("trustedRuns");
    QTest::newRow("current folder first") << ".:TRUSTED" << true;
    QTest::newRow("empty entry first") << ":TRUSTED" << true;
    QTest::newRow("relative folder first") << "bin:TRUSTED" << true;
    QTest::newRow("the tree itself first") << "TREE/bin:TRUSTED" << true;
    // Nothing is left of PATH: the system's folders stand in for it.
    QTest::newRow("only the current folder") << "." << false;
}

void TestContent::desktopOpenerComesFromAbsolutePathOnly()
{
    QFETCH(QString, path);
    QFETCH(bool, trustedRuns);
    QTemporaryDir dir;
    const QString tree = dir.path() + QStringLiteral("/tree");
    const QString trusted = dir.path() + QStringLiteral("/usr-bin");
    const QString hostileRecord = dir.path() + QStringLiteral("/hostile.txt");
    const QString trustedRecord = dir.path() + QStringLiteral("/trusted.txt");
    const QString manual = testing::writeFile(tree + QStringLiteral("/manuais/3ano.PDF"));
    // The tree offers its own xdg-open wherever PATH might look.
    writeRecorder(tree + QStringLiteral("/xdg-open"), hostileRecord);
    writeRecorder(tree + QStringLiteral("/bin/xdg-open"), hostileRecord);
    writeRecorder(trusted + QStringLiteral("/xdg-open"), trustedRecord);
    const QByteArray previousPath = qgetenv("PATH");
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(tree);
    qputenv("PATH", QString(path).replace(QLatin1String("TREE"), tree)
                        .replace(QLatin1String("TRUSTED"), trusted).toLocal8Bit());
    const bool opened = content::openWithDesktop(tree, manual);
    qputenv("PATH", previousPath);
    QDir::setCurrent(previousFolder);
    QCOMPARE(opened, trustedRuns || QFileInfo(QStringLiteral("/usr/bin/xdg-open")).isExecutable());
    if (trustedRuns)
        WAIT_VERIFY(QFileInfo(trustedRecord).size() > 0, 5000);
    QVERIFY(!QFileInfo::exists(hostileRecord));
}

void TestContent::desktopOpenerRunsNoHelperOfTheTree_data()
{
    // PATH as a person's shell might have it; TREE stands for the tree.
    QTest::addColumn<QString>("path");
    QTest::newRow("current folder") << ".:/usr/local/bin:/usr/bin:/bin";
    QTest::newRow("empty entry") << ":/usr/local/bin:/usr/bin:/bin";
    QTest::newRow("trailing empty entry") << "/usr/local/bin:/usr/bin:/bin:";
    QTest::newRow("a folder of the tree first") << "TREE/bin:/usr/local/bin:/usr/bin:/bin";
    QTest::newRow("the tree itself first") << "TREE:/usr/local/bin:/usr/bin:/bin";
}

void TestContent::desktopOpenerRunsNoHelperOfTheTree()
{
    // The real xdg-open, and a tree that offers every helper it or the
    // programs it picks might look up on PATH, in the tree's root and in a
    // folder of it: each leaves a mark when it runs.
    QFETCH(QString, path);
    if (!QFileInfo(QStringLiteral("/usr/bin/xdg-open")).isExecutable())
        QSKIP("xdg-utils is not installed (scripts/setup.sh installs it)");
    QTemporaryDir dir;
    const QString tree = dir.path() + QStringLiteral("/tree");
    const QString marks = dir.path() + QStringLiteral("/marks");
    QDir().mkpath(marks);
    const QString manual = testing::writeFile(tree + QStringLiteral("/manuais/3ano.PDF"), "%PDF-1.4\n");
    const QStringList helpers = {
        QStringLiteral("sed"), QStringLiteral("xdg-mime"), QStringLiteral("which"), QStringLiteral("mimeopen"),
        QStringLiteral("x-www-browser"), QStringLiteral("www-browser"), QStringLiteral("run-mailcap"),
        QStringLiteral("xdg-open"), QStringLiteral("gio"), QStringLiteral("kde-open"), QStringLiteral("gvfs-open"),
        QStringLiteral("exo-open"), QStringLiteral("file"), QStringLiteral("grep"), QStringLiteral("cut"),
        QStringLiteral("head"), QStringLiteral("tr"), QStringLiteral("basename"), QStringLiteral("dirname"),
        QStringLiteral("readlink"), QStringLiteral("sh"), QStringLiteral("awk"), QStringLiteral("evince"),
        QStringLiteral("okular"), QStringLiteral("firefox"), QStringLiteral("chromium"), QStringLiteral("xdg-terminal")};
    for (const QString &folder : {tree, tree + QStringLiteral("/bin")}) {
        for (const QString &helper : helpers) {
            const QString program = testing::writeFile(
                folder + QLatin1Char('/') + helper,
                "#!/bin/sh\necho ran > '" + QFile::encodeName(marks + QLatin1Char('/') + helper) + "'\n");
            QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
    const QByteArray previousPath = qgetenv("PATH");
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(tree);
    qputenv("PATH", QString(path).replace(QLatin1String("TREE"), tree).toLocal8Bit());
    const QStringList before = childProcesses();
    const bool opened = content::openWithDesktop(tree, manual);
    QStringList started = childProcesses();
    qputenv("PATH", previousPath);
    QDir::setCurrent(previousFolder);
    QVERIFY(opened);
    for (const QString &pid : before)
        started.removeAll(pid);
    // The opener's end (it is reaped as it ends) comes after every helper
    // it ran itself.
    WAIT_VERIFY(std::none_of(started.begin(), started.end(),
                             [](const QString &pid) { return childProcesses().contains(pid); }),
                30000);
    QCOMPARE(QDir(marks).entryList(QDir::Files), QStringList());
}

void TestContent::startedProgramsGetTheStartingEnvironmentCleaned_data()
{
    // Which program is started: the tree's reader runs in the tree (the
    // menu's current folder), the desktop's opener in "/".
    QTest::addColumn<bool>("opener");
    QTest::newRow("the tree's reader") << false;
    QTest::newRow("the desktop's opener") << true;
}

void TestContent::startedProgramsGetTheStartingEnvironmentCleaned()
{
    QFETCH(bool, opener);
    QTemporaryDir dir;
    const QString tree = dir.path() + QStringLiteral("/tree");
    const QString trusted = dir.path() + QStringLiteral("/usr-bin");
    const QString record = dir.path() + QStringLiteral("/record.txt");
    const QString manual = testing::writeFile(tree + QStringLiteral("/manuais/3ano.PDF"));
    // Writes its current folder, then its environment.
    const QByteArray dumper = "#!/bin/sh\n{ pwd; env; } > '" + QFile::encodeName(record) + ".part' && /bin/mv '"
        + QFile::encodeName(record) + ".part' '" + QFile::encodeName(record) + "'\n";
    const QString program = testing::writeFile(opener ? trusted + QStringLiteral("/xdg-open")
                                                      : tree + QStringLiteral("/MANUAIS/READER.exe"),
                                               dumper);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(tree + QStringLiteral("/share"));
    const QString previousFolder = QDir::currentPath();
    const QProcessEnvironment previous = QProcessEnvironment::systemEnvironment();
    const auto restore = [&] {
        for (const char *name : {"PATH", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "LD_PRELOAD", "MENU_OWN_SWITCH"}) {
            const QString key = QLatin1String(name);
            if (previous.contains(key))
                qputenv(name, previous.value(key).toLocal8Bit());
            else
                qunsetenv(name);
        }
        QDir::setCurrent(previousFolder);
    };
    QDir::setCurrent(tree);
    qputenv("PATH", (QStringLiteral(".::") + tree + QStringLiteral("/bin:") + trusted
                     + QStringLiteral(":bin:/usr/bin:/bin")).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", (tree + QStringLiteral("/share:share:/usr/share")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", "config");
    qputenv("LD_PRELOAD", (tree + QStringLiteral("/hook.so")).toLocal8Bit());
    content::keepStartingEnvironment();
    // What the menu sets for itself after it started is not handed on.
    qputenv("MENU_OWN_SWITCH", "1");
    const bool started = opener ? content::openWithDesktop(tree, manual)
                                : content::launchProgram(tree, tree + QStringLiteral("\\MANUAIS\\READER.exe"),
                                                         {tree + QStringLiteral("\\manuais\\3ano.PDF")});
    restore();
    QVERIFY(started);
    WAIT_VERIFY(QFileInfo(record).size() > 0, 5000);
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.takeFirst(), opener ? QStringLiteral("/") : tree);
    QString pathSeen;
    QString dataSeen;
    for (const QString &line : lines) {
        QVERIFY2(!line.startsWith(QLatin1String("MENU_OWN_SWITCH=")), qPrintable(line));
        QVERIFY2(!line.startsWith(QLatin1String("LD_PRELOAD=")), qPrintable(line));
        QVERIFY2(!line.startsWith(QLatin1String("XDG_CONFIG_HOME=")), qPrintable(line));
        if (line.startsWith(QLatin1String("PATH=")))
            pathSeen = line.mid(5);
        if (line.startsWith(QLatin1String("XDG_DATA_DIRS=")))
            dataSeen = line.mid(14);
    }
    QCOMPARE(pathSeen, trusted + QStringLiteral(":/usr/bin:/bin"));
    QCOMPARE(dataSeen, QStringLiteral("/usr/share"));
}

void TestContent::regularFileRefusesWhatCouldBlockOrNeverEnd_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QString>("reason");
    QTest::newRow("regular") << "file" << int(content::FileRefusal::None) << "";
    QTest::newRow("missing") << "missing" << int(content::FileRefusal::Missing) << "No such file or directory";
    QTest::newRow("dangling link") << "dangling" << int(content::FileRefusal::Missing)
                                   << "No such file or directory";
    QTest::newRow("named pipe") << "fifo" << int(content::FileRefusal::NotRegular)
                                << "Is a named pipe, not a regular file";
    QTest::newRow("link to /dev/zero") << "zero" << int(content::FileRefusal::NotRegular)
                                       << "Is a device, not a regular file";
    QTest::newRow("folder") << "folder" << int(content::FileRefusal::NotRegular) << "Is a directory";
    QTest::newRow("over the limit") << "large" << int(content::FileRefusal::TooLarge) << "File too large";
}

void TestContent::regularFileRefusesWhatCouldBlockOrNeverEnd()
{
    QFETCH(QString, shape);
    QFETCH(int, refusal);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/educ1.xml");
    const QByteArray encoded = QFile::encodeName(path);
    if (shape == QLatin1String("file"))
        testing::writeFile(path, "<DATAPACKET/>");
    else if (shape == QLatin1String("dangling"))
        QVERIFY(QFile::link(dir.path() + QStringLiteral("/gone"), path));
    else if (shape == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(encoded.constData(), 0644), 0);
    else if (shape == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (shape == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    else if (shape == QLatin1String("large"))
        testing::writeFile(path, QByteArray(1025, 'x'));
    // A FIFO with no writer would block an ordinary open for good.
    content::RegularFile file(path, 1024);
    QCOMPARE(int(file.refusal()), refusal);
    QCOMPARE(file.isOpen(), refusal == int(content::FileRefusal::None));
    QCOMPARE(file.reason(), reason);
    if (file.isOpen()) {
        QByteArray bytes;
        QVERIFY(file.readAll(&bytes, 1024));
        QCOMPARE(bytes, QByteArray("<DATAPACKET/>"));
    }
}

void TestContent::openFileIsJudgedAsOpened_data()
{
    // What the name led to when it was opened, and what happened to the
    // name afterwards: the open file is inside the tree or not by what it
    // is, not by what the name says now.
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("afterwards");
    QTest::addColumn<bool>("inside");
    QTest::newRow("the tree's file") << "file" << "" << true;
    QTest::newRow("a link to the tree's file") << "link inside" << "" << true;
    QTest::newRow("a link out of the tree") << "link outside" << "" << false;
    QTest::newRow("a link out of the tree, then the tree's file put back")
        << "link outside" << "file back" << false;
    QTest::newRow("a link to the tree's file, then swapped for a link out")
        << "link inside" << "link outside" << true;
    QTest::newRow("the tree's file, then removed") << "file" << "removed" << false;
}

void TestContent::openFileIsJudgedAsOpened()
{
    QFETCH(QString, opened);
    QFETCH(QString, afterwards);
    QFETCH(bool, inside);
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/tree");
    const QString name = root + QStringLiteral("/proj.exe");
    const QString own = testing::writeFile(root + QStringLiteral("/bin/proj.exe"), "own");
    const QString outside = testing::writeFile(dir.path() + QStringLiteral("/elsewhere/proj.exe"), "other");
    const auto make = [&](const QString &shape) {
        QFile::remove(name);
        if (shape == QLatin1String("file") || shape == QLatin1String("file back"))
            return !testing::writeFile(name, "own").isEmpty();
        if (shape == QLatin1String("link inside"))
            return QFile::link(own, name);
        if (shape == QLatin1String("link outside"))
            return QFile::link(outside, name);
        return shape == QLatin1String("removed");
    };
    QVERIFY(make(opened));
    const content::RegularFile file(name, 1024);
    QVERIFY(file.isOpen());
    if (!afterwards.isEmpty())
        QVERIFY(make(afterwards));
    QCOMPARE(file.isInside(root), inside);
}

void TestContent::movieSizeLimit_data()
{
    // A movie's header declares its uncompressed length; past the limit it
    // is refused before the engine inflates it.
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<int>("check");
    QTest::newRow("at the limit") << qint64(content::kMaxMovieSize) << int(content::MovieCheck::Playable);
    QTest::newRow("one byte past") << qint64(content::kMaxMovieSize + 1) << int(content::MovieCheck::TooLarge);
    QTest::newRow("twice the limit") << qint64(2 * content::kMaxMovieSize) << int(content::MovieCheck::TooLarge);
}

void TestContent::movieSizeLimit()
{
    QFETCH(qint64, declared);
    QFETCH(int, check);
    QTemporaryDir dir;
    const std::vector<std::uint8_t> bytes = swf::writeMovie(testing::movieSpec("SIZE"));
    QByteArray movie(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    for (int i = 0; i < 4; ++i)
        movie[4 + i] = char((quint64(declared) >> (8 * i)) & 0xff);
    const QString path = testing::writeFile(dir.path() + QStringLiteral("/m.swf"), movie);
    const content::MovieHeader header = content::readMovieHeader(path);
    QCOMPARE(header.declaredLength, declared);
    QCOMPARE(int(header.check), check);
}

MENU_UNIT_TEST_MAIN(TestContent)
#include "tst_content.moc"
