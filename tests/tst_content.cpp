// Content paths, the application title, program start without a shell and
// the no-overwrite copy, against real files and processes.
#include "apptitle.h"
#include "contentpath.h"
#include "launcher.h"
#include "safecopy.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

class TestContent final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
    QVERIFY(content::launchProgram(root + QStringLiteral("\\MANUAIS\\READER.exe"),
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
    QVERIFY(!content::launchProgram(dir.path() + QStringLiteral("\\READER.exe"), {}));
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
        QVERIFY(content::launchProgram(dir.path() + QStringLiteral("\\quick.exe")));
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

MENU_TEST_MAIN(TestContent)
#include "tst_content.moc"
