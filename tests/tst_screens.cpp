// The real program on screens from a netbook's to a 4K monitor's, at the
// scale factors people set (QT_SCALE_FACTOR, Xft.dpi), each under a display
// server and a window manager (openbox) of its own: the window and its
// frame are inside the screen, centred, and the client keeps the form's
// proportions at the largest scale that fits, never above the one asked for.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestScreens final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowIsWholeOnTheScreen_data();
    void windowIsWholeOnTheScreen();
    void copyNoticeIsCentredUnderAWindowManager();
};

namespace {

// A display server of its own, which names its display when ready.
struct Display
{
    QProcess server;
    QProcess manager;
    QString name;
    ~Display()
    {
        manager.kill();
        manager.waitForFinished();
        server.kill();
        server.waitForFinished();
    }
};

// Starts Xvfb on a screen of the given size and openbox on it.
bool startDisplay(Display *display, QSize screen)
{
    // -displayfd writes the display's number once it accepts clients.
    display->server.start(QStringLiteral("Xvfb"),
                          {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height())});
    if (!display->server.waitForStarted())
        return false;
    while (!display->server.canReadLine() && display->server.waitForReadyRead(10000)) {
    }
    display->name = QStringLiteral(":") + QString::fromLatin1(display->server.readLine()).trimmed();
    if (display->name.size() < 2)
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display->name);
    display->manager.setProcessEnvironment(environment);
    display->manager.start(QStringLiteral("openbox"), {QStringLiteral("--startup"), QStringLiteral("echo ready")});
    if (!display->manager.waitForStarted())
        return false;
    // openbox runs its start-up command once it manages the screen.
    while (!display->manager.readAllStandardOutput().contains("ready")) {
        if (!display->manager.waitForReadyRead(10000))
            return false;
    }
    return true;
}

QString run(const QString &display, const QString &program, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(15000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int field(const QString &text, const QString &label)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QRegularExpression::escape(label) + QStringLiteral(":\\s*(-?\\d+)")).match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -100000;
}

} // namespace

void TestScreens::windowIsWholeOnTheScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QString>("scaleFactor"); // QT_SCALE_FACTOR, empty: unset
    QTest::addColumn<int>("dpi");             // Xft.dpi, 0: unset
    QTest::addColumn<double>("asked");        // the scale the person asked for
    QTest::newRow("1024x600 at 1") << QSize(1024, 600) << "1" << 0 << 1.0;
    QTest::newRow("1024x600 at 1.25") << QSize(1024, 600) << "1.25" << 0 << 1.25;
    QTest::newRow("1280x800 at 1.5") << QSize(1280, 800) << "1.5" << 0 << 1.5;
    QTest::newRow("1366x768 at 1") << QSize(1366, 768) << "1" << 0 << 1.0;
    QTest::newRow("1920x1080 at 2") << QSize(1920, 1080) << "2" << 0 << 2.0;
    QTest::newRow("3840x2160 at 2") << QSize(3840, 2160) << "2" << 0 << 2.0;
    QTest::newRow("3840x2160 at 3") << QSize(3840, 2160) << "3" << 0 << 3.0;
}

void TestScreens::windowIsWholeOnTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(QString, scaleFactor);
    QFETCH(int, dpi);
    QFETCH(double, asked);
    Display display;
    QVERIFY(startDisplay(&display, screen));
    if (dpi)
        run(display.name, QStringLiteral("xprop"),
            {QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("RESOURCE_MANAGER"), QStringLiteral("8s"),
             QStringLiteral("-set"), QStringLiteral("RESOURCE_MANAGER"), QStringLiteral("Xft.dpi:\t%1\n").arg(dpi)});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name);
    QTemporaryDir tree;
    QProcess program;
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    if (!scaleFactor.isEmpty())
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scaleFactor);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(tree.path());
    program.start(QStringLiteral(MENU_PROGRAM), QStringList());
    QVERIFY(program.waitForStarted());
    // xdotool waits for the window's map, not for a time.
    const QString window = run(display.name, QStringLiteral("xdotool"),
                               {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--name"), QStringLiteral("^Apostilas -")})
                               .section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(!window.isEmpty(), "the window never showed");
    // The frame's extents are set as the manager frames the window.
    QString extents;
    for (int attempt = 0; attempt < 50 && !extents.contains(QLatin1Char('=')); ++attempt)
        extents = run(display.name, QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QString info = run(display.name, QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    program.kill();
    program.waitForFinished();
    const QStringList parts = extents.section(QLatin1Char('='), 1).split(QLatin1Char(','));
    QCOMPARE(parts.size(), 4);
    const int left = parts[0].trimmed().toInt(), right = parts[1].trimmed().toInt();
    const int top = parts[2].trimmed().toInt(), bottom = parts[3].trimmed().toInt();
    QVERIFY2(top > 0, "no title bar");
    const int x = field(info, QStringLiteral("Absolute upper-left X"));
    const int y = field(info, QStringLiteral("Absolute upper-left Y"));
    const int width = field(info, QStringLiteral("Width"));
    const int height = field(info, QStringLiteral("Height"));
    const QRect frame(x - left, y - top, width + left + right, height + top + bottom);
    const QString seen = QStringLiteral("client %1x%2 at %3,%4, frame %5,%6 %7x%8")
                             .arg(width).arg(height).arg(x).arg(y)
                             .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
    qInfo("%s", qPrintable(seen));
    // Whole on the screen, title bar included, and centred (to the pixels
    // Qt and the manager round the frame to).
    QVERIFY2(QRect(QPoint(0, 0), screen).contains(frame), qPrintable(seen));
    QVERIFY2(qAbs(frame.center().x() - screen.width() / 2) <= 3, qPrintable(seen));
    QVERIFY2(qAbs(frame.center().y() - screen.height() / 2) <= 3, qPrintable(seen));
    // The form's proportions, to the pixel, at one scale for both sides.
    const double scale = width / 790.0;
    QVERIFY2(qAbs(height - 536.0 * scale) <= 1.0, qPrintable(seen));
    QVERIFY2(scale <= asked + 0.002, qPrintable(seen));
    const bool fitsAsAsked = std::ceil(790 * asked) + left + right <= screen.width()
                             && std::ceil(536 * asked) + top + bottom <= screen.height();
    if (fitsAsAsked) {
        QVERIFY2(qAbs(width - 790 * asked) <= 1.0, qPrintable(seen));
    } else {
        // As large as fits: one more percent would not.
        QVERIFY2(frame.height() >= screen.height() - 12 || frame.width() >= screen.width() - 12, qPrintable(seen));
    }
}


void TestScreens::copyNoticeIsCentredUnderAWindowManager()
{
    // The catalog action's own test, its notice measured with openbox's frame.
    Display display;
    QVERIFY(startDisplay(&display, QSize(1280, 1024)));
    QProcess test;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name);
    environment.insert(QStringLiteral("MENU_TEST_WINDOW_MANAGER"), QStringLiteral("openbox"));
    test.setProcessEnvironment(environment);
    test.setProcessChannelMode(QProcess::MergedChannels);
    test.start(QStringLiteral(CATALOG_TEST), {QStringLiteral("pressCopiesAndSaysSo")});
    QVERIFY(test.waitForFinished(60000));
    const QByteArray output = test.readAll();
    QVERIFY2(test.exitCode() == 0, output.constData());
}

QTEST_GUILESS_MAIN(TestScreens)
#include "tst_screens.moc"
