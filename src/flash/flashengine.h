#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <stdexcept>

class WebModule;

// The Flash engine as the animation controls know it: the engine's files
// (found beside the program, never in the content tree), the folder the
// movies come from, and the library the players run in, loaded the first
// time a control is on screen.
class FlashEngine final
{
public:
    class Unavailable : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // Everything that must happen before the application object exists:
    // software composition, shared GL contexts and the web engine's
    // switches.
    static void prepareApplication();

    // The engine, created on first use. Throws Unavailable naming what is
    // missing when the engine's files or the players' library cannot be
    // found.
    static FlashEngine *instance();

    // The players' library, loaded on first use and told where the
    // engine's files and the movies are. When it cannot be loaded, none:
    // the program then shows why and ends, as for a missing engine.
    WebModule *players();
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

private:
    explicit FlashEngine(const QString &engineDirectory);

    QString m_engineDirectory;
    QString m_contentRoot;
    WebModule *m_players = nullptr;
    bool m_failed = false;
};
