#include "flashengine.h"

#include "apptitle.h"
#include "contentpath.h"
#include "movieheader.h"
#include "treefile.h"
#include "webmodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>

#include <memory>

void FlashEngine::prepareApplication()
{
    // The animations are small and drawn by the engine's canvas renderer;
    // software composition spares the start-up an OpenGL context (about a
    // tenth of a second) and the memory of a GPU process, and behaves the
    // same on the old school machines whose drivers are the least reliable.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // The web engine takes its switches from this variable only (not from
    // argv). All players share one renderer process. The engine's
    // WebAssembly is compiled once, by the baseline compiler only, on the
    // background threads while the page loads: compiling it a function at a
    // time as it runs put most of a second of compilation on the page's
    // thread for every new player, and the optimising tier only competes
    // with the players for the processor. Sound is played from the program's
    // own process instead of an extra one. The engine's page is never shown,
    // and its timers must not be slowed down as a hidden page's are. No
    // process the program needs runs unsandboxed, so the spare zygote kept
    // for such processes (about 15 MB) is not started. Nothing the menu shows
    // talks peer to peer or over QUIC: WebRTC may use no UDP that bypasses
    // a proxy (with none set, none at all) and QUIC is off, whatever a page
    // asks for.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char *flag : {"--renderer-process-limit=1", "--disable-background-networking",
                             "--disable-gpu", "--js-flags=--liftoff-only",
                             "--disable-features=AudioServiceOutOfProcess",
                             "--disable-background-timer-throttling", "--no-unsandboxed-zygote",
                             "--force-webrtc-ip-handling-policy=disable_non_proxied_udp",
                             "--disable-quic"}) {
        if (!flags.contains(flag))
            flags += ' ' + QByteArray(flag);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}

QStringList FlashEngine::engineSearchPath()
{
    const QString programDirectory = QCoreApplication::applicationDirPath();
    return {programDirectory + QStringLiteral("/ruffle"),
            programDirectory + QStringLiteral("/../share/apostilas/ruffle")};
}

FlashEngine *FlashEngine::instance()
{
    static std::unique_ptr<FlashEngine> engine;
    if (engine)
        return engine.get();
    const auto missing = [](const QString &file) {
        return Unavailable(QStringLiteral("O reprodutor de animações não foi encontrado: falta o arquivo %1.")
                               .arg(QDir::cleanPath(file))
                               .toStdString());
    };
    QString directory;
    const QStringList candidates = engineSearchPath();
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate + QStringLiteral("/ruffle.js")).isFile()) {
            directory = QDir(candidate).canonicalPath();
            break;
        }
    }
    if (directory.isEmpty())
        throw missing(candidates.first() + QStringLiteral("/ruffle.js"));
    if (WebModule::libraryFile().isEmpty())
        throw missing(WebModule::searchPath().first());
    engine.reset(new FlashEngine(directory));
    return engine.get();
}

FlashEngine::FlashEngine(const QString &engineDirectory) : m_engineDirectory(engineDirectory) {}

WebModule *FlashEngine::players()
{
    if (m_players || m_failed)
        return m_players;
    m_players = WebModule::instance();
    if (m_players) {
        m_players->setEngineDirectory(m_engineDirectory);
        m_players->setContentRoot(m_contentRoot);
    } else {
        m_failed = true;
        // The players cannot be made: as when the engine is missing, the
        // program says so and ends.
        const QString message = QStringLiteral("O reprodutor de animações não pôde ser aberto: %1")
                                    .arg(WebModule::loadError());
        std::fprintf(stderr, "%s\n", qPrintable(message));
        QMessageBox::critical(nullptr, content::applicationTitle(QCoreApplication::applicationFilePath()),
                              message);
        QCoreApplication::exit(1);
    }
    return m_players;
}

void FlashEngine::holdPlayersBack(int milliseconds)
{
    if (WebModule *module = WebModule::loaded())
        module->holdPlayersBack(milliseconds);
}

void FlashEngine::setContentRoot(const QString &contentDirectory)
{
    const QFileInfo info(content::toLocalPath(contentDirectory));
    m_contentRoot = info.isDir() ? info.canonicalFilePath() : QString();
    if (m_players)
        m_players->setContentRoot(m_contentRoot);
}

QUrl FlashEngine::movieUrl(const QString &contentPath) const
{
    // A folder (the configuration folder alone) or anything not in the
    // tree blanks the player.
    const QString canonical = content::regularFileInside(content::toLocalPath(contentPath), m_contentRoot);
    if (canonical.isEmpty())
        return QUrl();
    // A broken or oversized movie never reaches the engine: blank.
    if (content::checkMovieHeader(canonical) != content::MovieCheck::Playable)
        return QUrl();
    const QStringList components = canonical.mid(m_contentRoot.size() + 1).split(QLatin1Char('/'));
    QString encoded = QStringLiteral("swfhost://menu/content");
    for (const QString &component : components)
        encoded += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(component));
    return QUrl(encoded, QUrl::StrictMode);
}
