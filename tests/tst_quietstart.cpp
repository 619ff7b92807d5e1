// The menu writes nothing: started for real on the demo tree with a fresh,
// empty HOME, no TMPDIR and no XDG_RUNTIME_DIR, it must leave nothing in
// HOME or /tmp, with no sound server and with one (which its sound must
// still reach). The menu gets a /tmp of its own (a mount namespace of an
// unprivileged user namespace, the X server's socket folder bound into it),
// so that what it leaves there is told from what other programs of the
// machine do meanwhile.
#include "privatepulse.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QStringList listing(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(folder.size());
        if (!path.startsWith(QLatin1String("/.X11-unix")))
            found << path;
    }
    return found;
}

// The renderer the players' page runs in: by then the web engine has made
// its profile, and with it the sound output and the bus connection.
bool rendererRuns(qint64 menu)
{
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString pid = it.next().mid(6);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        if (!cmdline.readAll().contains("--type=renderer"))
            continue;
        // Its ancestors lead to the menu.
        for (QString at = pid; !at.isEmpty() && at != QLatin1String("1");) {
            QFile parent(QStringLiteral("/proc/%1/stat").arg(at));
            if (!parent.open(QIODevice::ReadOnly))
                break;
            const QByteArray fields = parent.readAll();
            at = QString::fromLatin1(fields.mid(fields.lastIndexOf(')') + 2).split(' ').value(1));
            if (at == QString::number(menu))
                return true;
        }
    }
    return false;
}

} // namespace

class TestQuietStart final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void writesNothing_data();
    void writesNothing();

private:
    QTemporaryDir m_scratch{QCoreApplication::applicationDirPath() + QStringLiteral("/quietstart-XXXXXX")};
};

void TestQuietStart::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    // The test's own temporary folders (the sound server's among them)
    // stay out of the menu's /tmp.
    qputenv("TMPDIR", QFile::encodeName(m_scratch.path()));
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-U"), QStringLiteral("--map-current-user"),
                                             QStringLiteral("-m"), QStringLiteral("true")});
    if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
        QSKIP("no unprivileged mount namespaces here: the menu cannot get a /tmp of its own");
}

void TestQuietStart::writesNothing_data()
{
    QTest::addColumn<bool>("soundServer");
    QTest::newRow("no sound server") << false;
    QTest::newRow("a sound server named by PULSE_SERVER") << true;
}

void TestQuietStart::writesNothing()
{
    QFETCH(bool, soundServer);
    testing::PrivatePulse pulse;
    if (soundServer) {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
            QSKIP("pulseaudio is not installed (scripts/setup.sh installs it)");
        QString why;
        QVERIFY2(pulse.start(&why), qPrintable(why));
    }
    QTemporaryDir run(m_scratch.path() + QStringLiteral("/run-XXXXXX"));
    const QString home = run.filePath(QStringLiteral("home"));
    const QString tmp = run.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(home) && QDir().mkpath(tmp + QStringLiteral("/.X11-unix")));
    const QString bin = QCoreApplication::applicationDirPath();
    QStringList environment = {QStringLiteral("PATH=/usr/local/bin:/usr/bin:/bin"),
                               QStringLiteral("HOME=") + home,
                               QStringLiteral("DISPLAY=") + qEnvironmentVariable("DISPLAY")};
    if (soundServer)
        environment << QStringLiteral("PULSE_SERVER=") + pulse.server();
    // The display's cookie (xvfb-run keeps it under the /tmp the menu will
    // not see), beside HOME and the menu's /tmp, not in them.
    const QString cookie = qEnvironmentVariable("XAUTHORITY");
    if (!cookie.isEmpty()) {
        const QString copy = run.filePath(QStringLiteral("Xauthority"));
        QVERIFY(QFile::copy(cookie, copy));
        environment << QStringLiteral("XAUTHORITY=") + copy;
    }
    // The menu as a person's session without a runtime folder starts it.
    const QString script = QStringLiteral(
        "mount --bind /tmp/.X11-unix \"$1/.X11-unix\" && mount --bind \"$1\" /tmp || exit 99\n"
        "cd \"$2\" && shift 3 && exec env -i \"$@\"\n");
    QProcess menu;
    menu.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    menu.start(QStringLiteral("unshare"),
               QStringList{QStringLiteral("-U"), QStringLiteral("--map-current-user"), QStringLiteral("-m"),
                           QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"), tmp,
                           bin + QStringLiteral("/../demo"), QStringLiteral("--")}
                   + environment + QStringList{bin + QStringLiteral("/apostilas")});
    QVERIFY(menu.waitForStarted());
    WAIT_VERIFY(rendererRuns(menu.processId()) || menu.state() != QProcess::Running, 60000);
    QVERIFY2(menu.state() == QProcess::Running, "the menu ended by itself");
    if (soundServer) {
        // Its sound output is a stream on the server from the first movie on.
        WAIT_VERIFY(!pulse.pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")})
                         .trimmed()
                         .isEmpty(),
                    30000);
    } else {
        // The players are up: their page has loaded in its renderer.
        testing::pause(3000);
    }
    menu.terminate();
    QVERIFY(menu.waitForFinished(20000));
    // With a server, the sound library keeps the server's key as every
    // client of that server does; nothing else.
    const QStringList expected = soundServer ? QStringList{QStringLiteral("/.config"), QStringLiteral("/.config/pulse"),
                                                           QStringLiteral("/.config/pulse/cookie")}
                                             : QStringList();
    QStringList seen = listing(home);
    seen.sort();
    QCOMPARE(seen, expected);
    QCOMPARE(listing(tmp), QStringList());
}

MENU_TEST_MAIN(TestQuietStart)
#include "tst_quietstart.moc"
