#include "privatepulse.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <csignal>
#include <limits>

#include <sys/prctl.h>

namespace testing {

namespace {

// Children die with the test program, whatever becomes of it: a daemon that
// never exits on idle would otherwise outlive a crashed run.
void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void end(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// Short enough that a tone broken up by a busy machine's dropouts still
// shows whole windows of itself; long enough to count its crossings to a
// few per cent.
constexpr double kWindowMs = 20;
constexpr double kStepMs = 5;
// Quieter than any sound the movies play (a half-scale tone is about 0.35),
// far louder than the silence of a null sink.
constexpr double kLevelFloor = 0.03;
constexpr double kFrequencyTolerance = 0.08;

struct Window
{
    double rms = 0;
    double frequency = 0;
};

Window measure(const std::vector<qint16> &samples, qsizetype from, qsizetype count)
{
    Window window;
    if (count <= 1)
        return window;
    double sum = 0;
    int crossings = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const double v = samples[size_t(i)] / 32768.0;
        sum += v * v;
        if (i > from && (samples[size_t(i - 1)] < 0) != (samples[size_t(i)] < 0))
            ++crossings;
    }
    window.rms = std::sqrt(sum / double(count));
    window.frequency = crossings / 2.0 / (double(count) / SinkRecorder::kRate);
    return window;
}

bool isTone(const Window &window, double frequency)
{
    return frequency > 0 && window.rms >= kLevelFloor
           && std::abs(window.frequency - frequency) <= kFrequencyTolerance * frequency;
}

} // namespace

PrivatePulse::PrivatePulse()
{
    dieWithParent(m_daemon);
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
}

PrivatePulse::~PrivatePulse()
{
    stop();
}

QString PrivatePulse::server() const
{
    return QStringLiteral("unix:") + m_dir.filePath(QStringLiteral("native"));
}

QProcessEnvironment PrivatePulse::clientEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), server());
    // Nothing of a person's own sound settings, should there be any.
    environment.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("home/.config")));
    // The test program's own engine may have been pointed away from a
    // runtime folder (no XDG_RUNTIME_DIR where it runs); the server and its
    // clients use the one above.
    environment.remove(QStringLiteral("PULSE_RUNTIME_PATH"));
    return environment;
}

bool PrivatePulse::start(QString *why)
{
    if (!m_dir.isValid()) {
        *why = QStringLiteral("no temporary folder for the sound server");
        return false;
    }
    QDir().mkpath(m_dir.filePath(QStringLiteral("home/.config")));
    QDir().mkpath(m_dir.filePath(QStringLiteral("run")));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Its clients connect without a cookie: only processes that can reach
    // the socket in this private folder can, which are the test's.
    const QString script = QStringLiteral(
                               "load-module module-null-sink sink_name=%1 rate=%2 channels=2\n"
                               "load-module module-native-protocol-unix socket=%3 auth-anonymous=1\n"
                               "set-default-sink %1\n")
                               .arg(sinkName())
                               .arg(SinkRecorder::kRate)
                               .arg(m_dir.filePath(QStringLiteral("native")));
    testing::writeFile(m_dir.filePath(QStringLiteral("daemon.pa")), script.toUtf8());
    m_daemon.setProcessEnvironment(clientEnvironment());
    m_daemon.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--disable-shm"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--log-target=stderr"), QStringLiteral("-F"),
                    m_dir.filePath(QStringLiteral("daemon.pa"))});
    if (!m_daemon.waitForStarted(10000)) {
        *why = QStringLiteral("pulseaudio did not start: ") + m_daemon.errorString();
        return false;
    }
    const bool answers = testing::waitUntil(
        [this] {
            return m_daemon.state() != QProcess::Running
                || (QFileInfo::exists(m_dir.filePath(QStringLiteral("native")))
                    && !pactl({QStringLiteral("info")}).isEmpty());
        },
        15000);
    if (!answers || m_daemon.state() != QProcess::Running) {
        *why = QStringLiteral("pulseaudio does not answer: ") + log();
        return false;
    }
    return true;
}

void PrivatePulse::stop()
{
    end(m_daemon);
}

QString PrivatePulse::pactl(const QStringList &arguments) const
{
    QProcess process;
    dieWithParent(process);
    process.setProcessEnvironment(clientEnvironment());
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString PrivatePulse::log() const
{
    // The daemon's merged output, read without taking it from the process.
    return QString::fromUtf8(m_daemon.peek(1 << 16));
}

SinkRecorder::SinkRecorder(const PrivatePulse &pulse, const QElapsedTimer &clock) : m_pulse(pulse), m_clock(clock)
{
    dieWithParent(m_parec);
    QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, &m_parec, [this] { take(); });
}

SinkRecorder::~SinkRecorder()
{
    stop();
}

bool SinkRecorder::start(QString *why)
{
    m_parec.setProcessEnvironment(m_pulse.clientEnvironment());
    m_parec.start(QStringLiteral("parec"),
                  {QStringLiteral("--device=") + m_pulse.sinkName() + QStringLiteral(".monitor"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                   QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10"), QStringLiteral("--raw")});
    if (!m_parec.waitForStarted(10000)) {
        *why = QStringLiteral("parec did not start: ") + m_parec.errorString();
        return false;
    }
    // The monitor delivers a null sink's silence as it goes: the first
    // samples show that the recording runs.
    if (!testing::waitUntil([this] { return m_samples.size() >= kRate / 10 || m_parec.state() != QProcess::Running; },
                            10000)
        || m_parec.state() != QProcess::Running) {
        *why = QStringLiteral("parec records nothing: ") + QString::fromUtf8(m_parec.readAllStandardError());
        return false;
    }
    return true;
}

void SinkRecorder::stop()
{
    end(m_parec);
}

void SinkRecorder::take()
{
    const double now = double(m_clock.nsecsElapsed()) / 1e6;
    QByteArray bytes = m_odd + m_parec.readAllStandardOutput();
    const qsizetype whole = bytes.size() / 2 * 2;
    m_odd = bytes.mid(whole);
    for (qsizetype i = 0; i < whole; i += 2)
        m_samples.push_back(qint16(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8)));
    // Samples reach the recorder a little after they were played, some
    // reads later than others: the read that came soonest after its
    // samples tells best when the first one was played.
    const double start = now - 1000.0 * double(m_samples.size()) / kRate;
    if (!m_started || start < m_startMs)
        m_startMs = start;
    m_started = true;
}

qsizetype SinkRecorder::sampleAt(double ms) const
{
    const double index = (ms - m_startMs) * kRate / 1000.0;
    return qBound<qsizetype>(0, qsizetype(index), qsizetype(m_samples.size()));
}

bool SinkRecorder::saveWav(const QString &path, double fromMs, double toMs) const
{
    const qsizetype from = sampleAt(fromMs);
    const qsizetype count = sampleAt(toMs) - from;
    QByteArray wav;
    const auto put = [&wav](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.append(char((value >> (8 * i)) & 0xff));
    };
    const quint32 dataBytes = quint32(count * 2);
    wav.append("RIFF");
    put(36 + dataBytes, 4);
    wav.append("WAVEfmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // one channel
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    wav.append("data");
    put(dataBytes, 4);
    for (qsizetype i = from; i < from + count; ++i)
        put(quint16(m_samples[size_t(i)]), 2);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

bool toneBetween(const SinkRecorder &recording, double fromMs, double toMs, double frequency, ToneSeen *seen)
{
    *seen = ToneSeen();
    const qsizetype window = qsizetype(kWindowMs * SinkRecorder::kRate / 1000);
    const qsizetype step = qsizetype(kStepMs * SinkRecorder::kRate / 1000);
    const qsizetype last = recording.sampleAt(toMs) - window;
    for (qsizetype at = recording.sampleAt(fromMs); at <= last; at += step) {
        const Window measured = measure(recording.samples(), at, window);
        if (measured.rms > seen->rms) {
            seen->rms = measured.rms;
            seen->frequency = measured.frequency;
        }
        if (seen->atMs < 0 && isTone(measured, frequency))
            seen->atMs = recording.startMs() + 1000.0 * double(at) / SinkRecorder::kRate;
    }
    return seen->atMs >= 0;
}

double toneOnset(const SinkRecorder &recording, double fromMs, double toMs, double frequency)
{
    ToneSeen seen;
    return toneBetween(recording, fromMs, toMs, frequency, &seen) ? seen.atMs : -1;
}

ToneSeen loudest(const SinkRecorder &recording, double fromMs, double toMs)
{
    ToneSeen seen;
    // No frequency is ever a tone's: only the levels are looked at.
    toneBetween(recording, fromMs, toMs, 0, &seen);
    return seen;
}

} // namespace testing
