// The menu's pictures against the same engine in a browser: each movie is
// shown in an animation control, as the menu shows it, and in Debian's
// chromium with the same engine build and the same player options, from a
// page this test serves on loopback. Once the movie has stopped, what a
// person sees on the screen over the control must be what chromium drew.
#include "flash.h"
#include "framemarks.h"
#include "loopbackserver.h"
#include "movieaddresses.h"
#include "picturediff.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QWidget>

#include <algorithm>
#include <map>

namespace {

// Anti-aliasing and colour rounding stay below this on every channel; a
// wrong colour does not.
constexpr int kChannelTolerance = 48;
// Edges that two renderers place a pixel apart are forgiven by the
// comparison itself; what is left over a whole picture stays well below
// this share.
constexpr double kMostDiffering = 0.015;

// The fscommand the test adds to each movie's stop frame.
const char kMark[] = "frame";
// The stage: 4:3, as the writer lays its movies out, at 1:1.
constexpr int kWidth = 240;
constexpr int kHeight = 180;

// The reference page: the players' options are read from the players' own
// configuration script, run in a frame of its own so that what it does to
// the page for the menu's sake (its frame recorder over the canvas, its
// fetch of the menu's scheme) stays in that frame, and the engine here is
// the engine alone.
const char kPage[] = R"(<!doctype html>
<html><head><meta charset="utf-8">
<style>
  html, body { margin: 0; padding: 0; overflow: hidden; background: #fff; }
  ruffle-player { display: block; width: @WIDTH@px; height: @HEIGHT@px; }
</style></head>
<body>
<!-- Held by the test until the movie has stopped and been drawn: the page's
     load, and chromium's picture after it, wait for it. -->
<img src="/hold" alt="" style="display: none">
<script>
(function () {
  "use strict";
  function report(what, value) {
    return fetch("/report?what=" + encodeURIComponent(what) + "&value=" + encodeURIComponent(value))
      .catch(function () {});
  }
  // The engine names the renderer it took on the console only.
  const log = console.log;
  console.log = function () {
    const used = /Used renderer: ([\w-]+)/.exec(Array.prototype.join.call(arguments, " "));
    if (used)
      report("renderer", used[1]);
    return log.apply(console, arguments);
  };
  // A few screen frames after the stop frame's mark: the engine draws the
  // frame as its actions end, and the compositor shows it the next frame.
  function settle(frames) {
    if (frames === 0)
      report("settled", "");
    else
      requestAnimationFrame(function () { settle(frames - 1); });
  }
  const frame = document.createElement("iframe");
  frame.style.display = "none";
  frame.srcdoc = '<script src="/engine/host-config.js"><\/script>';
  frame.onload = function () {
    const config = JSON.parse(JSON.stringify(frame.contentWindow.RufflePlayer.config));
    report("options", JSON.stringify(config));
    // The menu picks the canvas renderer to start sooner without a GPU;
    // the reference is the engine's own choice, all it can draw.
    delete config.preferredRenderer;
    frame.remove();
    window.RufflePlayer = { config: config };
    const engine = document.createElement("script");
    engine.src = "/engine/ruffle.js";
    engine.onload = function () {
      const player = window.RufflePlayer.newest().createPlayer();
      document.body.appendChild(player);
      player.ruffle().addFSCommandHandler(function (command, args) {
        report("command", command + " " + args);
        if (command === "@MARK@" && args === "@STOP@")
          settle(6);
        return true;
      });
      player.ruffle().load({ url: "/movies/@MOVIE@.swf" }).catch(function (error) { report("error", String(error)); });
    };
    document.head.appendChild(engine);
  };
  document.body.appendChild(frame);
})();
</script></body></html>
)";

} // namespace

class TestReference final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pictureMatchesTheBrowser_data();
    void pictureMatchesTheBrowser();

private:
    testing::LoopbackServer::Reply serve(const QUrl &url);
    // Writes the kind's movie, marked on its stop frame, as the content
    // tree's <kind>.swf.
    swf::MovieSpec writeMarkedMovie(const QString &kind);
    // What the screen shows over the rectangle once it has stood still for
    // a few of the movie's frames.
    static QImage settledScreen(const QRect &global, int frameMs, QString *why);
    QImage chromiumPicture(const QString &kind, const swf::MovieSpec &movie, QString *why);
    void keepForInspection(const QString &kind, const QImage &menu, const testing::PictureDiff &diff);

    QString m_chromium;
    QTemporaryDir m_tree;
    QTemporaryDir m_work;
    QString m_config;
    std::unique_ptr<testing::LoopbackServer> m_server;
    std::unique_ptr<movies::SchemeHandler> m_engineFiles;
    // What the reference page of each kind reported: what → values.
    std::map<QString, std::multimap<QString, QString>> m_reports;
    QString m_servingKind;
    int m_servingStop = 0;
};

void TestReference::initTestCase()
{
    m_chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (m_chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup.sh installs it): nothing to judge the pictures against");
    QVERIFY(m_tree.isValid());
    QVERIFY(m_work.isValid());
    m_config = m_tree.path() + QStringLiteral("/Config");
    WebLoader::setContentTree(m_tree.path());
    QVERIFY(WebLoader::library(WebLoader::OnFailure::ReturnNone));
    // The reference page gets the engine's files and the players'
    // configuration through the players' own scheme handler: the very bytes
    // the players load.
    m_engineFiles = std::make_unique<movies::SchemeHandler>(WebLoader::engineDirectory());
    m_server = std::make_unique<testing::LoopbackServer>([this](const QUrl &url) { return serve(url); });
    QVERIFY(m_server->listen());
}

testing::LoopbackServer::Reply TestReference::serve(const QUrl &url)
{
    testing::LoopbackServer::Reply reply;
    const QString path = url.path(QUrl::FullyEncoded);
    if (path == QLatin1String("/reference.html")) {
        reply.status = 200;
        reply.type = "text/html";
        reply.body = QByteArray(kPage)
                         .replace("@WIDTH@", QByteArray::number(kWidth))
                         .replace("@HEIGHT@", QByteArray::number(kHeight))
                         .replace("@MARK@", kMark)
                         .replace("@STOP@", QByteArray::number(m_servingStop))
                         .replace("@MOVIE@", m_servingKind.toUtf8());
    } else if (path == QLatin1String("/hold")) {
        reply.held = true;
    } else if (path.startsWith(QLatin1String("/engine/"))) {
        const movies::SchemeHandler::Resolved resolved = m_engineFiles->resolve(path);
        QFile file(resolved.resource.isEmpty() ? resolved.localPath : resolved.resource);
        if (!file.fileName().isEmpty() && file.open(QIODevice::ReadOnly)) {
            reply.status = 200;
            reply.type = resolved.mimeType;
            reply.body = file.readAll();
        }
    } else if (path == QLatin1String("/movies/") + m_servingKind + QLatin1String(".swf")) {
        QFile file(m_config + QLatin1Char('/') + m_servingKind + QLatin1String(".swf"));
        if (file.open(QIODevice::ReadOnly)) {
            reply.status = 200;
            reply.type = "application/x-shockwave-flash";
            reply.body = file.readAll();
        }
    } else if (path == QLatin1String("/report")) {
        const QUrlQuery query(url);
        const QString what = query.queryItemValue(QStringLiteral("what"), QUrl::FullyDecoded);
        m_reports[m_servingKind].emplace(what, query.queryItemValue(QStringLiteral("value"), QUrl::FullyDecoded));
        if (what == QLatin1String("settled")) {
            testing::LoopbackServer::Reply done;
            done.status = 204;
            m_server->release(done);
        }
        reply.status = 204;
    }
    return reply;
}

swf::MovieSpec TestReference::writeMarkedMovie(const QString &kind)
{
    const swf::MovieSpec movie = swf::realisticMovie(kind.toStdString(), kWidth, kHeight);
    const std::vector<std::uint8_t> marked =
        testing::markFrames(swf::writeMovie(movie), {movie.stopFrame}, kMark);
    if (marked.empty())
        qFatal("cannot mark the %s movie", qPrintable(kind));
    testing::writeFile(m_config + QLatin1Char('/') + kind + QStringLiteral(".swf"),
                       QByteArray(reinterpret_cast<const char *>(marked.data()), qsizetype(marked.size())));
    return movie;
}

QImage TestReference::settledScreen(const QRect &global, int frameMs, QString *why)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    QImage last;
    QElapsedTimer unchanged;
    const bool settled = testing::waitUntil(
        [&] {
            // The X root: the players' view laid over the control included.
            const QImage now = screen->grabWindow(0, global.x(), global.y(), global.width(), global.height()).toImage();
            if (now != last) {
                last = now;
                unchanged.start();
            }
            // The stop frame was drawn before its mark left the page, but
            // reaches the screen a compositor frame or more later.
            return unchanged.elapsed() >= std::max(600, 3 * frameMs);
        },
        20000);
    if (!settled)
        *why = QStringLiteral("the picture never stood still after the stop frame");
    return settled ? last.convertToFormat(QImage::Format_RGB32) : QImage();
}

QImage TestReference::chromiumPicture(const QString &kind, const swf::MovieSpec &movie, QString *why)
{
    m_servingKind = kind;
    m_servingStop = movie.stopFrame;
    const QString shot = m_work.filePath(kind + QStringLiteral("-chromium.png"));
    const QString log = m_work.filePath(kind + QStringLiteral("-chromium.log"));
    QProcess chromium;
    chromium.setProcessChannelMode(QProcess::MergedChannels);
    chromium.setStandardOutputFile(log);
    // The picture is taken as the page has loaded, which it does once the
    // movie has stopped and been drawn.
    chromium.start(m_chromium,
                   {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                    // The engine's own choice is WebGL; without a GPU
                    // chromium draws it in software only when asked to.
                    QStringLiteral("--enable-unsafe-swiftshader"),
                    QStringLiteral("--user-data-dir=") + m_work.filePath(kind + QStringLiteral("-profile")),
                    QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
                    QStringLiteral("--disable-background-networking"), QStringLiteral("--hide-scrollbars"),
                    QStringLiteral("--force-device-scale-factor=1"), QStringLiteral("--mute-audio"),
                    QStringLiteral("--autoplay-policy=no-user-gesture-required"),
                    // The page's console goes to the log kept beside the pictures.
                    QStringLiteral("--enable-logging=stderr"), QStringLiteral("--v=0"),
                    QStringLiteral("--window-size=%1,%2").arg(kWidth).arg(kHeight),
                    QStringLiteral("--screenshot=") + shot, m_server->address() + QStringLiteral("/reference.html")});
    const int stopMs = 1000 * movie.stopFrame / movie.frameRate;
    const bool finished =
        testing::waitUntil([&] { return chromium.state() == QProcess::NotRunning; }, stopMs + 60000);
    if (!finished) {
        chromium.kill();
        chromium.waitForFinished(5000);
    }
    if (m_reports[kind].count(QStringLiteral("settled")) == 0) {
        *why = QStringLiteral("chromium's player never reached the stop frame %1; see %2")
                   .arg(movie.stopFrame)
                   .arg(log);
        m_work.setAutoRemove(false);
        return QImage();
    }
    const QImage image(shot);
    if (image.isNull()) {
        *why = QStringLiteral("chromium wrote no picture to %1; see %2").arg(shot, log);
        m_work.setAutoRemove(false);
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

void TestReference::keepForInspection(const QString &kind, const QImage &menu, const testing::PictureDiff &diff)
{
    m_work.setAutoRemove(false);
    const QString menuFile = m_work.filePath(kind + QStringLiteral("-menu.png"));
    const QString diffFile = m_work.filePath(kind + QStringLiteral("-diff.png"));
    menu.save(menuFile);
    diff.marked.save(diffFile);
    qWarning("menu: %s\nchromium: %s\ndifferences: %s", qPrintable(menuFile),
             qPrintable(m_work.filePath(kind + QStringLiteral("-chromium.png"))), qPrintable(diffFile));
}

void TestReference::pictureMatchesTheBrowser_data()
{
    // The pictures that matter most, whatever the writer offers, then every
    // other movie of the writer's that comes to a stop: the sound movies
    // too have a picture.
    QTest::addColumn<QString>("kind");
    QStringList kinds = {QStringLiteral("tints"), QStringLiteral("tint-tween"), QStringLiteral("outlines"),
                         QStringLiteral("filters"), QStringLiteral("mask"), QStringLiteral("text"),
                         QStringLiteral("bitmap")};
    for (const std::string &kind : swf::realisticKinds()) {
        if (swf::realisticMovie(kind, kWidth, kHeight).stopFrame > 0 && !kinds.contains(QString::fromStdString(kind)))
            kinds << QString::fromStdString(kind);
    }
    for (const QString &kind : std::as_const(kinds))
        QTest::newRow(qPrintable(kind)) << kind;
}

void TestReference::pictureMatchesTheBrowser()
{
    QFETCH(QString, kind);
    const std::vector<std::string> known = swf::realisticKinds();
    QVERIFY2(std::find(known.begin(), known.end(), kind.toStdString()) != known.end(),
             qPrintable(QStringLiteral("the movie writer has no %1 movie").arg(kind)));
    const swf::MovieSpec movie = writeMarkedMovie(kind);
    QVERIFY2(movie.stopFrame > 0, qPrintable(QStringLiteral("the %1 movie never stops").arg(kind)));
    const int frameMs = 1000 / movie.frameRate;
    const QString stopMark = QString::number(movie.stopFrame);

    // The control at the movie's own size, so that neither picture is
    // scaled, in a window alone on the screen.
    QWidget window;
    window.setGeometry(40, 40, kWidth + 40, kHeight + 40);
    auto *flash = new TShockwaveFlash(&window);
    flash->setGeometry(20, 20, kWidth, kHeight);
    window.show();
    window.activateWindow();
    QVERIFY(testing::waitForActive(&window));
    QSignalSpy frames(flash, &TShockwaveFlash::firstFrameShown);
    QSignalSpy commands(flash, &TShockwaveFlash::OnFSCommand);
    flash->setMovie(m_tree.path() + QStringLiteral("\\config\\") + kind + QStringLiteral(".swf"));
    WAIT_COMPARE(frames.count(), 1, 30000);
    const auto stopped = [&] {
        for (const QList<QVariant> &command : std::as_const(commands)) {
            if (command.at(1).toString() == QLatin1String(kMark) && command.at(2).toString() == stopMark)
                return true;
        }
        return false;
    };
    QVERIFY2(testing::waitUntil(stopped, movie.stopFrame * frameMs + 15000),
             qPrintable(QStringLiteral("the menu's player never reached the stop frame %1").arg(movie.stopFrame)));
    QString why;
    const QImage menu = settledScreen(QRect(flash->mapToGlobal(QPoint(0, 0)), flash->size()), frameMs, &why);
    QVERIFY2(!menu.isNull(), qPrintable(why));

    const QImage reference = chromiumPicture(kind, movie, &why);
    QVERIFY2(!reference.isNull(), qPrintable(why));
    const auto &reports = m_reports[kind];
    const auto renderer = reports.find(QStringLiteral("renderer"));
    qInfo("chromium drew %s with the %s renderer", qPrintable(kind),
          renderer == reports.end() ? "unnamed" : qPrintable(renderer->second));

    const testing::PictureDiff diff = testing::comparePictures(menu, reference, kChannelTolerance);
    qInfo("%s", qPrintable(diff.describe()));
    // REFERENCE_KEEP=1 keeps the pictures of every movie, not only of those
    // that differ.
    if (diff.fraction() > kMostDiffering || qEnvironmentVariableIsSet("REFERENCE_KEEP"))
        keepForInspection(kind, menu, diff);
    QVERIFY2(diff.fraction() <= kMostDiffering, qPrintable(diff.describe()));
}

int main(int argc, char **argv)
{
    // The program decides as it starts, from the collection it starts in,
    // whether the engine gets OpenGL for movies with filters: this one
    // starts in a collection that has such a movie, as a school's would.
    QTemporaryDir collection;
    const QString config = collection.path() + QStringLiteral("/config");
    testing::writeMovie(config + QStringLiteral("/logo.swf"), swf::realisticMovie("filters", 121, 69));
    if (!collection.isValid() || !QDir::setCurrent(collection.path()))
        return 2;
    TestReference test;
    return testing::runTests(&test, argc, argv);
}
#include "tst_reference.moc"
