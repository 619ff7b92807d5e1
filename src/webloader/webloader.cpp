#include "webloader.h"

#include "apptitle.h"
#include "movieheader.h"
#include "moviefeatures.h"
#include "weblibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMessageBox>

#include <cstdio>
#include <optional>

#include <unistd.h>

namespace {

WebLibrary *s_library = nullptr;
bool s_tried = false;
QString s_error;
QString s_contentTree;
std::optional<QByteArray> s_temporaryFolder; // TMPDIR as it was, while hidden

// Where a library's runtime folder cannot be: not a folder at all.
constexpr char kNoFolder[] = "/dev/null/apostilas";

// The menu writes nothing, and on a machine without a session's runtime
// folder (no XDG_RUNTIME_DIR: a bare X session, a kiosk, su) three
// libraries would make folders of their own: the sound library its
// ~/.config/pulse/<machine>-runtime and a new /tmp/pulse-* for each start
// (its per-user server lives in XDG_RUNTIME_DIR, so there is none to find
// that way), the bus library a session bus of its own (~/.dbus and a
// daemon that outlives the menu), and Qt /tmp/runtime-<user> as the
// application is made. A server named by PULSE_SERVER, by the display or
// by XDG_RUNTIME_DIR/pulse/native is still used. Programs the menu starts
// get the environment it was started with, not this.
void keepLibrariesFromWriting()
{
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return;
    if (!qEnvironmentVariableIsSet("PULSE_RUNTIME_PATH"))
        qputenv("PULSE_RUNTIME_PATH", kNoFolder);
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    if (qEnvironmentVariableIsSet("TMPDIR"))
        s_temporaryFolder = qgetenv("TMPDIR");
    else
        s_temporaryFolder = QByteArray();
    qputenv("TMPDIR", "/dev/null");
}

QString firstExisting(const QStringList &candidates, const QString &file)
{
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate + file).isFile())
            return QDir(candidate).canonicalPath();
    }
    return QString();
}

QString missingFile(const QString &file)
{
    return QDir::cleanPath(file);
}

const QString kLibraryName = QStringLiteral("/libapostilas_web.so");
// A menu has eleven movies; a configuration folder of thousands is looked
// at no further than its first few dozen before the window is drawn.
constexpr qsizetype kMoviesLookedAt = 64;
const QString kEngineScript = QStringLiteral("/ruffle.js");

// Whether a movie of the tree's configuration folder (the menu's own
// movies) draws what the engine's canvas renderer leaves out. Asked before
// the application exists: nothing here makes a Qt object.
bool configNeedsFullRenderer(const QString &tree)
{
    const QString root = QDir(tree).canonicalPath();
    const QStringList folders = QDir(tree).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : folders) {
        if (name.compare(QLatin1String("config"), Qt::CaseInsensitive) != 0)
            continue;
        const QDir config(tree + QLatin1Char('/') + name);
        const QStringList movies = config.entryList({QStringLiteral("*.swf")}, QDir::Files | QDir::Readable, QDir::Name)
                                       .mid(0, kMoviesLookedAt);
        for (const QString &movie : movies) {
            // Only what the players would take: a movie file of the tree.
            const QString playable = content::playableMovie(config.filePath(movie), root);
            if (!playable.isEmpty() && content::needsFullRenderer(playable))
                return true;
        }
    }
    return false;
}

} // namespace

void WebLoader::prepareApplication()
{
    // The engine draws filters (drop shadows, glows, bevels, blurs, colour
    // matrices) and some blend modes only with its WebGL renderer, which
    // needs the web engine's OpenGL. Without a graphics card that is
    // Mesa's software renderer, and the whole window's composition costs
    // about five times the processor. So a collection whose movies need
    // none of it gets the canvas renderer and software composition (no
    // OpenGL context to make, no GPU memory, the same on the old school
    // machines whose drivers are the least reliable); one whose movies
    // need it gets OpenGL, and those movies the WebGL renderer (PlayerHost).
    const bool fullRenderer = configNeedsFullRenderer(QDir::currentPath());
    if (!fullRenderer && !qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    if (!fullRenderer && !qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
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
    // A software OpenGL is on the engine's list of drivers not to use for
    // WebGL: with none better, it is what draws the filters.
    const QByteArray gpu = fullRenderer ? QByteArrayLiteral("--ignore-gpu-blocklist") : QByteArrayLiteral("--disable-gpu");
    if (!flags.contains(gpu))
        flags += ' ' + gpu;
    for (const char *flag : {"--renderer-process-limit=1", "--disable-background-networking",
                             "--js-flags=--liftoff-only",
                             "--disable-features=AudioServiceOutOfProcess",
                             "--disable-background-timer-throttling", "--no-unsandboxed-zygote",
                             "--force-webrtc-ip-handling-policy=disable_non_proxied_udp",
                             "--disable-quic",
                             // The engine's own texts (error pages, form
                             // messages, its file buttons) in Portuguese,
                             // whatever the system's locale.
                             "--lang=pt-BR"}) {
        if (!flags.contains(flag))
            flags += ' ' + QByteArray(flag);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());

    // The web engine's renderers run in a sandbox, which the engine refuses
    // to set up for a process running as root (a lab machine's kiosk
    // session, a container): the engine would not start at all. Only then
    // is the sandbox turned off.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    keepLibrariesFromWriting();
}

void WebLoader::applicationMade()
{
    if (!s_temporaryFolder)
        return;
    if (s_temporaryFolder->isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", *s_temporaryFolder);
    s_temporaryFolder.reset();
}

// First the build tree's layout (everything beside the program), then the
// installed one, relative to the program's folder.
QStringList WebLoader::librarySearchPath()
{
    const QString programDirectory = QCoreApplication::applicationDirPath();
    return {programDirectory, programDirectory + QStringLiteral("/" APOSTILAS_LIBDIR_FROM_BIN)};
}

QStringList WebLoader::engineSearchPath()
{
    const QString programDirectory = QCoreApplication::applicationDirPath();
    return {programDirectory + QStringLiteral("/ruffle"),
            programDirectory + QStringLiteral("/" APOSTILAS_DATADIR_FROM_BIN "/ruffle")};
}

QString WebLoader::libraryFile()
{
    const QString directory = firstExisting(librarySearchPath(), kLibraryName);
    return directory.isEmpty() ? QString() : directory + kLibraryName;
}

QString WebLoader::engineDirectory()
{
    return firstExisting(engineSearchPath(), kEngineScript);
}

namespace {

// The one look for what the players need, in one order: the engine's files
// first, then the library. The file that is not there, named where it was
// looked for first; empty when both are.
QString firstMissingFile()
{
    if (WebLoader::engineDirectory().isEmpty())
        return missingFile(WebLoader::engineSearchPath().first() + kEngineScript);
    if (WebLoader::libraryFile().isEmpty())
        return missingFile(WebLoader::librarySearchPath().first() + kLibraryName);
    return QString();
}

} // namespace

void WebLoader::checkInstalled()
{
    // Every animation control asks as it is made; the files are looked for
    // once.
    static bool found = false;
    if (found)
        return;
    const QString missing = firstMissingFile();
    if (!missing.isEmpty())
        throw Unavailable(QStringLiteral("O reprodutor de animações não foi encontrado: falta o arquivo %1.")
                              .arg(missing)
                              .toStdString());
    found = true;
}

WebLibrary *WebLoader::loadedLibrary()
{
    return s_library;
}

void WebLoader::setContentTree(const QString &root)
{
    const QFileInfo info(root);
    s_contentTree = info.isDir() ? info.canonicalFilePath() : QString();
    if (s_library)
        s_library->setContentTree(s_contentTree);
}

QString WebLoader::contentTree()
{
    return s_contentTree;
}

QString WebLoader::loadError()
{
    return s_error;
}

WebLibrary *WebLoader::library(OnFailure onFailure)
{
    if (!s_library && !s_tried) {
        s_tried = true;
        const QString missing = firstMissingFile();
        if (!missing.isEmpty()) {
            s_error = QStringLiteral("falta o arquivo %1").arg(missing);
        } else {
            const QString file = libraryFile();
            const QString engine = engineDirectory();
            // Never unloaded: the web engine's own libraries cannot be.
            QLibrary loaded(file);
            loaded.setLoadHints(QLibrary::PreventUnloadHint);
            const auto entry = reinterpret_cast<WebLibraryEntry>(loaded.resolve(APOSTILAS_WEB_LIBRARY_ENTRY));
            if (entry) {
                s_library = entry(engine);
                s_library->setContentTree(s_contentTree);
            } else
                s_error = loaded.errorString();
        }
        if (!s_library)
            std::fprintf(stderr, "%s\n", qPrintable(s_error));
    }
    if (!s_library && onFailure == OnFailure::EndProgram) {
        const QString message = QStringLiteral("O reprodutor de animações não pôde ser aberto: %1").arg(s_error);
        static bool told = false;
        if (!told) {
            told = true;
            std::fprintf(stderr, "%s\n", qPrintable(message));
            QMessageBox::critical(nullptr, content::applicationTitle(QCoreApplication::applicationFilePath()),
                                  message);
            QCoreApplication::exit(1);
        }
    }
    return s_library;
}
