// The copy pass on a real FAT file system, as a school's USB stick has: an
// image made for the test with mkfs.fat and mounted read-write through FUSE
// with fusefat. FAT has no unnamed files, so every copy here goes through
// the named temporary: no overwrite even of a file that appears during the
// copy, nothing partial left by a kill, no special permission bits.
#include "clientdataset.h"
#include "copypass.h"
#include "safecopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Bytes that no hole or pattern shortcut can stand in for.
QByteArray programBytes(int size)
{
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245 + 12345;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

bool isMounted(const QString &mountPoint)
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QByteArray needle = ' ' + QFile::encodeName(mountPoint) + ' ';
    return mounts.readAll().contains(needle);
}

// Waits for the mount table to change (the kernel marks /proc/self/mounts
// with POLLPRI on every mount and unmount) until wanted() holds.
bool waitForMountTable(const std::function<bool()> &wanted, int milliseconds)
{
    const int fd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QDeadlineTimer deadline(milliseconds);
    bool ok = wanted();
    while (!ok && !deadline.hasExpired()) {
        struct pollfd watch = {fd, POLLPRI, 0};
        ::poll(&watch, 1, static_cast<int>(qMin<qint64>(deadline.remainingTime(), 200)));
        ok = wanted();
    }
    ::close(fd);
    return ok;
}

// The process's descriptor that names a file inside folder, or -1.
int descriptorInside(pid_t process, const QByteArray &folder)
{
    const QByteArray fds = "/proc/" + QByteArray::number(process) + "/fd/";
    for (int fd = 3; fd < 32; ++fd) {
        char target[4096];
        const ssize_t length = ::readlink((fds + QByteArray::number(fd)).constData(), target, sizeof target);
        if (length > 0 && QByteArray(target, int(length)).startsWith(folder))
            return fd;
    }
    return -1;
}

} // namespace

class TestFatCopy final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void passOnAStick();
    void copyNeverReplacesAFileMadeMeanwhile();
    void copyKilledHalfWayLeavesNoPartialFile();
    void copyDropsSpecialModeBits_data();
    void copyDropsSpecialModeBits();

private:
    QString freshFolder();
    // Starts copying source to folder/proj.exe in a child process, and
    // returns once the child is writing its temporary there (the child is
    // then stopped), or -1.
    pid_t startStoppedCopy(const QString &source, const QString &folder);

    QTemporaryDir m_work;
    QString m_image;
    QString m_stick;
    QProcess m_fusefat;
    QString m_source; // a 16 MB program on the local disk
    int m_folders = 0;
};

void TestFatCopy::initTestCase()
{
    QVERIFY(m_work.isValid());
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0)
        QSKIP("/dev/fuse cannot be opened here: no FUSE mount of a FAT image");
    ::close(fuse);
    const QStringList sbin = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    const QString fusefat = QStandardPaths::findExecutable(QStringLiteral("fusefat"));
    QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"));
    if (mkfs.isEmpty())
        mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"), sbin);
    if (fusefat.isEmpty() || mkfs.isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("fusermount")).isEmpty())
        QSKIP("fusefat, fusermount or mkfs.fat is not installed (Debian: fusefat, fuse, dosfstools)");

    // A 64 MB FAT32 stick, as the image of one.
    m_image = m_work.path() + QStringLiteral("/stick.img");
    {
        QFile image(m_image);
        QVERIFY(image.open(QIODevice::WriteOnly));
        QVERIFY(image.resize(qint64(64) << 20));
    }
    QProcess format;
    format.start(mkfs, {QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-n"), QStringLiteral("PENDRIVE"),
                        m_image});
    QVERIFY(format.waitForFinished(30000));
    QCOMPARE(format.exitCode(), 0);

    m_stick = m_work.path() + QStringLiteral("/stick");
    QVERIFY(QDir().mkpath(m_stick));
    // It reports every step of its work on both channels.
    m_fusefat.setStandardOutputFile(QProcess::nullDevice());
    m_fusefat.setStandardErrorFile(QProcess::nullDevice());
    m_fusefat.start(fusefat, {QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("rw+"), m_image, m_stick});
    QVERIFY(m_fusefat.waitForStarted());
    QVERIFY2(waitForMountTable([&] { return isMounted(m_stick) || m_fusefat.state() != QProcess::Running; }, 20000)
                 && isMounted(m_stick),
             "fusefat did not mount the image");

    // The path these tests are about: no unnamed files on the stick.
    const int unnamed = ::open(QFile::encodeName(m_stick).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    QCOMPARE(unnamed, -1);

    m_source = writeFile(m_work.path() + QStringLiteral("/local/proj.exe"), programBytes(16 << 20));
    QVERIFY(!m_source.isEmpty());
}

void TestFatCopy::cleanupTestCase()
{
    if (m_fusefat.state() != QProcess::Running)
        return;
    QProcess unmount;
    unmount.start(QStringLiteral("fusermount"), {QStringLiteral("-u"), m_stick});
    unmount.waitForFinished(30000);
    if (!m_fusefat.waitForFinished(30000))
        m_fusefat.kill();
}

QString TestFatCopy::freshFolder()
{
    const QString folder = m_stick + QStringLiteral("/pasta%1").arg(++m_folders);
    return QDir().mkpath(folder) ? folder : QString();
}

pid_t TestFatCopy::startStoppedCopy(const QString &source, const QString &folder)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
        ::_exit(content::copyWithoutOverwrite(source, folder + QStringLiteral("/proj.exe")) ? 0 : 1);
    // Stopped as soon as it has its temporary open in the folder: 16 MB
    // through FUSE take far longer than this loop takes to see it.
    const QByteArray inFolder = QFile::encodeName(folder) + '/';
    bool writing = false;
    for (int attempt = 0; attempt < 2000000 && !writing; ++attempt) {
        writing = descriptorInside(child, inFolder) >= 0;
        if (!writing && ::waitpid(child, nullptr, WNOHANG) == child)
            return -1; // it ended first
    }
    ::kill(child, SIGSTOP);
    int status = 0;
    ::waitpid(child, &status, WUNTRACED);
    if (!writing || !WIFSTOPPED(status)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

void TestFatCopy::passOnAStick()
{
    // The whole collection on the stick: proj.exe, the catalog and the
    // schools' folders, named as the catalog spells them or not.
    const QString base = freshFolder();
    QVERIFY(!base.isEmpty());
    // With blocks of zeros inside and at the end, as programs have.
    QByteArray program = programBytes(320 * 1024);
    program.replace(64 * 1024, 128 * 1024, QByteArray(128 * 1024, '\0'));
    program.replace(256 * 1024, 64 * 1024, QByteArray(64 * 1024, '\0'));
    QVERIFY(!writeFile(base + QStringLiteral("/proj.exe"), program).isEmpty());
    QVERIFY(QDir().mkpath(base + QStringLiteral("/escola/a")));
    QVERIFY(QDir().mkpath(base + QStringLiteral("/escola/Ciencias")));
    QVERIFY(!writeFile(base + QStringLiteral("/escola/b/proj.exe"), "keep").isEmpty());
    QVERIFY(!writeFile(base + QStringLiteral("/config/educ1.xml"),
                       "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                       "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
                       "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
                       "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                       "<ROW TEM_XML=\"S\" caminho2=\"&#092;escola&#092;a\"/>"
                       "<ROW TEM_XML=\"S\" caminho2=\"&#092;ESCOLA&#092;B\"/>"
                       "<ROW TEM_XML=\"S\" caminho2=\"&#092;escola&#092;CIENCIAS\"/>"
                       "<ROW TEM_XML=\"S\" caminho2=\"&#092;escola&#092;c\"/>"
                       "</ROWDATA></DATAPACKET>")
                 .isEmpty());
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    const catalog::CopyResult result = catalog::copyMarkedRecords(dataset, base);
    QCOMPARE(result.marked, 4);
    QCOMPARE(result.copied, 2);
    QCOMPARE(contents(base + QStringLiteral("/escola/a/proj.exe")), program);
    QCOMPARE(contents(base + QStringLiteral("/escola/Ciencias/proj.exe")), program);
    QCOMPARE(contents(base + QStringLiteral("/escola/b/proj.exe")), QByteArray("keep"));
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/escola/c")));
    // No temporary left anywhere.
    for (const char *folder : {"escola/a", "escola/b", "escola/Ciencias"})
        QCOMPARE(entries(base + QLatin1Char('/') + QString::fromUtf8(folder)), QStringList{QStringLiteral("proj.exe")});
}

void TestFatCopy::copyNeverReplacesAFileMadeMeanwhile()
{
    // Another program puts a proj.exe in the folder while the copy is being
    // written: the copy must give up, not replace it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString folder = freshFolder();
        QVERIFY(!folder.isEmpty());
        const pid_t child = startStoppedCopy(m_source, folder);
        QVERIFY2(child > 0, "the copy was never seen writing");
        // Stopped while still writing its temporary: it has not reached the
        // destination yet, or this exclusive create fails.
        const QString destination = folder + QStringLiteral("/proj.exe");
        const int other = ::open(QFile::encodeName(destination).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                 0644);
        if (other < 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            continue; // stopped too late: try again in another folder
        }
        QCOMPARE(::write(other, "old", 3), ssize_t(3));
        ::close(other);
        ::kill(child, SIGCONT);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 1); // the copy reported failure
        QCOMPARE(contents(destination), QByteArray("old"));
        QCOMPARE(entries(folder), QStringList{QStringLiteral("proj.exe")});
        return;
    }
    QFAIL("the copy always reached its destination before it could be stopped");
}

void TestFatCopy::copyKilledHalfWayLeavesNoPartialFile()
{
    const QString folder = freshFolder();
    QVERIFY(!folder.isEmpty());
    const pid_t child = startStoppedCopy(m_source, folder);
    QVERIFY2(child > 0, "the copy was never seen writing");
    ::kill(child, SIGKILL);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    // At most the hidden temporary: no proj.exe, whole or partial.
    struct stat info;
    QVERIFY(::lstat(QFile::encodeName(folder + QStringLiteral("/proj.exe")).constData(), &info) != 0);
    for (const QString &name : entries(folder))
        QVERIFY2(name.startsWith(QLatin1Char('.')), qPrintable(name));
    // The next pass clears what the killed one left and puts the whole file
    // in place.
    QVERIFY(content::copyWithoutOverwrite(m_source, folder + QStringLiteral("/proj.exe")));
    QCOMPARE(contents(folder + QStringLiteral("/proj.exe")), contents(m_source));
    QCOMPARE(entries(folder), QStringList{QStringLiteral("proj.exe")});
}

void TestFatCopy::copyDropsSpecialModeBits_data()
{
    QTest::addColumn<uint>("sourceMode");
    QTest::newRow("setuid") << 04755u;
    QTest::newRow("setgid") << 02750u;
    QTest::newRow("sticky") << 01700u;
    QTest::newRow("plain") << 0640u;
}

void TestFatCopy::copyDropsSpecialModeBits()
{
    // FAT keeps no permission bits at all: the copy is made all the same,
    // readable by its owner, and never with a special bit.
    QFETCH(uint, sourceMode);
    const QString source = writeFile(m_work.path() + QStringLiteral("/modes/proj.exe"), "program");
    QCOMPARE(::chmod(QFile::encodeName(source).constData(), sourceMode), 0);
    const QString folder = freshFolder();
    QVERIFY(!folder.isEmpty());
    const QString destination = folder + QStringLiteral("/proj.exe");
    QVERIFY(content::copyWithoutOverwrite(source, destination));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(destination).constData(), &info), 0);
    QCOMPARE(uint(info.st_mode & 07000), 0u);
    QVERIFY(info.st_mode & S_IRUSR);
    QCOMPARE(contents(destination), QByteArray("program"));
    QCOMPARE(entries(folder), QStringList{QStringLiteral("proj.exe")});
}

QTEST_GUILESS_MAIN(TestFatCopy)
#include "tst_fatcopy.moc"
