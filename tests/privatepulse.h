#pragma once

// A sound server of the test's own: a PulseAudio daemon with one null sink
// (the default), reached over a socket in a temporary folder, and a
// recorder of that sink's monitor, so that what the program plays can be
// read back as samples. Both processes end with their objects, or with the
// test program should it die first.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace testing {

class PrivatePulse
{
public:
    PrivatePulse();
    ~PrivatePulse();
    PrivatePulse(const PrivatePulse &) = delete;
    PrivatePulse &operator=(const PrivatePulse &) = delete;

    // Starts the daemon and waits until it answers; false, with why, when
    // it did not.
    bool start(QString *why);
    void stop();
    // What PULSE_SERVER names for clients of this daemon.
    QString server() const;
    QString sinkName() const { return QStringLiteral("probe"); }
    // The environment its clients (pactl, parec) are started in.
    QProcessEnvironment clientEnvironment() const;
    // pactl's answer, or empty when it failed.
    QString pactl(const QStringList &arguments) const;
    QString log() const;

private:
    QTemporaryDir m_dir;
    mutable QProcess m_daemon; // its log is peeked at
};

// Records the monitor of the server's sink, one channel of 16-bit samples,
// from start() on. Sample i was played at startMs() + i * 1000 / rate on
// the clock given.
class SinkRecorder
{
public:
    static constexpr int kRate = 44100;

    SinkRecorder(const PrivatePulse &pulse, const QElapsedTimer &clock);
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder &) = delete;
    SinkRecorder &operator=(const SinkRecorder &) = delete;

    bool start(QString *why);
    void stop();
    const std::vector<qint16> &samples() const { return m_samples; }
    double startMs() const { return m_startMs; }
    // The clock's time of the last sample recorded so far.
    double endMs() const { return m_startMs + 1000.0 * double(m_samples.size()) / kRate; }
    // The sample at a time of the clock (clamped to the recording).
    qsizetype sampleAt(double ms) const;
    // Writes the recording between two times as a WAV file, to be listened to.
    bool saveWav(const QString &path, double fromMs, double toMs) const;

private:
    void take();

    const PrivatePulse &m_pulse;
    const QElapsedTimer &m_clock;
    QProcess m_parec;
    QByteArray m_odd; // a byte left over from a sample split between reads
    std::vector<qint16> m_samples;
    double m_startMs = 0;
    bool m_started = false;
};

// Whether a tone of about the given frequency sounds in some 20 ms of the
// recording between two times: loud enough, and its zero crossings at that
// rate. What was seen (the loudest window's level and frequency) goes into
// seen.
struct ToneSeen
{
    double rms = 0;       // of the loudest window, of full scale
    double frequency = 0; // of that window, from its zero crossings
    double atMs = -1;     // where the first window with the tone began
};
bool toneBetween(const SinkRecorder &recording, double fromMs, double toMs, double frequency, ToneSeen *seen);
// The first time at or after fromMs at which the tone sounds, or -1.
double toneOnset(const SinkRecorder &recording, double fromMs, double toMs, double frequency);
// The loudest 20 ms between two times, whatever it sounded like.
ToneSeen loudest(const SinkRecorder &recording, double fromMs, double toMs);

} // namespace testing
