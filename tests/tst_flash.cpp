// The animation control on the real engine: movies play from the content
// tree, fscommands and focus entries reach the window from the event loop,
// blanking works, and the scheme serves nothing outside its two roots.
#include "contentpath.h"
#include "flash.h"
#include "movieaddresses.h"
#include "pagetesting.h"
#include "playertesting.h"
#include "testsupport.h"
#include "zwsmovie.h"
#include "weblibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWidget>
#include <QWindow>

#include <sys/stat.h>

class TestFlash final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void schemeRefusesPathsOutsideItsRoots_data();
    void schemeRefusesPathsOutsideItsRoots();
    void onlyMoviesInTheTreePlay_data();
    void onlyMoviesInTheTreePlay();
    void fsCommandOnLoadReachesTheWindow();
    void clickingTheMovieEntersEachTime();
    void blankingAPlayingMovie_data();
    void blankingAPlayingMovie();
    void hiddenControlDrawsNothingAndTakesMovies();
    void handlerMayReloadOrCloseDuringItsEvent();
    void moviesAskedForWhileHeldBackPlayAfterwards();
    void moviesStayOffTheNetwork_data();
    void moviesStayOffTheNetwork();
    void moviesRunNoScript_data();
    void moviesRunNoScript();
    void scriptInThePlayersReachesNothing_data();
    void scriptInThePlayersReachesNothing();
    void commandsComeOnlyFromTheirOwnControl();
    void brokenAndOversizedMoviesShowNothing_data();
    void brokenAndOversizedMoviesShowNothing();
    void aMovieThatNeverEndsStopsNoOther();
    void aReplacedMovieSaysNothingMore();
    void marginsShowTheMoviesBackground();
    void keysOnAControlReachItsOwnMovie();
    void unchangedFramesAreNotDrawnAgain_data();
    void unchangedFramesAreNotDrawnAgain();
    void playersFollowTheirControls_data();
    void playersFollowTheirControls();
    void pointerBetweenPlayersReachesTheWindow();
    void eachTapOnTheMovieEnters_data();
    void eachTapOnTheMovieEnters();
    void aTapOnTheMoviesButtonIsAPersonsPress_data();
    void aTapOnTheMoviesButtonIsAPersonsPress();
    void aPressCountsForTwoSeconds_data();
    void aPressCountsForTwoSeconds();
    void onlySpaceAndReturnPressTheFocusedControl_data();
    void onlySpaceAndReturnPressTheFocusedControl();
    void playersPauseWhileNobodySeesThem_data();
    void playersPauseWhileNobodySeesThem();

private:
    struct Stage
    {
        QWidget window;
        TShockwaveFlash *flash = nullptr;
        QLineEdit *elsewhere = nullptr;
    };
    std::unique_ptr<Stage> makeStage();
    // Another control in the stage's window, below the first.
    static TShockwaveFlash *addControl(Stage *stage);
    // A movie that sends "tick" on every loop, fifteen times a second.
    void writeTickingMovie();
    // The page of the control's stage, once its movie has sent its first
    // command.
    static QWebEnginePage *stagePage(TShockwaveFlash *flash);
    static int magentaPixels(const QImage &image);
    static void addPointerRows();
    // Records, for each command of the control's movie, whether a person's
    // press came before it, as the window's own handler asks.
    static void recordPersonsPresses(TShockwaveFlash *flash, QList<bool> *verdicts);

    QTemporaryDir m_tree;
    QTemporaryDir m_outside;
    QString m_config;
};

void TestFlash::initTestCase()
{
    QVERIFY(m_tree.isValid());
    m_config = m_tree.path() + QStringLiteral("/Config");
    testing::writeMovie(m_config + QStringLiteral("/play.swf"), testing::movieSpec("PLAY"));
    swf::MovieSpec sair = testing::movieSpec("SAIR");
    sair.loadSendsCommand = true;
    sair.loadCommand = {"Sair", "x"};
    testing::writeMovie(m_config + QStringLiteral("/sair.swf"), sair);
    swf::MovieSpec ok = testing::movieSpec("OK");
    ok.loadSendsCommand = true;
    ok.loadCommand = {"ok", ""};
    testing::writeMovie(m_config + QStringLiteral("/ok.swf"), ok);
    testing::writeMovie(m_outside.path() + QStringLiteral("/secret.swf"), testing::movieSpec("SECRET"));
    // Hostile shapes: a FIFO (which would block whoever opened it) and a link
    // to a good movie outside the tree.
    ::mkfifo(QFile::encodeName(m_config + QStringLiteral("/fifo.swf")).constData(), 0644);
    testing::writeMovie(m_outside.path() + QStringLiteral("/away.swf"), testing::movieSpec("AWAY"));
    QFile::link(m_outside.path() + QStringLiteral("/away.swf"), m_config + QStringLiteral("/away.swf"));
    WebLoader::setContentTree(m_tree.path());
    // The library's own checks are tested before any player opens.
    QVERIFY(WebLoader::library(WebLoader::OnFailure::ReturnNone));
}

std::unique_ptr<TestFlash::Stage> TestFlash::makeStage()
{
    auto stage = std::make_unique<Stage>();
    auto *layout = new QVBoxLayout(&stage->window);
    stage->flash = new TShockwaveFlash(&stage->window);
    stage->flash->setFixedSize(200, 150);
    stage->elsewhere = new QLineEdit(&stage->window);
    layout->addWidget(stage->flash);
    layout->addWidget(stage->elsewhere);
    stage->window.show();
    stage->window.activateWindow();
    if (!testing::waitForActive(&stage->window))
        qWarning("window did not become active");
    return stage;
}

TShockwaveFlash *TestFlash::addControl(Stage *stage)
{
    auto *control = new TShockwaveFlash(&stage->window);
    control->setFixedSize(200, 150);
    stage->window.layout()->addWidget(control);
    return control;
}

void TestFlash::writeTickingMovie()
{
    testing::writeMovie(m_config + QStringLiteral("/tick.swf"), testing::tickingMovie());
}

int TestFlash::magentaPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() > 200)
                ++count;
        }
    }
    return count;
}

void TestFlash::schemeRefusesPathsOutsideItsRoots_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("served");
    QTest::newRow("engine script") << "/engine/ruffle.js" << true;
    QTest::newRow("host page") << "/engine/host.html" << true;
    QTest::newRow("stage page") << "/engine/stage.html" << true;
    QTest::newRow("shared channel script") << "/engine/channel.js" << true;
    QTest::newRow("no such page") << "/engine/other.html" << false;
    QTest::newRow("web channel") << "/engine/qwebchannel.js" << true;
    QTest::newRow("movie") << "/content/Config/play.swf" << true;
    QTest::newRow("movie, other case") << "/content/config/PLAY.swf" << false;
    QTest::newRow("missing movie") << "/content/Config/none.swf" << false;
    QTest::newRow("named pipe") << "/content/Config/fifo.swf" << false;
    QTest::newRow("link out of the root") << "/content/Config/away.swf" << false;
    QTest::newRow("dot dot") << "/content/../%1/secret.swf" << false;
    QTest::newRow("encoded dot dot") << "/content/%2E%2E/%1/secret.swf" << false;
    QTest::newRow("encoded slash") << "/content/..%2F%1%2Fsecret.swf" << false;
    QTest::newRow("encoded backslash") << "/content/..%5C%1%5Csecret.swf" << false;
    QTest::newRow("double encoded") << "/content/..%252F%1%252Fsecret.swf" << false;
    QTest::newRow("empty component") << "/content//Config/play.swf" << false;
    QTest::newRow("engine subfolder") << "/engine/../content/Config/play.swf" << false;
    QTest::newRow("absolute in engine") << "/engine//etc/passwd" << false;
    QTest::newRow("other root") << "/etc/passwd" << false;
}

void TestFlash::schemeRefusesPathsOutsideItsRoots()
{
    QFETCH(QString, path);
    QFETCH(bool, served);
    const movies::SchemeHandler handler(WebLoader::engineDirectory());
    const movies::SchemeHandler::Resolved resolved = handler.resolve(path.arg(QFileInfo(m_outside.path()).fileName()));
    QCOMPARE(!resolved.localPath.isEmpty() || !resolved.resource.isEmpty(), served);
}

void TestFlash::onlyMoviesInTheTreePlay_data()
{
    // Content paths as the menu forms them: Windows text, any letter case.
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("url");
    QTest::newRow("exact") << "\\config\\play.swf" << "swfhost://menu/content/Config/play.swf";
    QTest::newRow("other case") << "\\CONFIG\\PLAY.SWF" << "swfhost://menu/content/Config/play.swf";
    QTest::newRow("folder alone") << "\\config\\" << "";
    QTest::newRow("missing file") << "\\config\\none.swf" << "";
    QTest::newRow("climbing out") << "\\config\\..\\..\\%1\\secret.swf" << "";
    QTest::newRow("named pipe") << "\\config\\fifo.swf" << "";
    QTest::newRow("link out of the tree") << "\\config\\away.swf" << "";
}

void TestFlash::onlyMoviesInTheTreePlay()
{
    QFETCH(QString, relative);
    QFETCH(QString, url);
    const QString asked = m_tree.path() + relative.arg(QFileInfo(m_outside.path()).fileName());
    // What the control takes and the address the players give it agree …
    TShockwaveFlash flash;
    flash.setMovie(asked);
    QCOMPARE(flash.movieFile().isEmpty(), url.isEmpty());
    QCOMPARE(movies::addressOf(flash.movieFile()).toString(), url);
    // … and the players check the file themselves, whoever hands it over.
    QCOMPARE(movies::addressOf(content::toLocalPath(asked)).toString(), url);
}

void TestFlash::fsCommandOnLoadReachesTheWindow()
{
    auto stage = makeStage();
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\sair.swf"));
    WAIT_COMPARE(commands.count(), 1, 30000);
    QCOMPARE(commands.at(0).at(0).value<TShockwaveFlash *>(), stage->flash);
    QCOMPARE(commands.at(0).at(1).toString(), QStringLiteral("Sair"));
    QCOMPARE(commands.at(0).at(2).toString(), QStringLiteral("x"));
}

void TestFlash::clickingTheMovieEntersEachTime()
{
    auto stage = makeStage();
    // The window's first focus may have gone to the movie; start elsewhere.
    stage->elsewhere->setFocus(Qt::OtherFocusReason);
    WAIT_VERIFY(stage->elsewhere->hasFocus(), 5000);
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    QSignalSpy entries(stage->flash, &TShockwaveFlash::OnEnter);
    connect(stage->flash, &TShockwaveFlash::OnEnter, stage->elsewhere,
            [&stage] { stage->elsewhere->setFocus(Qt::OtherFocusReason); });
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    QPoint at;
    QWidget *surface = testing::playerSurface(stage->flash, &at, QPoint(100, 75));
    QVERIFY(surface);
    for (int click = 1; click <= 3; ++click) {
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
        WAIT_COMPARE(entries.count(), click, 5000);
        WAIT_VERIFY(stage->elsewhere->hasFocus(), 5000);
    }
}

void TestFlash::blankingAPlayingMovie_data()
{
    QTest::addColumn<QString>("blankWith");
    QTest::newRow("configuration folder alone") << "\\config\\";
    QTest::newRow("missing file") << "\\config\\gone.swf";
}

void TestFlash::blankingAPlayingMovie()
{
    QFETCH(QString, blankWith);
    auto stage = makeStage();
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    // The movie's magenta background is on screen …
    WAIT_VERIFY(magentaPixels(stage->window.grab().toImage()) > 5000, 10000);
    stage->flash->setMovie(m_tree.path() + blankWith);
    QVERIFY(stage->flash->movieFile().isEmpty());
    QVERIFY(!stage->flash->isShowingMovie());
    // … and gone once the control is blank.
    WAIT_COMPARE(magentaPixels(stage->window.grab().toImage()), 0, 10000);
}

void TestFlash::hiddenControlDrawsNothingAndTakesMovies()
{
    // The hidden control stands apart, where nothing else is drawn.
    auto stage = makeStage();
    stage->window.layout()->removeWidget(stage->flash);
    stage->window.resize(520, stage->window.height());
    stage->flash->move(300, 10);
    stage->flash->hide();
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    // A control on screen beside it plays the same movie: once its first
    // frame is up, the hidden one has had every chance to draw.
    auto *other = addControl(stage.get());
    QSignalSpy otherFrames(other, &TShockwaveFlash::firstFrameShown);
    other->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(otherFrames.count(), 1, 30000);
    QCOMPARE(magentaPixels(testing::grabControl(stage->flash)), 0);
    QCOMPARE(frames.count(), 0);
    QVERIFY(!stage->flash->movieFile().isEmpty());
    delete other;
    stage->flash->show();
    WAIT_VERIFY(frames.count() >= 1, 30000);
    WAIT_VERIFY(magentaPixels(stage->window.grab().toImage()) > 5000, 10000);
}

void TestFlash::handlerMayReloadOrCloseDuringItsEvent()
{
    auto stage = makeStage();
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    int reloads = 0;
    // Reloads its own movie (which sends again) twice, then closes the window.
    connect(stage->flash, &TShockwaveFlash::OnFSCommand, &stage->window,
            [&](TShockwaveFlash *sender, const QString &, const QString &) {
                if (++reloads <= 2) {
                    sender->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
                } else {
                    sender->hide();
                    stage->window.close();
                }
            });
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    WAIT_COMPARE(commands.count(), 3, 60000);
    WAIT_VERIFY(!stage->window.isVisible(), 5000);
    stage.reset(); // tearing down right after the event must not crash either
}

void TestFlash::moviesAskedForWhileHeldBackPlayAfterwards()
{
    auto stage = makeStage();
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    // While a program the menu started comes up, a new movie waits …
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    QElapsedTimer held;
    held.start();
    WebLoader::loadedLibrary()->holdPlayersBack(1500);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    QVERIFY(!stage->flash->isShowingMovie());
    // … and plays once the hold is over, not before, none of it lost.
    WAIT_COMPARE(commands.count(), 1, 30000);
    QVERIFY2(held.elapsed() >= 1500, qPrintable(QString::number(held.elapsed())));
    QCOMPARE(commands.at(0).at(1).toString(), QStringLiteral("ok"));
    WAIT_VERIFY(stage->flash->isShowingMovie(), 10000);
}

void TestFlash::moviesStayOffTheNetwork_data()
{
    // Should script ever run in a player's page, whatever it tries, nothing
    // leaves the program.
    QTest::addColumn<QString>("script");
    QTest::newRow("image") << "new Image().src = '%1/image';";
    QTest::newRow("request") << "var x = new XMLHttpRequest(); x.open('GET', '%1/xhr'); x.send();";
    QTest::newRow("fetch") << "fetch('%1/fetch').catch(function () {});";
    QTest::newRow("navigate away") << "location.href = '%1/away';";
    QTest::newRow("new window") << "window.open('%1/window');";
    // The players run in the engine's page, which opened this one.
    QTest::newRow("engine page opens a window") << "opener.open('%1/window');";
    QTest::newRow("engine page navigates away") << "opener.location.href = '%1/away';";
    QTest::newRow("movie getURL") << "";
}

void TestFlash::moviesStayOffTheNetwork()
{
    QFETCH(QString, script);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    // Every connection counts; the sentinel's request, which the test makes
    // through the web engine once the players' script has run, is the
    // later event any connection of theirs would have come before.
    int connections = 0;
    bool sentinel = false;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            ++connections;
            socket->setParent(&server);
            connect(socket, &QTcpSocket::readyRead, socket, [&sentinel, socket] {
                sentinel = sentinel || socket->readLine().contains("/sentinel");
            });
        }
    });
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    swf::MovieSpec spec = testing::movieSpec("NET");
    spec.loadUrl = (address + QStringLiteral("/geturl")).toStdString();
    spec.loadUrlTarget = "_self";
    spec.loadSendsCommand = true; // shows the frame's actions have run
    spec.loadCommand = {"done", ""};
    testing::writeMovie(m_config + QStringLiteral("/net.swf"), spec);

    auto stage = makeStage();
    const QWidgetList windowsBefore = QApplication::topLevelWidgets();
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\net.swf"));
    WAIT_COMPARE(commands.count(), 1, 30000);
    QWebEngineView *view = testing::playerView(stage->flash);
    QVERIFY(view);
    const QUrl host = view->url();
    if (!script.isEmpty())
        testing::evaluate(view->page(), script.arg(address) + QStringLiteral("; 'ran'"));
    QWebEngineProfile sentinelProfile;
    {
        QWebEnginePage sentinelPage(&sentinelProfile);
        sentinelPage.load(QUrl(address + QStringLiteral("/sentinel")));
        WAIT_VERIFY(sentinel, 15000);
    }
    QCOMPARE(connections, 1);
    // No window appeared (earlier cases' windows may have gone meanwhile).
    const QWidgetList windowsAfter = QApplication::topLevelWidgets();
    for (QWidget *window : windowsAfter)
        QVERIFY2(windowsBefore.contains(window), qPrintable(window->metaObject()->className()));
    QCOMPARE(view->url(), host);
    QVERIFY(magentaPixels(stage->window.grab().toImage()) > 5000);
}

QWebEnginePage *TestFlash::stagePage(TShockwaveFlash *flash)
{
    QWebEngineView *view = testing::playerView(flash);
    return view ? view->page() : nullptr;
}

void TestFlash::moviesRunNoScript_data()
{
    // Each movie tries to run this in the engine's page or its own, then
    // sends "done".
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("externalCall");
    QTest::addColumn<QString>("externalArgument");
    const QString mark = QStringLiteral("window.hostile=1;opener&&(opener.hostile=1);void 0");
    QTest::newRow("getURL javascript: here") << QStringLiteral("javascript:") + mark << "_self" << "" << "";
    QTest::newRow("getURL javascript: no target") << QStringLiteral("javascript:") + mark << "" << ""
                                                  << "";
    QTest::newRow("getURL javascript: new window") << QStringLiteral("javascript:") + mark << "_blank" << ""
                                                   << "";
    QTest::newRow("getURL JavaScript: upper case") << QStringLiteral("JavaScript:") + mark << "_top" << ""
                                                   << "";
    QTest::newRow("ExternalInterface eval") << "" << "" << "eval" << mark;
    QTest::newRow("ExternalInterface code as name")
        << "" << "" << QStringLiteral("(function(){%1})").arg(mark) << "";
}

void TestFlash::moviesRunNoScript()
{
    QFETCH(QString, url);
    QFETCH(QString, target);
    QFETCH(QString, externalCall);
    QFETCH(QString, externalArgument);
    swf::MovieSpec spec = testing::movieSpec("JS");
    spec.version = 8;
    spec.loadUrl = url.toStdString();
    spec.loadUrlTarget = target.toStdString();
    spec.externalCall = externalCall.toStdString();
    spec.externalArgument = externalArgument.toStdString();
    spec.loadSendsCommand = true;
    spec.loadCommand = {"done", ""};
    testing::writeMovie(m_config + QStringLiteral("/script.swf"), spec);

    auto stage = makeStage();
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\script.swf"));
    WAIT_COMPARE(commands.count(), 1, 30000);
    QWebEnginePage *page = stagePage(stage->flash);
    QVERIFY(page);
    // Two round trips through the page: anything the movie set off before
    // its command has run by then.
    testing::evaluate(page, QStringLiteral("1"));
    QCOMPARE(testing::evaluate(page, QStringLiteral("String(window.hostile) + ',' + String(opener.hostile)")),
             QStringLiteral("undefined,undefined"));
    // The control still works: the movie can be replaced and sends again.
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    WAIT_COMPARE(commands.count(), 2, 30000);
    QCOMPARE(commands.at(1).at(1).toString(), QStringLiteral("ok"));
}

void TestFlash::scriptInThePlayersReachesNothing_data()
{
    // Script run in a player's page, as if a movie had found a way: every
    // way out of the program, aimed at loopback listeners that must hear
    // nothing. WHERE is "" for the stage's own window or "opener." for the
    // engine's page; TCPPORT the TCP port, UDPPORT the UDP port. Each calls done()
    // once its attempt has settled.
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("attempt");
    const QStringList places = {QString(), QStringLiteral("opener.")};
    const struct
    {
        const char *name;
        const char *attempt;
    } attempts[] = {
        {"fetch", "WHEREfetch('http://127.0.0.1:TCPPORT/f').then(done, done);"},
        {"XMLHttpRequest", "var x = new WHEREXMLHttpRequest(); x.onloadend = done; x.open('GET', "
                           "'http://127.0.0.1:TCPPORT/x'); x.send();"},
        {"image", "var i = new WHEREImage(); i.onerror = i.onload = done; i.src = 'http://127.0.0.1:TCPPORT/i';"},
        {"WebSocket", "var s = new WHEREWebSocket('ws://127.0.0.1:TCPPORT/'); s.onerror = s.onclose = done;"
                      "var p = setInterval(function () { if (s.readyState === 3) { clearInterval(p); done(); } }, 20);"},
        {"EventSource", "var e = new WHEREEventSource('http://127.0.0.1:TCPPORT/e'); e.onerror = function () { "
                        "e.close(); done(); };"},
        {"beacon", "WHEREnavigator.sendBeacon('http://127.0.0.1:TCPPORT/b', 'x'); done();"},
        {"WebRTC STUN", "var pc = new WHERERTCPeerConnection({iceServers: [{urls: 'stun:127.0.0.1:UDPPORT'}]});"
                        "pc.onicegatheringstatechange = function () { if (pc.iceGatheringState === "
                        "'complete') done(); }; pc.createDataChannel('d');"
                        "pc.createOffer().then(function (o) { return pc.setLocalDescription(o); })"
                        ".catch(done);"},
        {"WebTransport (QUIC)", "var t = new WHEREWebTransport('https://127.0.0.1:UDPPORT/t');"
                                "t.ready.then(done, done);"},
    };
    for (const QString &place : places) {
        for (const auto &attempt : attempts) {
            QTest::addRow("%s %s", place.isEmpty() ? "stage" : "engine page", attempt.name)
                << place << QString::fromLatin1(attempt.attempt);
        }
    }
}

void TestFlash::scriptInThePlayersReachesNothing()
{
    QFETCH(QString, where);
    QFETCH(QString, attempt);
    QTcpServer tcp;
    QVERIFY(tcp.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&tcp, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket *socket = tcp.nextPendingConnection()) {
            ++connections;
            socket->abort(); // the attempt settles at once
            socket->deleteLater();
        }
    });
    QUdpSocket udp;
    QVERIFY(udp.bind(QHostAddress::LocalHost, 0));
    int datagrams = 0;
    connect(&udp, &QUdpSocket::readyRead, this, [&] {
        while (udp.hasPendingDatagrams()) {
            udp.receiveDatagram();
            ++datagrams;
        }
    });

    auto stage = makeStage();
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    WAIT_COMPARE(commands.count(), 1, 30000);
    QWebEnginePage *page = stagePage(stage->flash);
    QVERIFY(page);
    const QString body = QString(attempt)
                             .replace(QLatin1String("WHERE"), where)
                             .replace(QLatin1String("TCPPORT"), QString::number(tcp.serverPort()))
                             .replace(QLatin1String("UDPPORT"), QString::number(udp.localPort()));
    page->runJavaScript(QStringLiteral("(function () { var done = function () { document.title = 'done'; };"
                                       "try { %1 } catch (error) { done(); } })();")
                            .arg(body));
    // A way out that works shows at the listener before the attempt settles.
    WAIT_VERIFY(page->title() == QLatin1String("done") || connections + datagrams > 0, 30000);
    QCOMPARE(connections, 0);
    QCOMPARE(datagrams, 0);
}

void TestFlash::commandsComeOnlyFromTheirOwnControl()
{
    // Script in one window's stage tries every channel it can find to send
    // a command as a control of another window; only its own command may
    // arrive, and it arrives as its own.
    auto stage = makeStage();
    auto away = makeStage();
    TShockwaveFlash *other = away->flash;
    QSignalSpy mine(stage->flash, &TShockwaveFlash::OnFSCommand);
    QSignalSpy theirs(other, &TShockwaveFlash::OnFSCommand);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    other->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    WAIT_COMPARE(mine.count(), 1, 30000);
    WAIT_COMPARE(theirs.count(), 1, 30000);
    QWebEnginePage *page = stagePage(stage->flash);
    QVERIFY(page);
    QVERIFY(page != stagePage(other));
    testing::evaluate(page, QStringLiteral(
        "(function () {"
        "  for (var slot = 0; slot < 64; ++slot) {"
        "    try { opener.stageReady(slot, window); } catch (e) {}"
        "  }"
        "  var send = function (objects) {"
        "    for (var name in objects) {"
        "      var object = objects[name];"
        "      for (var slot = 0; slot < 64; ++slot) {"
        "        try { object.fsCommand(slot, 'Sair', 'forged'); } catch (e) {}"
        "        for (var movie = 0; movie < 8; ++movie)"
        "          try { object.fsCommand(slot, movie, 'Sair', 'forged'); } catch (e) {}"
        "      }"
        "    }"
        "  };"
        "  try { new opener.QWebChannel(opener.qt.webChannelTransport, function (c) { send(c.objects); });"
        "  } catch (e) {}"
        "  try { new QWebChannel(qt.webChannelTransport, function (c) { send(c.objects); }); } catch (e) {}"
        "  for (var slot = 0; slot < 64; ++slot)"
        "    for (var movie = 0; movie < 64; ++movie) sendCommand(slot, movie, 'forged', 'here');"
        "  return 1;"
        "})();"));
    // Its own control's next movie speaks after all of that.
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\sair.swf"));
    WAIT_VERIFY(!mine.isEmpty() && mine.last().at(1).toString() == QLatin1String("Sair"), 30000);
    QCOMPARE(theirs.count(), 1);
    for (const QList<QVariant> &command : std::as_const(mine))
        QCOMPARE(command.at(0).value<TShockwaveFlash *>(), stage->flash);
    // Nor was the engine's page cut off from the program: the other control
    // still takes a new movie, which sends its command.
    other->setMovie(m_tree.path() + QStringLiteral("\\config\\sair.swf"));
    WAIT_COMPARE(theirs.count(), 2, 30000);
    QCOMPARE(theirs.last().at(1).toString(), QStringLiteral("Sair"));
}

void TestFlash::brokenAndOversizedMoviesShowNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("reachesTheEngine");
    const auto header = [](const char *signature, quint32 declared) {
        QByteArray bytes(signature, 3);
        bytes += char(10);
        for (int shift = 0; shift < 32; shift += 8)
            bytes += char((declared >> shift) & 0xff);
        return bytes;
    };
    QTest::newRow("not a movie") << QByteArray("%PDF-1.4 not a movie at all") << false;
    QTest::newRow("header cut short") << QByteArray("FWS") << false;
    QTest::newRow("declares 1 GiB, zlib") << header("CWS", 1u << 30) + QByteArray(200, 'x') << false;
    QTest::newRow("declares 1 GiB, LZMA") << header("ZWS", 1u << 30) + QByteArray(200, 'x') << false;
    QTest::newRow("declares 1 GiB, plain") << header("FWS", 1u << 30) + QByteArray(200, 'x') << false;
    // Bodies whose start does not decode to a stage and frames: the engine
    // would fail on them, and the header check keeps them from it.
    QTest::newRow("garbage after a zlib header") << header("CWS", 1000) + QByteArray(300, '\x17') << false;
    QTest::newRow("garbage after an LZMA header") << header("ZWS", 1000) + QByteArray(300, '\x17') << false;
    QTest::newRow("a plain header and no stage") << header("FWS", 1000) + QByteArray(2, '\0') << false;
    // An LZMA body whose start decodes and whose rest does not: the header
    // check passes it, and the engine, which decodes the whole body first,
    // takes nothing of it (the collection checker calls it an error).
    QFile plainFile(m_config + QStringLiteral("/play.swf"));
    QVERIFY(plainFile.open(QIODevice::ReadOnly));
    QByteArray data;
    const QByteArray lzma = testing::lzmaMovie(plainFile.readAll(), &data);
    QVERIFY(!lzma.isEmpty());
    QByteArray noise;
    for (quint32 x = 12345; noise.size() < 4000;) {
        x = x * 1103515245u + 12345u;
        noise += char(x >> 16);
    }
    QTest::newRow("an LZMA body broken after its start") << lzma.left(17 + 40) + noise << true;
}

void TestFlash::brokenAndOversizedMoviesShowNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, reachesTheEngine);
    testing::writeFile(m_config + QStringLiteral("/broken.swf"), bytes);
    auto stage = makeStage();
    // A good movie beside it comes up as usual.
    auto *other = addControl(stage.get());
    QSignalSpy otherFrames(other, &TShockwaveFlash::firstFrameShown);
    other->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));

    QSignalSpy failures(stage->flash, &TShockwaveFlash::movieFailed);
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\broken.swf"));
    QCOMPARE(stage->flash->movieFile().isEmpty(), !reachesTheEngine);
    WAIT_COMPARE(otherFrames.count(), 1, 30000);
    if (reachesTheEngine)
        WAIT_COMPARE(failures.count(), 1, 30000);
    QCOMPARE(frames.count(), 0);
    // Nothing at all where the movie would be: no engine panel, no text.
    const QImage image = testing::grabControl(stage->flash);
    const QColor background = stage->window.palette().color(QPalette::Window);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            drawn += image.pixelColor(x, y) == background ? 0 : 1;
    }
    QCOMPARE(drawn, 0);
}

void TestFlash::aMovieThatNeverEndsStopsNoOther()
{
    // One movie's script loops for ever, on every frame; all the players
    // share the engine's page, and the others must go on all the same.
    swf::MovieSpec spin = testing::movieSpec("SPIN");
    spin.loadSpins = true;
    spin.loadRepeats = true;
    testing::writeMovie(m_config + QStringLiteral("/spin.swf"), spin);
    writeTickingMovie();
    auto stage = makeStage();
    auto *other = addControl(stage.get());
    QSignalSpy ticks(other, &TShockwaveFlash::OnFSCommand);
    other->setMovie(m_tree.path() + QStringLiteral("\\config\\tick.swf"));
    WAIT_VERIFY(ticks.count() >= 1, 30000);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\spin.swf"));
    const int before = ticks.count();
    WAIT_VERIFY(ticks.count() >= before + 24, 30000);
}

void TestFlash::aReplacedMovieSaysNothingMore()
{
    // The old movie sends about thirty commands a second. The window is
    // busy for a moment as the first one arrives, so that more are on their
    // way, then replaces the movie: none of those may reach it any more.
    swf::MovieSpec chatty = testing::movieSpec("OLD");
    chatty.frameRate = 60;
    chatty.frameCount = 2;
    chatty.loadSendsCommand = true;
    chatty.loadRepeats = true;
    chatty.loadCommand = {"old", ""};
    testing::writeMovie(m_config + QStringLiteral("/chatty.swf"), chatty);
    auto stage = makeStage();
    QStringList afterReplacing;
    bool replaced = false;
    connect(stage->flash, &TShockwaveFlash::OnFSCommand, this,
            [&](TShockwaveFlash *, const QString &command, const QString &) {
                if (replaced) {
                    afterReplacing << command;
                    return;
                }
                QThread::msleep(300);
                stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
                replaced = true;
            });
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\chatty.swf"));
    WAIT_VERIFY(replaced, 30000);
    WAIT_COMPARE(frames.count(), 1, 30000); // the quiet movie is on screen
    // A movie that speaks once, after all of that.
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\ok.swf"));
    WAIT_VERIFY(!afterReplacing.isEmpty(), 30000);
    QCOMPARE(afterReplacing, QStringList{QStringLiteral("ok")});
}

void TestFlash::marginsShowTheMoviesBackground()
{
    // "ShowAll": a 4:3 movie in a 2:1 control is scaled to the control's
    // height and centred; the bands beside it show the movie's own
    // background (magenta), not black.
    auto stage = makeStage();
    stage->flash->setFixedSize(240, 120);
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    const auto margin = [&] {
        const QImage image = testing::grabControl(stage->flash);
        return QList<QColor>{image.pixelColor(5, 60), image.pixelColor(234, 60)};
    };
    const QColor magenta(255, 0, 255);
    WAIT_COMPARE(margin(), (QList<QColor>{magenta, magenta}), 10000);
}

void TestFlash::keysOnAControlReachItsOwnMovie()
{
    // Two controls share their window's stage; a key pressed on the second
    // reaches the second one's player, not the first one's.
    auto stage = makeStage();
    auto *other = addControl(stage.get());
    QSignalSpy frames(other, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    other->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    QWebEngineView *view = testing::playerView(other);
    QVERIFY(view);
    // Where an element's player is on the stage.
    QCOMPARE(testing::evaluate(view->page(), QStringLiteral(
                 "window.placeOf = function (element) {"
                 "  var box = element && element.closest && element.closest('.player');"
                 "  var r = box ? box.getBoundingClientRect() : { left: -1, top: -1 };"
                 "  return Math.round(r.left) + ',' + Math.round(r.top);"
                 "};"
                 "window.keysSeen = [];"
                 "document.addEventListener('keydown', function (e) {"
                 "  keysSeen.push(e.key + '@' + placeOf(e.target));"
                 "}, true); 'ready'")),
             QStringLiteral("ready"));
    const QPoint place = testing::rectInWindow(other).topLeft() - view->pos();
    const QString at = QStringLiteral("%1,%2").arg(place.x()).arg(place.y());
    other->setFocus(Qt::TabFocusReason);
    WAIT_VERIFY(other->hasFocus(), 5000);
    // The player takes the page's focus as its control takes the window's.
    WAIT_COMPARE(testing::evaluate(view->page(), QStringLiteral("placeOf(document.activeElement)")), at, 10000);
    QTest::keyClick(other, Qt::Key_K);
    WAIT_COMPARE(testing::evaluate(view->page(), QStringLiteral("keysSeen.join(' ')")), QStringLiteral("k@") + at, 10000);
}

void TestFlash::unchangedFramesAreNotDrawnAgain_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("moving");
    // Flat colours, and artwork as real movies are drawn: its outlines'
    // paths are built anew on every frame.
    QTest::newRow("still movie") << QString() << false;
    QTest::newRow("still artwork with outlines") << QStringLiteral("outlines") << false;
    QTest::newRow("moving dot") << QString() << true;
    // Gradients whose colour effect changes on every frame: only the
    // values of the filter the engine draws them through change.
    QTest::newRow("tint and brightness tween") << QStringLiteral("tint-tween") << true;
    // Frames that differ in one value only, the first a drawing call or a
    // setting takes: a flat colour tinted from frame to frame (its fill
    // colour), a bar stretched sideways only (its transform's first term).
    QTest::newRow("flat colour tint tween") << QStringLiteral("flat-tint") << true;
    QTest::newRow("stretched sideways") << QStringLiteral("stretch") << true;
}

void TestFlash::unchangedFramesAreNotDrawnAgain()
{
    // A movie whose frames are all alike is drawn once; one whose picture
    // changes is drawn every frame, and is seen to change.
    QFETCH(QString, kind);
    QFETCH(bool, moving);
    swf::MovieSpec spec = testing::movieSpec("FRAMES");
    spec.moving = moving;
    if (kind == QLatin1String("flat-tint") || kind == QLatin1String("stretch")) {
        spec.moving = false;
        spec.version = 8;
        swf::Figure bar;
        bar.width = 60;
        bar.height = 40;
        bar.fill.colour = {20, 120, 220, 255};
        spec.shapes.push_back(swf::Shape{{bar}});
        swf::Placement placement;
        swf::Key first, middle, last;
        first.frame = 1;
        middle.frame = 12;
        last.frame = 24;
        first.x = middle.x = last.x = 20;
        first.y = middle.y = last.y = 20;
        if (kind == QLatin1String("flat-tint")) {
            middle.colour = swf::tint({255, 0, 0}, 0.9);
        } else {
            middle.scaleX = 2.5;
        }
        placement.keys = {first, middle, last};
        spec.placements.push_back(placement);
        spec.frameCount = 24;
    } else if (!kind.isEmpty()) {
        spec = swf::realisticMovie(kind.toStdString(), 200, 150);
        // The tween goes back and forth for ever, and without the bar that
        // steps along the bottom: its colour effects are all that changes.
        spec.stopFrame = 0;
        if (moving)
            spec.placements.pop_back();
    }
    spec.frameRate = 24;
    testing::writeMovie(m_config + QStringLiteral("/frames.swf"), spec);
    auto stage = makeStage();
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\frames.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    QWebEnginePage *page = stagePage(stage->flash);
    QVERIFY(page);
    const auto counts = [page] {
        const QStringList both = testing::evaluate(page, QStringLiteral(
            "opener.canvasFrames.drawn + ' ' + opener.canvasFrames.dropped")).split(QLatin1Char(' '));
        return std::pair<int, int>(both.value(0).toInt(), both.value(1).toInt());
    };
    // The first frames are drawn as the movie starts, the still one's too.
    WAIT_VERIFY(counts().first + counts().second >= 6, 10000);
    const auto [drawnBefore, droppedBefore] = counts();
    const QImage before = testing::grabControl(stage->flash);
    // A second's worth of the movie's frames.
    WAIT_VERIFY(counts().first + counts().second >= drawnBefore + droppedBefore + 24, 10000);
    const auto [drawn, dropped] = counts();
    if (moving) {
        QVERIFY2(drawn - drawnBefore >= 20, qPrintable(QStringLiteral("%1 drawn").arg(drawn - drawnBefore)));
        WAIT_VERIFY(testing::grabControl(stage->flash) != before, 5000);
    } else {
        QVERIFY2(drawn == drawnBefore,
                 qPrintable(testing::evaluate(page, QStringLiteral("opener.canvasFrames.asItCame"))));
        QVERIFY(dropped - droppedBefore >= 24);
        QCOMPARE(testing::grabControl(stage->flash), before);
    }
}

// A window without a layout: control "a" in a frame at the top left,
// control "b" at the top right, and a button between them.
struct FreeWindow
{
    QWidget window;
    QFrame *frame = new QFrame(&window);
    TShockwaveFlash *a = new TShockwaveFlash(frame);
    TShockwaveFlash *b = new TShockwaveFlash(&window);
    QPushButton *between = new QPushButton(QStringLiteral("entre"), &window);

    FreeWindow()
    {
        window.resize(520, 360);
        frame->setGeometry(10, 10, 200, 150);
        a->setGeometry(0, 0, 200, 150);
        b->setGeometry(310, 10, 200, 150);
        between->setGeometry(220, 60, 80, 30);
        window.show();
        window.activateWindow();
        if (!testing::waitForActive(&window))
            qWarning("window did not become active");
    }
};

void TestFlash::playersFollowTheirControls_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QRect>("shown");  // where the movie must be now
    QTest::addColumn<QRect>("empty");  // where nothing may be drawn
    QTest::newRow("control moved") << "move" << QRect(10, 190, 200, 150) << QRect(10, 10, 200, 150);
    QTest::newRow("control resized") << "resize" << QRect(10, 10, 100, 75) << QRect(110, 10, 100, 150);
    QTest::newRow("frame moved") << "move frame" << QRect(10, 190, 200, 150) << QRect(10, 10, 200, 150);
    QTest::newRow("frame shrunk") << "shrink frame" << QRect(10, 10, 100, 150) << QRect(110, 10, 100, 150);
    QTest::newRow("frame hidden") << "hide frame" << QRect(310, 10, 200, 150) << QRect(10, 10, 200, 150);
}

void TestFlash::playersFollowTheirControls()
{
    QFETCH(QString, change);
    QFETCH(QRect, shown);
    QFETCH(QRect, empty);
    FreeWindow free;
    QSignalSpy aFrames(free.a, &TShockwaveFlash::firstFrameShown);
    QSignalSpy bFrames(free.b, &TShockwaveFlash::firstFrameShown);
    free.a->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    free.b->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(aFrames.count() + bFrames.count(), 2, 30000);
    const auto magentaIn = [&free](const QRect &rect) { return magentaPixels(free.window.grab(rect).toImage()); };
    WAIT_VERIFY(magentaIn(QRect(10, 10, 200, 150)) > 5000, 10000);
    QCOMPARE(magentaIn(QRect(220, 10, 80, 150)), 0); // nothing between the two

    if (change == QLatin1String("move"))
        free.a->move(0, 180);
    else if (change == QLatin1String("resize"))
        free.a->resize(100, 75);
    else if (change == QLatin1String("move frame"))
        free.frame->move(10, 190);
    else if (change == QLatin1String("shrink frame"))
        free.frame->resize(100, 150);
    else
        free.frame->hide();
    if (change == QLatin1String("move"))
        free.frame->resize(200, 340); // the control stays inside its frame
    WAIT_VERIFY(magentaIn(shown) > shown.width() * shown.height() / 4 && magentaIn(empty) == 0, 10000);
}

void TestFlash::pointerBetweenPlayersReachesTheWindow()
{
    // The players' view lies over the whole span of the two controls, but
    // a click between them is the window's, and a click on a player the
    // control's. Both go through the window as the display server's would.
    FreeWindow free;
    QSignalSpy frames(free.b, &TShockwaveFlash::firstFrameShown);
    QSignalSpy entries(free.b, &TShockwaveFlash::OnEnter);
    QSignalSpy clicks(free.between, &QPushButton::clicked);
    free.a->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    free.b->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    QVERIFY(testing::playerView(free.b));
    QVERIFY(testing::playerView(free.b)->geometry().contains(free.between->geometry()));
    QTest::mouseClick(free.window.windowHandle(), Qt::LeftButton, {}, free.between->geometry().center());
    WAIT_COMPARE(clicks.count(), 1, 5000);
    QVERIFY(!free.b->hasFocus());
    QTest::mouseClick(free.window.windowHandle(), Qt::LeftButton, {}, QPoint(410, 85));
    WAIT_COMPARE(entries.count(), 1, 5000);
    QVERIFY(free.b->hasFocus());
    QCOMPARE(clicks.count(), 1);
}

void TestFlash::addPointerRows()
{
    QTest::addColumn<testing::Pointer>("pointer");
    QTest::newRow("mouse") << testing::Pointer::Mouse;
    QTest::newRow("finger on a touch screen") << testing::Pointer::Finger;
    QTest::newRow("pen on a whiteboard") << testing::Pointer::Pen;
}

void TestFlash::recordPersonsPresses(TShockwaveFlash *flash, QList<bool> *verdicts)
{
    connect(flash, &TShockwaveFlash::OnFSCommand, flash,
            [flash, verdicts] { verdicts->append(flash->takePersonsPress()); });
}

void TestFlash::eachTapOnTheMovieEnters_data()
{
    addPointerRows();
}

void TestFlash::eachTapOnTheMovieEnters()
{
    // A finger or a pen on a player is a click on its control: the control
    // takes the focus every time, so that two taps on the preview open it.
    QFETCH(testing::Pointer, pointer);
    auto stage = makeStage();
    stage->elsewhere->setFocus(Qt::OtherFocusReason);
    WAIT_VERIFY(stage->elsewhere->hasFocus(), 5000);
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    QSignalSpy entries(stage->flash, &TShockwaveFlash::OnEnter);
    connect(stage->flash, &TShockwaveFlash::OnEnter, stage->elsewhere,
            [&stage] { stage->elsewhere->setFocus(Qt::OtherFocusReason); });
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\play.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    // The taps land on the players' view, not on the control beneath it.
    const QPoint at = testing::rectInWindow(stage->flash).center();
    QWebEngineView *view = testing::playerView(stage->flash);
    QVERIFY(view);
    QCOMPARE(stage->window.childAt(at), view->focusProxy());
    for (int tap = 1; tap <= 2; ++tap) {
        testing::tap(stage->window.windowHandle(), pointer, at);
        WAIT_COMPARE(entries.count(), tap, 5000);
        WAIT_VERIFY(stage->elsewhere->hasFocus(), 5000);
    }
}

void TestFlash::aTapOnTheMoviesButtonIsAPersonsPress_data()
{
    addPointerRows();
}

void TestFlash::aTapOnTheMoviesButtonIsAPersonsPress()
{
    // The whole stage is a button that sends its command on release: the
    // engine sees the tap (the command comes) and the control counts it as
    // a person's press (the command is the person's doing).
    QFETCH(testing::Pointer, pointer);
    swf::MovieSpec spec = testing::movieSpec("BUTTON");
    spec.moving = false;
    spec.buttonSendsCommand = true;
    spec.buttonCommand = {"pressed", ""};
    testing::writeMovie(m_config + QStringLiteral("/button.swf"), spec);
    QList<bool> verdicts;
    auto stage = makeStage();
    recordPersonsPresses(stage->flash, &verdicts);
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\button.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    const QPoint at = testing::rectInWindow(stage->flash).center();
    // Now and then the engine takes a press as one outside its button.
    for (int attempt = 0; attempt < 5 && commands.isEmpty(); ++attempt) {
        testing::tap(stage->window.windowHandle(), pointer, at);
        (void)testing::waitUntil([&] { return !commands.isEmpty(); }, 3000);
    }
    QVERIFY2(!commands.isEmpty(), "the movie never answered a tap");
    QCOMPARE(commands.first().at(1).toString(), QStringLiteral("pressed"));
    QCOMPARE(verdicts.first(), true);
}

void TestFlash::aPressCountsForTwoSeconds_data()
{
    // The movie's button, released, plays the timeline, which sends the
    // command on a later frame: the movie's own time, from the release on,
    // not the test's, decides how long after the press the command comes.
    QTest::addColumn<int>("frame"); // at 10 frames a second
    QTest::addColumn<bool>("persons");
    QTest::newRow("half a second later") << 6 << true;
    QTest::newRow("two and a half seconds later") << 26 << false;
}

void TestFlash::aPressCountsForTwoSeconds()
{
    QFETCH(int, frame);
    QFETCH(bool, persons);
    swf::MovieSpec spec = testing::movieSpec("LATE");
    spec.moving = false;
    spec.frameRate = 10;
    spec.frameCount = 30;
    spec.buttonSendsCommand = true;
    spec.buttonCommandFrame = frame;
    spec.buttonCommand = {"late", ""};
    testing::writeMovie(m_config + QStringLiteral("/late.swf"), spec);
    QList<bool> verdicts;
    auto stage = makeStage();
    recordPersonsPresses(stage->flash, &verdicts);
    QSignalSpy commands(stage->flash, &TShockwaveFlash::OnFSCommand);
    QSignalSpy frames(stage->flash, &TShockwaveFlash::firstFrameShown);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\late.swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    const QPoint at = testing::rectInWindow(stage->flash).center();
    // Now and then the engine takes a press as one outside its button.
    for (int attempt = 0; attempt < 3 && commands.isEmpty(); ++attempt) {
        testing::tap(stage->window.windowHandle(), testing::Pointer::Mouse, at);
        (void)testing::waitUntil([&] { return !commands.isEmpty(); }, 5000);
    }
    QVERIFY2(!commands.isEmpty(), "the movie never answered a click");
    QCOMPARE(commands.first().at(1).toString(), QStringLiteral("late"));
    QCOMPARE(verdicts.first(), persons);
}

void TestFlash::onlySpaceAndReturnPressTheFocusedControl_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("held");    // an auto-repeated press, as a key held down sends
    QTest::addColumn<bool>("presses"); // the movie's next command is the person's doing
    QTest::newRow("Space") << int(Qt::Key_Space) << 0 << false << true;
    QTest::newRow("Space held") << int(Qt::Key_Space) << 0 << true << true;
    QTest::newRow("Return") << int(Qt::Key_Return) << 0 << false << true;
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << true;
    QTest::newRow("Down") << int(Qt::Key_Down) << 0 << false << false;
    QTest::newRow("Down held") << int(Qt::Key_Down) << 0 << true << false;
    QTest::newRow("Up") << int(Qt::Key_Up) << 0 << false << false;
    QTest::newRow("Left") << int(Qt::Key_Left) << 0 << false << false;
    QTest::newRow("Right") << int(Qt::Key_Right) << 0 << false << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << false << false;
    QTest::newRow("Shift") << int(Qt::Key_Shift) << 0 << false << false;
    QTest::newRow("Control") << int(Qt::Key_Control) << 0 << false << false;
    QTest::newRow("Alt") << int(Qt::Key_Alt) << 0 << false << false;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << false << false;
    QTest::newRow("Shift+Tab") << int(Qt::Key_Tab) << int(Qt::ShiftModifier) << false << false;
}

void TestFlash::onlySpaceAndReturnPressTheFocusedControl()
{
    // The movie sends its command on every loop and the window asks, each
    // time, whether a person pressed the control just before: a key that
    // only moves about, leaves or modifies must not make the movie's next
    // command the person's.
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, held);
    QFETCH(bool, presses);
    writeTickingMovie();
    QList<bool> verdicts;
    auto stage = makeStage();
    recordPersonsPresses(stage->flash, &verdicts);
    stage->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\tick.swf"));
    stage->flash->setFocus(Qt::OtherFocusReason);
    WAIT_VERIFY(stage->flash->hasFocus(), 5000);
    WAIT_VERIFY(verdicts.size() >= 3, 30000);
    QVERIFY(!verdicts.contains(true)); // nobody has pressed anything yet
    QWindow *window = stage->window.windowHandle();
    const qsizetype before = verdicts.size();
    if (held)
        qt_handleKeyEvent(window, QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(), true);
    else
        QTest::keyClick(window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    WAIT_VERIFY(verdicts.size() > before, 10000);
    QCOMPARE(verdicts.at(before), presses);
}

void TestFlash::playersPauseWhileNobodySeesThem_data()
{
    QTest::addColumn<bool>("minimise"); // else the control is hidden
    QTest::newRow("window minimised") << true;
    QTest::newRow("control hidden") << false;
}

void TestFlash::playersPauseWhileNobodySeesThem()
{
    QFETCH(bool, minimise);
    // Both movies send a command on every loop. The one in the other
    // window keeps time: while it sends ten, the unseen one sends none.
    writeTickingMovie();
    auto unseen = makeStage();
    auto clock = makeStage();
    clock->window.move(unseen->window.geometry().topRight() + QPoint(20, 0));
    QSignalSpy unseenTicks(unseen->flash, &TShockwaveFlash::OnFSCommand);
    QSignalSpy clockTicks(clock->flash, &TShockwaveFlash::OnFSCommand);
    QSignalSpy reloads(unseen->flash, &TShockwaveFlash::movieRequested);
    unseen->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\tick.swf"));
    clock->flash->setMovie(m_tree.path() + QStringLiteral("\\config\\tick.swf"));
    WAIT_VERIFY(unseenTicks.count() >= 3 && clockTicks.count() >= 3, 30000);
    const qsizetype requests = reloads.count();
    if (minimise)
        unseen->window.showMinimized();
    else
        unseen->flash->hide();
    // Commands already on their way when it went out of sight may arrive.
    qsizetype settled = clockTicks.count() + 3;
    WAIT_VERIFY(clockTicks.count() >= settled, 10000);
    const qsizetype paused = unseenTicks.count();
    settled = clockTicks.count() + 10;
    WAIT_VERIFY(clockTicks.count() >= settled, 10000);
    QCOMPARE(unseenTicks.count(), paused);
    // Seen again, it goes on where it was: no reload.
    if (minimise)
        unseen->window.showNormal();
    else
        unseen->flash->show();
    WAIT_VERIFY(unseenTicks.count() > paused + 3, 10000);
    QCOMPARE(reloads.count(), requests);
    QVERIFY(unseen->flash->isShowingMovie());
}

MENU_TEST_MAIN(TestFlash)
#include "tst_flash.moc"
