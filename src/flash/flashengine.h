#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <stdexcept>

class QWebEngineProfile;
class FlashSchemeHandler;
class FlashStage;

// The Flash engine shared by every animation control: the engine's files
// (found beside the program, never in the content tree), one off-the-record
// web profile that serves them and the movies through the program's own
// scheme, a request filter that keeps movies off the network, and the one
// page all the players run in.
class FlashEngine final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashEngine)

public:
    class Unavailable : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // Everything that must happen before the application object exists:
    // the scheme, software composition, shared GL contexts and the web
    // engine's switches.
    static void prepareApplication();
    static void registerScheme();

    // The engine, created on first use. Throws Unavailable naming what is
    // missing when the engine's files cannot be found.
    static FlashEngine *instance();

    // Made on first use: starting the web engine costs more than drawing
    // the whole window, so the players ask for it once they are on screen.
    QWebEngineProfile *profile();
    FlashStage *stage();
    // The stage if the engine and its stage exist, else none.
    static FlashStage *existingStage();
    static QUrl stageUrl();
    // The players take up the movies asked for in the next milliseconds
    // only then, leaving the processor to a program the menu has just
    // started. Nothing to do before the players have started.
    static void holdPlayersBack(int milliseconds);

    // The folder the movies come from, as a content path.
    void setContentRoot(const QString &contentDirectory);
    // The address a content path plays from, or an empty address when the
    // path names no movie file in the content root (which blanks a player).
    QUrl movieUrl(const QString &contentPath) const;

    // Where the engine's files are looked for, first match wins.
    static QStringList engineSearchPath();

    ~FlashEngine() override;

private:
    explicit FlashEngine(const QString &engineDirectory);

    QWebEngineProfile *m_profile = nullptr;
    FlashStage *m_stage = nullptr;
    FlashSchemeHandler *m_handler = nullptr;
    static QPointer<FlashEngine> s_instance;
};
