// The movies' sounds, heard for real: the program plays its movies in
// animation controls while a sound server of the test's own records what
// reaches its one sink, and each sound must be there when the movie plays
// it, for as long as the movie goes on playing sounds. Frame marks (an
// fscommand on the frames that start sounds) say when each frame ran.
#include "flash.h"
#include "framemarks.h"
#include "playertesting.h"
#include "privatepulse.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include <map>
#include <memory>

namespace {

const char kMark[] = "frame";

// One movie played once, in its own window: when each marked frame ran and
// when the stage was pressed and released, on the test's clock.
struct Playing
{
    QString failure;                             // why it could not be played
    std::map<int, std::vector<double>> marks;    // frame → each time it ran
    QString name;
    double firstFrameMs = -1;
    double endMs = -1;                           // the recording kept for it ends here
    double pressMs = -1;
    double releaseMs = -1;
    QString sinkInputs;                          // the server's streams while it played
};

// The frames each movie starts its sounds on, as the writer documents them.
std::vector<int> markedFrames(const QString &kind)
{
    if (kind == QLatin1String("event-sound"))
        return {1, 25, 37};
    if (kind == QLatin1String("stream-sound"))
        return {1, 13, 25, 37, 49, 61, 72};
    return {1};
}

} // namespace

class TestSound final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void soundIsHeardWhenTheMoviePlaysIt_data();
    void soundIsHeardWhenTheMoviePlaysIt();
    void streamedSoundKeepsItsFrameRate_data();
    void streamedSoundKeepsItsFrameRate();

private:
    // The movie played (once for each kind and press time; later rows
    // read the same recording).
    const Playing &playing(const QString &kind, int pressAtMs);
    Playing play(const QString &kind, int pressAtMs);
    // Where a row's reference moment is: "frame N#k" (the k-th time frame N
    // ran), "press", "release", or "tone F after frame N#k" (where a tone of
    // F Hz was first heard after that).
    double reference(const Playing &played, const QString &what, QString *why) const;
    bool waitForRecording(double untilMs);
    QString describe(const Playing &played, double fromMs, double toMs) const;
    // Keeps what was heard while the movie played, to be listened to.
    QString keepRecording(const Playing &played);

    QElapsedTimer m_clock;
    QTemporaryDir m_tree;
    QTemporaryDir m_heard;
    QString m_config;
    std::unique_ptr<testing::PrivatePulse> m_pulse;
    std::unique_ptr<testing::SinkRecorder> m_recorder;
    std::map<QString, Playing> m_played;
};

void TestSound::initTestCase()
{
    for (const char *program : {"pulseaudio", "parec", "pactl"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/setup.sh installs it): nothing to hear the "
                                            "movies with")
                                 .arg(QLatin1String(program))));
    }
    // The web engine takes its sound server as it starts, from the
    // environment: the server must be there before the first player is.
    QVERIFY2(!WebLoader::loadedLibrary(), "the web engine started before the sound server");
    m_clock.start();
    QVERIFY(m_tree.isValid());
    m_config = m_tree.path() + QStringLiteral("/Config");
    QString why;
    m_pulse = std::make_unique<testing::PrivatePulse>();
    QVERIFY2(m_pulse->start(&why), qPrintable(why));
    qputenv("PULSE_SERVER", m_pulse->server().toUtf8());
    m_recorder = std::make_unique<testing::SinkRecorder>(*m_pulse, m_clock);
    QVERIFY2(m_recorder->start(&why), qPrintable(why));
    WebLoader::setContentTree(m_tree.path());
    QVERIFY(WebLoader::library(WebLoader::OnFailure::ReturnNone));
}

void TestSound::cleanupTestCase()
{
    m_recorder.reset();
    m_pulse.reset();
}

bool TestSound::waitForRecording(double untilMs)
{
    return testing::waitUntil([&] { return m_recorder->endMs() >= untilMs; },
                              int(std::max(0.0, untilMs - m_clock.elapsed())) + 10000);
}

const Playing &TestSound::playing(const QString &kind, int pressAtMs)
{
    const QString key = kind + QLatin1Char('@') + QString::number(pressAtMs);
    auto found = m_played.find(key);
    if (found == m_played.end())
        found = m_played.emplace(key, play(kind, pressAtMs)).first;
    return found->second;
}

Playing TestSound::play(const QString &kind, int pressAtMs)
{
    Playing played;
    played.name = kind + (pressAtMs >= 0 ? QStringLiteral("-pressed-%1ms").arg(pressAtMs) : QString());
    const swf::MovieSpec movie = swf::realisticMovie(kind.toStdString(), 240, 180);
    const std::vector<std::uint8_t> marked = testing::markFrames(swf::writeMovie(movie), markedFrames(kind), kMark);
    if (marked.empty()) {
        played.failure = QStringLiteral("the %1 movie could not be marked").arg(kind);
        return played;
    }
    testing::writeFile(m_config + QLatin1Char('/') + kind + QStringLiteral(".swf"),
                       QByteArray(reinterpret_cast<const char *>(marked.data()), qsizetype(marked.size())));

    QWidget window;
    window.setGeometry(40, 40, 280, 220);
    auto *flash = new TShockwaveFlash(&window);
    flash->setGeometry(20, 20, 240, 180);
    window.show();
    window.activateWindow();
    if (!testing::waitForActive(&window))
        qWarning("window did not become active");
    connect(flash, &TShockwaveFlash::firstFrameShown, flash, [&] {
        if (played.firstFrameMs < 0)
            played.firstFrameMs = double(m_clock.nsecsElapsed()) / 1e6;
    });
    connect(flash, &TShockwaveFlash::OnFSCommand, flash,
            [&](TShockwaveFlash *, const QString &command, const QString &args) {
                if (command == QLatin1String(kMark))
                    played.marks[args.toInt()].push_back(double(m_clock.nsecsElapsed()) / 1e6);
            });
    flash->setMovie(m_tree.path() + QStringLiteral("\\config\\") + kind + QStringLiteral(".swf"));
    if (!testing::waitUntil([&] { return played.firstFrameMs >= 0 && !played.marks[1].empty(); }, 30000)) {
        played.failure = QStringLiteral("the %1 movie never showed its first frame").arg(kind);
        return played;
    }
    const double start = played.marks[1].front();
    played.sinkInputs =
        m_pulse->pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
    if (kind == QLatin1String("event-sound")) {
        // The players share one sound output. A second player beside this
        // one (a silent button) goes out of sight, then away, before the
        // tone at 2 s: the output goes on for the movie still playing.
        testing::writeMovie(m_config + QStringLiteral("/companion.swf"), swf::realisticMovie("button-sound", 40, 30));
        auto *companion = new TShockwaveFlash(&window);
        companion->setGeometry(0, 0, 40, 20);
        companion->show();
        QSignalSpy companionShown(companion, &TShockwaveFlash::firstFrameShown);
        companion->setMovie(m_tree.path() + QStringLiteral("\\config\\companion.swf"));
        testing::waitUntil([&] { return companionShown.count() > 0; }, 10000);
        companion->hide();
        testing::pause(300);
        delete companion;
        // Frame 25 runs at 2 s, 6 s and 10 s: five periods of tone A.
        testing::waitUntil([&] { return played.marks[25].size() >= 3; }, 20000);
        waitForRecording(double(m_clock.elapsed()) + 1500);
    } else if (kind == QLatin1String("stream-sound")) {
        // Its last frame at 5.92 s, if the timeline keeps going.
        testing::waitUntil([&] { return !played.marks[72].empty(); }, 6000 * 3 / 2 + 2000);
        waitForRecording(double(m_clock.elapsed()) + 1500);
    } else if (pressAtMs >= 0) {
        QPoint at;
        QWidget *surface = testing::playerSurface(flash, &at);
        if (!surface) {
            played.failure = QStringLiteral("the button movie has no player on screen");
            return played;
        }
        waitForRecording(start + pressAtMs);
        played.pressMs = double(m_clock.nsecsElapsed()) / 1e6;
        QTest::mousePress(surface, Qt::LeftButton, {}, at);
        // Held down until its sound has been heard, or for long enough.
        testing::waitUntil(
            [&] { return testing::toneOnset(*m_recorder, played.pressMs, m_recorder->endMs(), 700) >= 0; }, 2000);
        played.releaseMs = double(m_clock.nsecsElapsed()) / 1e6;
        QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
        waitForRecording(played.releaseMs + 1500);
    } else {
        waitForRecording(start + 2500);
    }
    played.endMs = m_recorder->endMs();
    return played;
}

double TestSound::reference(const Playing &played, const QString &what, QString *why) const
{
    if (what == QLatin1String("press") || what == QLatin1String("release")) {
        const double at = what == QLatin1String("press") ? played.pressMs : played.releaseMs;
        if (at < 0)
            *why = QStringLiteral("the stage was never pressed");
        return at;
    }
    const QStringList words = what.split(QLatin1Char(' '));
    const QStringList frame = words.last().split(QLatin1Char('#'));
    const int number = frame.value(0).toInt();
    const int time = frame.value(1).toInt();
    const auto marks = played.marks.find(number);
    if (marks == played.marks.end() || int(marks->second.size()) < time) {
        *why = QStringLiteral("frame %1 ran %2 time(s), not %3").arg(number)
                   .arg(marks == played.marks.end() ? 0 : marks->second.size()).arg(time);
        return -1;
    }
    const double at = marks->second[size_t(time - 1)];
    if (words.first() != QLatin1String("tone"))
        return at;
    const double frequency = words.value(1).toDouble();
    const double onset = testing::toneOnset(*m_recorder, at - 150, at + 1200, frequency);
    if (onset < 0)
        *why = QStringLiteral("no %1 Hz tone after %2: %3")
                   .arg(frequency)
                   .arg(words.last(), describe(played, at - 150, at + 1200));
    return onset;
}

QString TestSound::describe(const Playing &played, double fromMs, double toMs) const
{
    // The loudest of what was heard instead, and the streams the web engine
    // had open on the server.
    const testing::ToneSeen seen = testing::loudest(*m_recorder, fromMs, toMs);
    return QStringLiteral("loudest %1 of full scale at about %2 Hz between %3 and %4 ms of the movie; streams on the "
                          "server: [%5]")
        .arg(seen.rms, 0, 'f', 3)
        .arg(seen.frequency, 0, 'f', 0)
        .arg(fromMs - played.marks.at(1).front(), 0, 'f', 0)
        .arg(toMs - played.marks.at(1).front(), 0, 'f', 0)
        .arg(played.sinkInputs.trimmed());
}

QString TestSound::keepRecording(const Playing &played)
{
    m_heard.setAutoRemove(false);
    const QString path = m_heard.filePath(played.name + QStringLiteral(".wav"));
    // From a little before its first frame, so that time 0.5 s in the file
    // is the movie's first frame.
    if (!QFileInfo::exists(path))
        m_recorder->saveWav(path, played.marks.at(1).front() - 500, played.endMs);
    return path;
}

void TestSound::soundIsHeardWhenTheMoviePlaysIt_data()
{
    // Each sound at the moment the movie plays it: a tone of the frequency
    // must sound between early and late milliseconds around the reference
    // moment plus offset (see reference()). Marks reach the window a little
    // after their frame ran, and the sound the sink a little after that: on
    // a busy machine up to a second later. The windows end before the next
    // time the same tone is due.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("pressAtMs"); // -1: the stage is not pressed
    QTest::addColumn<QString>("moment");
    QTest::addColumn<int>("offsetMs");
    QTest::addColumn<int>("earlyMs");
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<double>("frequency");
    // Tone A on frames 1 and 25 of a 48-frame loop at 12 fps, tone B on 37.
    const struct
    {
        const char *name;
        const char *moment;
        double frequency;
    } events[] = {{"event sound at frame 1 (0 s)", "frame 1#1", 1000},
                  {"event sound again at 2 s", "frame 25#1", 1000},
                  {"event sound again at 4 s", "frame 1#2", 1000},
                  {"event sound again at 6 s", "frame 25#2", 1000},
                  {"event sound again at 8 s", "frame 1#3", 1000},
                  {"event sound again at 10 s", "frame 25#3", 1000},
                  {"second event sound first at 3 s", "frame 37#1", 1500},
                  {"second event sound again at 7 s", "frame 37#2", 1500}};
    for (const auto &event : events)
        QTest::newRow(event.name) << "event-sound" << -1 << event.moment << 0 << 150 << 1200 << event.frequency;
    // Five loops of 200 ms of tone and 200 ms of silence, from frame 1.
    // Each loop is looked for between the end of the one before and the
    // start of the one after.
    QTest::newRow("looping sound, first loop") << "loop-sound" << -1 << "frame 1#1" << 0 << 150 << 1200 << 800.0;
    for (int loop = 2; loop <= 5; ++loop) {
        QTest::addRow("looping sound, loop %d at %.1f s", loop, (loop - 1) * 0.4)
            << "loop-sound" << -1 << "tone 800 after frame 1#1" << (loop - 1) * 400 << 100 << 250 << 800.0;
    }
    // A soundtrack of 1 s tones from 400 Hz up, 12 frames to a tone: each
    // heard while its frames play.
    for (int second = 0; second < 6; ++second) {
        QTest::addRow("stream sound %d Hz from %d s", 400 + 100 * second, second)
            << "stream-sound" << -1 << QStringLiteral("frame %1#1").arg(1 + 12 * second) << 0 << 150 << 1200
            << 400.0 + 100 * second;
    }
    // Pressing plays 700 Hz, releasing 1100 Hz.
    for (const int pressAt : {300, 3000}) {
        QTest::addRow("button pressed %d ms in, press sound", pressAt)
            << "button-sound" << pressAt << "press" << 0 << 50 << 1200 << 700.0;
        QTest::addRow("button pressed %d ms in, release sound", pressAt)
            << "button-sound" << pressAt << "release" << 0 << 50 << 1200 << 1100.0;
    }
}

void TestSound::soundIsHeardWhenTheMoviePlaysIt()
{
    QFETCH(QString, kind);
    QFETCH(int, pressAtMs);
    QFETCH(QString, moment);
    QFETCH(int, offsetMs);
    QFETCH(int, earlyMs);
    QFETCH(int, lateMs);
    QFETCH(double, frequency);
    const Playing &played = playing(kind, pressAtMs);
    QVERIFY2(played.failure.isEmpty(), qPrintable(played.failure));
    QString why;
    const double at = reference(played, moment, &why);
    QVERIFY2(at >= 0, qPrintable(why));
    const double from = at + offsetMs - earlyMs;
    const double to = at + offsetMs + lateMs;
    testing::ToneSeen seen;
    const bool heard = testing::toneBetween(*m_recorder, from, to + 20, frequency, &seen);
    QVERIFY2(heard, qPrintable(QStringLiteral("no %1 Hz tone: %2; heard: %3")
                                   .arg(frequency)
                                   .arg(describe(played, from, to + 20), keepRecording(played))));
}

void TestSound::streamedSoundKeepsItsFrameRate_data()
{
    // The soundtrack streams with the timeline: the frames go on at the
    // movie's 12 a second, and the soundtrack's clock must not hold them.
    QTest::addColumn<int>("frame");
    for (const int frame : markedFrames(QStringLiteral("stream-sound"))) {
        if (frame > 1)
            QTest::addRow("frame %d at %.2f s", frame, (frame - 1) / 12.0) << frame;
    }
}

void TestSound::streamedSoundKeepsItsFrameRate()
{
    QFETCH(int, frame);
    const Playing &played = playing(QStringLiteral("stream-sound"), -1);
    QVERIFY2(played.failure.isEmpty(), qPrintable(played.failure));
    const auto marks = played.marks.find(frame);
    QVERIFY2(marks != played.marks.end() && !marks->second.empty(),
             qPrintable(QStringLiteral("frame %1 never ran").arg(frame)));
    const double expected = 1000.0 * (frame - 1) / 12;
    const double actual = marks->second.front() - played.marks.at(1).front();
    // A player that starts late (its sound output taking a while to run)
    // is let off a little over half a second, never a frame that stands.
    QVERIFY2(actual >= expected - 150 && actual <= expected * 1.1 + 700,
             qPrintable(QStringLiteral("frame %1 ran %2 ms after frame 1, not %3").arg(frame).arg(actual, 0, 'f', 0)
                            .arg(expected, 0, 'f', 0)));
}

MENU_TEST_MAIN(TestSound)
#include "tst_sound.moc"
