// The players' engine failing, for real: its process killed or stopped, and
// movies the engine fails on. The other animations must play again, the
// failed movie's place stays blank, and later movies play.
#include "enginefailmovie.h"
#include "flash.h"
#include "playertesting.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <memory>

#include <signal.h>

class TestPlayerFaults final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theEngineIsReplacedWhenItsProcessEnds_data();
    void theEngineIsReplacedWhenItsProcessEnds();
    void aMovieTheEngineFailsOnFailsAlone_data();
    void aMovieTheEngineFailsOnFailsAlone();

private:
    struct Window
    {
        QWidget window;
        TShockwaveFlash *ticking = nullptr; // sends "tick" fifteen times a second
        TShockwaveFlash *exit = nullptr;    // sends "Sair" once as it starts
    };
    std::unique_ptr<Window> makeWindow();
    QString movie(const char *name) const { return m_tree.path() + QStringLiteral("\\config\\") + QLatin1String(name); }
    static qint64 enginePid(TShockwaveFlash *control);

    QTemporaryDir m_tree;
};

void TestPlayerFaults::initTestCase()
{
    QVERIFY(m_tree.isValid());
    const QString config = m_tree.path() + QStringLiteral("/config");
    testing::writeMovie(config + QStringLiteral("/tick.swf"), testing::tickingMovie());
    swf::MovieSpec sair = testing::movieSpec("SAIR");
    sair.loadSendsCommand = true;
    sair.loadCommand = {"Sair", ""};
    testing::writeMovie(config + QStringLiteral("/sair.swf"), sair);
    testing::writeFile(config + QStringLiteral("/panic.swf"), engineFailingMovie());
    for (const char *kind : {"string-bomb", "string-bomb-loop"})
        testing::writeMovie(config + QStringLiteral("/%1.swf").arg(QLatin1String(kind)),
                            swf::realisticMovie(kind, 160, 120));
    WebLoader::setContentTree(m_tree.path());
}


std::unique_ptr<TestPlayerFaults::Window> TestPlayerFaults::makeWindow()
{
    auto made = std::make_unique<Window>();
    auto *layout = new QVBoxLayout(&made->window);
    made->ticking = new TShockwaveFlash(&made->window);
    made->exit = new TShockwaveFlash(&made->window);
    for (TShockwaveFlash *control : {made->ticking, made->exit}) {
        control->setFixedSize(160, 120);
        layout->addWidget(control);
    }
    made->window.show();
    if (!testing::waitForActive(&made->window))
        qWarning("window did not become active");
    return made;
}

qint64 TestPlayerFaults::enginePid(TShockwaveFlash *control)
{
    QWebEngineView *view = testing::playerView(control);
    return view ? view->page()->renderProcessPid() : 0;
}

void TestPlayerFaults::theEngineIsReplacedWhenItsProcessEnds_data()
{
    QTest::addColumn<int>("signal");
    // Killed (a crash, the out-of-memory killer), or stopped, so that it
    // never answers again (the engine caught in a loop).
    QTest::newRow("killed") << int(SIGKILL);
    QTest::newRow("never answers") << int(SIGSTOP);
}

void TestPlayerFaults::theEngineIsReplacedWhenItsProcessEnds()
{
    QFETCH(int, signal);
    auto window = makeWindow();
    QSignalSpy ticks(window->ticking, &TShockwaveFlash::OnFSCommand);
    QSignalSpy exits(window->exit, &TShockwaveFlash::OnFSCommand);
    window->ticking->setMovie(movie("tick.swf"));
    window->exit->setMovie(movie("sair.swf"));
    WAIT_VERIFY(ticks.count() >= 3 && exits.count() == 1, 30000);
    const qint64 pid = enginePid(window->ticking);
    QVERIFY(pid > 0);

    QVERIFY(::kill(static_cast<pid_t>(pid), signal) == 0);
    // The ticks stop with the process, and come back with its replacement;
    // the exit movie starts again too and sends its command once more.
    WAIT_VERIFY(enginePid(window->ticking) > 0 && enginePid(window->ticking) != pid, 20000);
    const int before = ticks.count();
    WAIT_VERIFY(ticks.count() >= before + 15, 20000);
    WAIT_COMPARE(exits.count(), 2, 20000);
    QCOMPARE(exits.last().at(1).toString(), QStringLiteral("Sair"));
    if (signal == SIGSTOP)
        ::kill(static_cast<pid_t>(pid), SIGKILL);

    // Later movies play: the two swap places.
    window->ticking->setMovie(movie("sair.swf"));
    window->exit->setMovie(movie("tick.swf"));
    WAIT_VERIFY(ticks.count() > 0 && ticks.last().at(1).toString() == QStringLiteral("Sair"), 20000);
    const int exitTicks = exits.count();
    WAIT_VERIFY(exits.count() >= exitTicks + 15, 20000);
}

void TestPlayerFaults::aMovieTheEngineFailsOnFailsAlone_data()
{
    QTest::addColumn<QString>("bomb");
    // Doubling a string on every frame, and in one script that never ends,
    // until the engine's memory is at its maximum; and a script the engine
    // panics on as it checks it.
    QTest::newRow("each frame") << QStringLiteral("string-bomb.swf");
    QTest::newRow("one script") << QStringLiteral("string-bomb-loop.swf");
    QTest::newRow("engine panic") << QStringLiteral("panic.swf");
}

void TestPlayerFaults::aMovieTheEngineFailsOnFailsAlone()
{
    QFETCH(QString, bomb);
    auto window = makeWindow();
    auto *bombed = new TShockwaveFlash(&window->window);
    bombed->setFixedSize(160, 120);
    window->window.layout()->addWidget(bombed);
    QSignalSpy ticks(window->ticking, &TShockwaveFlash::OnFSCommand);
    QSignalSpy exits(window->exit, &TShockwaveFlash::OnFSCommand);
    QSignalSpy failures(bombed, &TShockwaveFlash::movieFailed);
    QSignalSpy otherFailures(window->ticking, &TShockwaveFlash::movieFailed);
    window->ticking->setMovie(movie("tick.swf"));
    window->exit->setMovie(movie("sair.swf"));
    WAIT_VERIFY(ticks.count() >= 3 && exits.count() == 1, 30000);
    const qint64 pid = enginePid(window->ticking);

    // The players' process never holds more than its limit (1 GiB), however
    // the string grows; the movie fails, and it alone.
    qint64 peak = 0;
    bombed->setMovie(movie(bomb.toLatin1().constData()));
    WAIT_VERIFY((peak = std::max(peak, testing::residentMemory(pid)), failures.count() == 1), 60000);
    qInfo("the players' process held at most %lld MB", peak >> 20);
    QVERIFY2(peak < (qint64(1) << 30), qPrintable(QString::number(peak >> 20)));
    QCOMPARE(otherFailures.count(), 0);
    const int before = ticks.count();
    WAIT_VERIFY(ticks.count() >= before + 15, 20000);
    WAIT_COMPARE(exits.count(), 2, 20000);
    QVERIFY(!bombed->isShowingMovie());

    // The same movie is not tried again: its control stays blank, and the
    // engine goes on as it is.
    const qint64 replacement = enginePid(window->ticking);
    bombed->setMovie(movie(bomb.toLatin1().constData()));
    WAIT_COMPARE(failures.count(), 2, 20000);
    const int afterRetry = ticks.count();
    WAIT_VERIFY(ticks.count() >= afterRetry + 15, 20000);
    QCOMPARE(enginePid(window->ticking), replacement);
    QCOMPARE(exits.count(), 2);
    // Another movie in the bomb's place plays.
    QSignalSpy bombedCommands(bombed, &TShockwaveFlash::OnFSCommand);
    bombed->setMovie(movie("sair.swf"));
    WAIT_COMPARE(bombedCommands.count(), 1, 20000);
}

MENU_TEST_MAIN(TestPlayerFaults)
#include "tst_playerfaults.moc"
