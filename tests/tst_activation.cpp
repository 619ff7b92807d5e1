// Activation end to end under Xvfb: real clicks on real movies, a recording
// reader script started as a real process, the desktop fallback, the web
// viewer shown modally, and the program itself closing on "Sair".
#include "Main.h"
#include "f_web.h"
#include "flash.h"
#include "globals.h"
#include "playertesting.h"
#include "radiobutton.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>

#include <memory>
#include <utility>

class TestActivation final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void secondEntryStartsTheReader_data();
    void secondEntryStartsTheReader();
    void oneEntryStartsNothing();
    void entryThenNewYearUsesTheNewYear();
    void okMovieActivates();
    void movieLinksPlayInsideTheTreeOnly_data();
    void movieLinksPlayInsideTheTreeOnly();
    void okCommandNeedsAPersonsPress_data();
    void okCommandNeedsAPersonsPress();
    void tapsWorkAsClicks_data();
    void tapsWorkAsClicks();
    void desktopOpensWhatTheReaderCannot_data();
    void desktopOpensWhatTheReaderCannot();
    void webViewerRunsModally();
    void sairEndsTheProgram();
    void otherCommandsDoNotEndIt_data();
    void otherCommandsDoNotEndIt();
    void missingEngineIsReported_data();
    void missingEngineIsReported();

private:
    // A tree under the given folder name with movies, every manual and a
    // reader that records its arguments.
    QString makeTree(const QString &folder, bool withReader = true);
    std::unique_ptr<TFRMmain> openWindow(const QString &tree, bool waitForPreview = true);
    void clickMovie(TFRMmain *window, const char *name);
    // Clicks the movie until it answers with a command: now and then the
    // engine takes a click as one outside its button.
    void clickUntilCommand(TFRMmain *window, const char *name, QSignalSpy *commands);
    static void click(TFRMmain *window, const char *radio);
    QStringList recorded(const QString &name) const;

    QTemporaryDir m_root;
    QString m_previousDirectory;
    QByteArray m_previousPath;
    int m_trees = 0;
};

void TestActivation::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_previousDirectory = QDir::currentPath();
    m_previousPath = qgetenv("PATH");
    // A stand-in for the desktop's opener, first on PATH.
    const QString bin = m_root.path() + QStringLiteral("/bin");
    testing::writeFile(bin + QStringLiteral("/xdg-open"),
                       "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + QFile::encodeName(m_root.path())
                           + "/xdg-open.txt'\n");
    QFile::setPermissions(bin + QStringLiteral("/xdg-open"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin) + ':' + m_previousPath);
}

void TestActivation::cleanup()
{
    QDir::setCurrent(m_previousDirectory);
    QFile::remove(m_root.path() + QStringLiteral("/reader.txt"));
    QFile::remove(m_root.path() + QStringLiteral("/xdg-open.txt"));
}

QString TestActivation::makeTree(const QString &folder, bool withReader)
{
    const QString root = m_root.path() + QStringLiteral("/%1/").arg(++m_trees) + folder;
    testing::writeMenuMovies(root + QStringLiteral("/config"));
    for (const char *name : {"1ano", "2ano", "3ano", "4ano", "5ano", "n1_1", "n1_2", "n1_3",
                             "n2_1", "n2_2", "n3_1", "n3_2"})
        testing::writeFile(root + QStringLiteral("/Manuais/%1.PDF").arg(QLatin1String(name)));
    if (withReader) {
        const QString reader = root + QStringLiteral("/Manuais/READER.exe");
        testing::writeFile(reader, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '"
                                       + QFile::encodeName(m_root.path()) + "/reader.txt'\n");
        QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return root;
}

std::unique_ptr<TFRMmain> TestActivation::openWindow(const QString &tree, bool waitForPreview)
{
    QDir::setCurrent(tree);
    auto window = std::make_unique<TFRMmain>();
    window->show();
    window->activateWindow();
    if (!testing::waitForActive(window.get()))
        qWarning("main window did not become active");
    if (!testing::waitUntil([&] { return window->seriesCode() == QLatin1String("1S"); }, 5000))
        qWarning("first activation did not check 1ºAno");
    auto *preview = testing::child<TShockwaveFlash>(window.get(), "SWFinf");
    if (waitForPreview && !testing::waitUntil([preview] { return preview->isShowingMovie(); }, 30000))
        qWarning("preview never showed its movie");
    return window;
}

void TestActivation::clickMovie(TFRMmain *window, const char *name)
{
    auto *movie = testing::child<TShockwaveFlash>(window, name);
    QPoint at;
    QWidget *surface = testing::playerSurface(movie, &at);
    QVERIFY(surface);
    // As a hand does: onto the movie first, then the click. The engine
    // takes a press with no pointer over the movie yet as a press outside
    // its buttons now and then.
    QTest::mouseMove(surface, at);
    testing::pause(100);
    QTest::mouseClick(surface, Qt::LeftButton, {}, at);
}

void TestActivation::clickUntilCommand(TFRMmain *window, const char *name, QSignalSpy *commands)
{
    const qsizetype before = commands->count();
    for (int attempt = 0; attempt < 5 && commands->count() == before; ++attempt) {
        clickMovie(window, name);
        (void)testing::waitUntil([&] { return commands->count() > before; }, 3000);
    }
    QVERIFY2(commands->count() > before, "the movie never answered a click");
}

void TestActivation::click(TFRMmain *window, const char *radio)
{
    auto *button = testing::child<RadioButton>(window, radio);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

QStringList TestActivation::recorded(const QString &name) const
{
    QFile file(m_root.path() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

void TestActivation::secondEntryStartsTheReader_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("manual");
    QTest::newRow("3rd year") << "tree" << QStringList{QStringLiteral("rb3a")} << "3ano.PDF";
    QTest::newRow("level chosen last")
        << "tree" << QStringList{QStringLiteral("rb4a"), QStringLiteral("rbn12")} << "n1_2.PDF";
    QTest::newRow("II-3 opens II-2") << "tree" << QStringList{QStringLiteral("rbn23")} << "n2_2.PDF";
    QTest::newRow("III-3 opens III-2") << "tree" << QStringList{QStringLiteral("rbn33")} << "n3_2.PDF";
    QTest::newRow("year after level")
        << "tree" << QStringList{QStringLiteral("rbn31"), QStringLiteral("rb5a")} << "5ano.PDF";
    QTest::newRow("spaces and a quote")
        << "Coleção \"Escola\" 2024/Meu disco" << QStringList{QStringLiteral("rb2a")} << "2ano.PDF";
}

void TestActivation::secondEntryStartsTheReader()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, clicks);
    QFETCH(QString, manual);
    const QString tree = makeTree(folder);
    auto window = openWindow(tree);
    for (const QString &radio : clicks)
        click(window.get(), qPrintable(radio));
    clickMovie(window.get(), "SWFinf");
    WAIT_COMPARE(vetor[0], 1, 5000);
    WAIT_VERIFY(testing::child<QWidget>(window.get(), "P1")->hasFocus(), 5000);
    clickMovie(window.get(), "SWFinf");
    WAIT_COMPARE(recorded(QStringLiteral("reader.txt")),
                              QStringList{tree + QStringLiteral("/Manuais/") + manual}, 10000);
    QCOMPARE(manualCommandLine, tree + QStringLiteral("\\MANUAIS\\READER.exe ") + tree
                                    + QStringLiteral("\\manuais\\") + manual);
    // After the activation: the animations are back, the counters clear.
    QCOMPARE(vetor[0], 0);
    QVERIFY(testing::child<TShockwaveFlash>(window.get(), "SWFinf")->isVisible());
    QVERIFY(!testing::child<TShockwaveFlash>(window.get(), "SWF1")->movieFile().isEmpty());
}

void TestActivation::oneEntryStartsNothing()
{
    auto window = openWindow(makeTree(QStringLiteral("tree")));
    clickMovie(window.get(), "SWFinf");
    WAIT_COMPARE(vetor[0], 1, 5000);
    QVERIFY(manualCommandLine.isEmpty() || !manualCommandLine.contains(QLatin1String("1ano")));
    // The OK button's activation comes later: its reader is the only one.
    window->btokClick(nullptr);
    WAIT_COMPARE(recorded(QStringLiteral("reader.txt")).size(), 1, 10000);
    // The activation cleared the preview's count: one more entry is the
    // first of a new pair and starts nothing.
    QCOMPARE(vetor[0], 0);
    manualCommandLine = QStringLiteral("untouched");
    WAIT_VERIFY(testing::child<TShockwaveFlash>(window.get(), "SWFinf")->isShowingMovie(), 30000);
    clickMovie(window.get(), "SWFinf");
    WAIT_COMPARE(vetor[0], 1, 5000);
    QCOMPARE(manualCommandLine, QStringLiteral("untouched"));
    // The next reader is the next activation's, not the entry's.
    window->btokClick(nullptr);
    WAIT_COMPARE(recorded(QStringLiteral("reader.txt")).size(), 2, 10000);
}

void TestActivation::entryThenNewYearUsesTheNewYear()
{
    const QString tree = makeTree(QStringLiteral("tree"));
    auto window = openWindow(tree);
    clickMovie(window.get(), "SWFinf");
    WAIT_COMPARE(vetor[0], 1, 5000);
    click(window.get(), "rb4a");
    QCOMPARE(vetor[0], 1);
    auto *preview = testing::child<TShockwaveFlash>(window.get(), "SWFinf");
    WAIT_VERIFY(preview->isShowingMovie(), 30000);
    clickMovie(window.get(), "SWFinf");
    WAIT_COMPARE(recorded(QStringLiteral("reader.txt")),
                              QStringList{tree + QStringLiteral("/Manuais/4ano.PDF")}, 10000);
}

void TestActivation::okMovieActivates()
{
    const QString tree = makeTree(QStringLiteral("tree"));
    auto window = openWindow(tree);
    auto *ok = testing::child<TShockwaveFlash>(window.get(), "SWFok");
    WAIT_VERIFY(ok->isShowingMovie(), 30000);
    QSignalSpy commands(ok, &TShockwaveFlash::OnFSCommand);
    click(window.get(), "rbn21");
    clickUntilCommand(window.get(), "SWFok", &commands);
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(1).toString(), QStringLiteral("ok"));
    WAIT_COMPARE(recorded(QStringLiteral("reader.txt")),
                              QStringList{tree + QStringLiteral("/Manuais/n2_1.PDF")}, 10000);
}

void TestActivation::movieLinksPlayInsideTheTreeOnly_data()
{
    QTest::addColumn<bool>("insideTheTree");
    QTest::newRow("link to another folder of the tree") << true;
    QTest::newRow("link out of the tree") << false;
}

void TestActivation::movieLinksPlayInsideTheTreeOnly()
{
    QFETCH(bool, insideTheTree);
    const QString tree = makeTree(QStringLiteral("tree"));
    const QString target = insideTheTree ? tree + QStringLiteral("/animacoes/primeiro.swf")
                                         : m_root.path() + QStringLiteral("/%1/fora.swf").arg(m_trees);
    QDir().mkpath(QFileInfo(target).path());
    QVERIFY(QFile::rename(tree + QStringLiteral("/config/1ano.swf"), target));
    QVERIFY(QFile::link(target, tree + QStringLiteral("/config/1ano.swf")));
    auto window = openWindow(tree, insideTheTree);
    auto *preview = testing::child<TShockwaveFlash>(window.get(), "SWFinf");
    QCOMPARE(window->seriesCode(), QStringLiteral("1S"));
    QCOMPARE(preview->movieFile().isEmpty(), !insideTheTree);
    QCOMPARE(preview->isShowingMovie(), insideTheTree);
}

void TestActivation::okCommandNeedsAPersonsPress_data()
{
    QTest::addColumn<bool>("button");   // the stage is a button that sends on release
    QTest::addColumn<bool>("repeats");  // the first frame sends again on every loop
    QTest::addColumn<bool>("pressed");  // a person clicks the movie once: one activation
    QTest::newRow("sent as it loads") << false << false << false;
    QTest::newRow("sent on every loop") << false << true << false;
    QTest::newRow("sent on every loop, one press") << true << true << true;
}

void TestActivation::okCommandNeedsAPersonsPress()
{
    QFETCH(bool, button);
    QFETCH(bool, repeats);
    QFETCH(bool, pressed);
    const QString tree = makeTree(QStringLiteral("tree"));
    swf::MovieSpec spec = testing::movieSpec("OK", 48, 23);
    spec.moving = false;
    spec.frameRate = 24;
    spec.frameCount = 2;
    spec.buttonSendsCommand = button;
    spec.buttonCommand = {"ok", ""};
    spec.loadSendsCommand = true;
    spec.loadCommand = {"ok", "on its own"};
    spec.loadRepeats = repeats;
    testing::writeMovie(tree + QStringLiteral("/config/Ok.swf"), spec);
    auto window = openWindow(tree);
    auto *ok = testing::child<TShockwaveFlash>(window.get(), "SWFok");
    QSignalSpy commands(ok, &TShockwaveFlash::OnFSCommand);
    // Every activation fills the manual command line afresh.
    manualCommandLine = QStringLiteral("untouched");
    if (pressed) {
        WAIT_VERIFY(ok->isShowingMovie(), 30000);
        // The loop's next command follows the press: that one activates.
        clickMovie(window.get(), "SWFok");
        WAIT_COMPARE(recorded(QStringLiteral("reader.txt")),
                     QStringList{tree + QStringLiteral("/Manuais/1ano.PDF")}, 10000);
        QVERIFY(manualCommandLine != QLatin1String("untouched"));
        manualCommandLine = QStringLiteral("untouched");
    }
    // The movie keeps sending, or sends once more as it loads again (as
    // after every activation): none of it activates (again).
    if (!repeats)
        window->SWFmostra();
    const int wanted = commands.count() + (repeats ? 6 : 1);
    WAIT_VERIFY(commands.count() >= wanted, 30000);
    QCOMPARE(manualCommandLine, QStringLiteral("untouched"));
    if (!pressed)
        QCOMPARE(recorded(QStringLiteral("reader.txt")), QStringList());
}

void TestActivation::tapsWorkAsClicks_data()
{
    // On a touch screen or an interactive whiteboard.
    QTest::addColumn<testing::Pointer>("pointer");
    QTest::addColumn<QString>("movie");
    const std::pair<const char *, testing::Pointer> pointers[] = {{"finger", testing::Pointer::Finger},
                                                                  {"pen", testing::Pointer::Pen}};
    for (const auto &[name, pointer] : pointers) {
        QTest::addRow("%s, preview tapped twice", name) << pointer << QStringLiteral("SWFinf");
        QTest::addRow("%s, OK", name) << pointer << QStringLiteral("SWFok");
        QTest::addRow("%s, exit", name) << pointer << QStringLiteral("SWFsair");
    }
}

void TestActivation::tapsWorkAsClicks()
{
    QFETCH(testing::Pointer, pointer);
    QFETCH(QString, movie);
    const QString tree = makeTree(QStringLiteral("tree"));
    auto window = openWindow(tree);
    auto *control = testing::child<TShockwaveFlash>(window.get(), qPrintable(movie));
    WAIT_VERIFY(control->isShowingMovie(), 30000);
    QWindow *handle = window->windowHandle();
    const QPoint at = testing::rectInWindow(control).center();
    const QStringList manual{tree + QStringLiteral("/Manuais/1ano.PDF")};
    if (movie == QLatin1String("SWFinf")) {
        // The second entry into the preview opens the year's manual.
        testing::tap(handle, pointer, at);
        WAIT_COMPARE(vetor[0], 1, 5000);
        WAIT_VERIFY(testing::child<QWidget>(window.get(), "P1")->hasFocus(), 5000);
        testing::tap(handle, pointer, at);
        WAIT_COMPARE(recorded(QStringLiteral("reader.txt")), manual, 10000);
        return;
    }
    // The button movies answer on release. Now and then the engine takes a
    // tap for one outside the button: the movie is tapped again then.
    const auto answered = [&] {
        return movie == QLatin1String("SWFsair") ? !window->isVisible()
                                                 : !recorded(QStringLiteral("reader.txt")).isEmpty();
    };
    for (int attempt = 0; attempt < 5 && !answered(); ++attempt) {
        testing::tap(handle, pointer, at);
        (void)testing::waitUntil(answered, 3000);
    }
    QVERIFY2(answered(), "the tap did nothing");
    if (movie == QLatin1String("SWFok"))
        QCOMPARE(recorded(QStringLiteral("reader.txt")), manual);
}

void TestActivation::desktopOpensWhatTheReaderCannot_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<bool>("manualPresent");
    QTest::addColumn<bool>("opened");
    QTest::newRow("windows reader") << "windows" << true << true;
    QTest::newRow("not executable") << "plain" << true << true;
    QTest::newRow("no reader") << "none" << true << true;
    QTest::newRow("no reader, no manual") << "none" << false << false;
}

void TestActivation::desktopOpensWhatTheReaderCannot()
{
    QFETCH(QString, reader);
    QFETCH(bool, manualPresent);
    QFETCH(bool, opened);
    const QString tree = makeTree(QStringLiteral("tree"), false);
    const QString readerPath = tree + QStringLiteral("/Manuais/READER.exe");
    if (reader == QLatin1String("windows")) {
        testing::writeFile(readerPath, QByteArray("MZ\x90\0\3\0\0\0\4\0", 10));
        QFile::setPermissions(readerPath, QFile::ReadOwner | QFile::ExeOwner);
    } else if (reader == QLatin1String("plain")) {
        testing::writeFile(readerPath, "#!/bin/sh\n");
    }
    if (!manualPresent)
        QFile::remove(tree + QStringLiteral("/Manuais/3ano.PDF"));
    auto window = openWindow(tree);
    click(window.get(), "rb3a");
    window->btokClick(nullptr);
    if (opened) {
        WAIT_COMPARE(recorded(QStringLiteral("xdg-open.txt")),
                                  QStringList{tree + QStringLiteral("/Manuais/3ano.PDF")}, 10000);
    } else {
        // The opener started later by the test is the only one.
        QVERIFY(QProcess::startDetached(QStringLiteral("xdg-open"), {QStringLiteral("later")}));
        WAIT_COMPARE(recorded(QStringLiteral("xdg-open.txt")), QStringList{QStringLiteral("later")}, 10000);
    }
    QCOMPARE(recorded(QStringLiteral("reader.txt")), QStringList());
}

void TestActivation::webViewerRunsModally()
{
    const QString tree = makeTree(QStringLiteral("tree"));
    auto window = openWindow(tree);
    testing::child<RadioButton>(window.get(), "rb2")->setChecked(true);
    QVERIFY(!testing::child<RadioButton>(window.get(), "rb1")->isChecked());
    auto *preview = testing::child<TShockwaveFlash>(window.get(), "SWFinf");

    int viewersSeen = 0;
    QList<Tfrmweb *> viewers;
    QPointer<Tfrmweb> firstViewer;
    bool previewHiddenMeanwhile = false;
    std::int32_t counterMeanwhile = -1;
    bool modal = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (!frmweb || !frmweb->isVisible() || viewers.contains(frmweb))
            return;
        ++viewersSeen;
        viewers << frmweb;
        if (!firstViewer)
            firstViewer = frmweb;
        // Maximised: it covers the screen's work area.
        modal = frmweb->isModal() && QApplication::activeModalWidget() == frmweb
            && frmweb->geometry() == frmweb->screen()->availableGeometry();
        previewHiddenMeanwhile = !preview->isVisible();
        counterMeanwhile = vetor[0];
        QTest::mouseClick(frmweb->findChild<QPushButton *>(QStringLiteral("Button4")), Qt::LeftButton);
    });
    closer.start(100);

    vetor[2] = 7; // cleared by the activation's last step, not before
    window->btokClick(nullptr);
    // btokClick returned: the viewer was shown and closed in between.
    QCOMPARE(viewersSeen, 1);
    QVERIFY(modal);
    QVERIFY(previewHiddenMeanwhile);
    QCOMPARE(counterMeanwhile, 0);
    QCOMPARE(frmweb, nullptr);
    QVERIFY(preview->isVisible());
    QCOMPARE(vetor[2], 0);
    QCOMPARE(recorded(QStringLiteral("reader.txt")), QStringList());

    // The next activation opens a window of its own.
    WAIT_VERIFY(firstViewer.isNull(), 5000); // the first one freed itself
    viewers.clear();
    window->btokClick(nullptr);
    QCOMPARE(viewersSeen, 2);
    QCOMPARE(frmweb, nullptr);
}

void TestActivation::sairEndsTheProgram()
{
    const QString tree = makeTree(QStringLiteral("tree"));
    // The exit movie sends its command as soon as it plays.
    swf::MovieSpec sair = testing::movieSpec("SAIR", 48, 23);
    sair.loadSendsCommand = true;
    sair.loadCommand = {"Sair", ""};
    testing::writeMovie(tree + QStringLiteral("/config/Sair.swf"), sair);
    QProcess program;
    program.setWorkingDirectory(tree);
    program.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/apostilas"));
    program.start();
    QVERIFY(program.waitForStarted());
    QVERIFY2(program.waitForFinished(60000), "the program did not end");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TestActivation::otherCommandsDoNotEndIt_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("sair") << QByteArray("sair");
    QTest::newRow("SAIR") << QByteArray("SAIR");
    QTest::newRow("ok") << QByteArray("ok");
}

void TestActivation::otherCommandsDoNotEndIt()
{
    QFETCH(QByteArray, command);
    const QString tree = makeTree(QStringLiteral("tree"));
    // Sent on every loop: the handler of one command has run before the
    // next arrives.
    swf::MovieSpec sair = testing::movieSpec("SAIR", 48, 23);
    sair.loadSendsCommand = true;
    sair.loadRepeats = true;
    sair.frameRate = 30;
    sair.frameCount = 2;
    sair.loadCommand = {command.toStdString(), ""};
    testing::writeMovie(tree + QStringLiteral("/config/Sair.swf"), sair);
    auto window = openWindow(tree, false);
    QSignalSpy commands(testing::child<TShockwaveFlash>(window.get(), "SWFsair"), &TShockwaveFlash::OnFSCommand);
    WAIT_VERIFY(commands.count() >= 2, 30000);
    QCOMPARE(commands.first().at(1).toByteArray(), command);
    QVERIFY(window->isVisible());
}

void TestActivation::missingEngineIsReported_data()
{
    QTest::addColumn<QStringList>("beside");
    QTest::addColumn<bool>("brokenLibrary");
    QTest::addColumn<QByteArray>("named");
    const QString library = QStringLiteral("libapostilas_web.so");
    QTest::newRow("no engine") << QStringList() << false << QByteArray("/lonely/ruffle/ruffle.js");
    QTest::newRow("no engine files") << QStringList{library} << false << QByteArray("/lonely/ruffle/ruffle.js");
    QTest::newRow("no web library") << QStringList{QStringLiteral("ruffle")} << false
                                    << QByteArray("/lonely/libapostilas_web.so");
    // Found but not loadable: reported the same way, as the players are made.
    QTest::newRow("broken web library") << QStringList{QStringLiteral("ruffle")} << true
                                        << QStringLiteral("O reprodutor de animações não pôde ser aberto: ").toUtf8();
}

void TestActivation::missingEngineIsReported()
{
    QFETCH(QStringList, beside);
    QFETCH(bool, brokenLibrary);
    QFETCH(QByteArray, named);
    // The program without (part of) what it runs movies with beside it.
    const QString bin = m_root.path() + QStringLiteral("/lonely");
    QDir(bin).removeRecursively();
    QDir().mkpath(bin);
    const QString built = QCoreApplication::applicationDirPath();
    QVERIFY(QFile::copy(built + QStringLiteral("/apostilas"), bin + QStringLiteral("/apostilas")));
    for (const QString &name : beside)
        QVERIFY(QFile::link(built + QLatin1Char('/') + name, bin + QLatin1Char('/') + name));
    if (brokenLibrary) {
        QFile library(bin + QStringLiteral("/libapostilas_web.so"));
        QVERIFY(library.open(QIODevice::WriteOnly));
        library.write("not a library");
    }
    QProcess program;
    program.setWorkingDirectory(makeTree(QStringLiteral("tree")));
    program.setProgram(bin + QStringLiteral("/apostilas"));
    program.start();
    QVERIFY(program.waitForStarted());
    // The error box waits for a person; its text is on stderr at once.
    QByteArray errors;
    WAIT_VERIFY((errors += program.readAllStandardError()).contains(named), 20000);
    QVERIFY(!brokenLibrary || errors.contains("/lonely/libapostilas_web.so"));
    program.kill();
    program.waitForFinished();
}

MENU_TEST_MAIN(TestActivation)
#include "tst_activation.moc"
