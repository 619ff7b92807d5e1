#pragma once

// The program's one way into its web library: the players and the web
// viewer both come through here. The loader finds the library and the Flash
// engine's files beside the program, never in the content tree, loads the
// library the first time something asks for it and tells it where the
// engine is before anything else.

#include <QString>
#include <QStringList>

#include <stdexcept>

class WebLibrary;

class WebLoader final
{
public:
    class Unavailable : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // Everything that must happen before the application object exists:
    // software composition, shared GL contexts, the web engine's switches
    // and its sandbox.
    static void prepareApplication();
    // Undoes what only the application object's construction needed.
    static void applicationMade();

    // Throws Unavailable, naming the missing file, when the engine's files
    // or the library are not where the program looks for them. The window
    // calls this as it is made, so that it fails at once.
    static void checkInstalled();

    // What happens when the library cannot be loaded: the players cannot
    // run without it, so the program tells the person why and ends, as for
    // a missing engine; the web viewer says so in its own box.
    enum class OnFailure { EndProgram, ReturnNone };
    // The library, loaded on first use, or none when it cannot be loaded
    // (loadError() says why).
    static WebLibrary *library(OnFailure onFailure);
    // The library if it is already loaded, without loading it.
    static WebLibrary *loadedLibrary();

    // The content tree the window runs on (resolved; empty for none): the
    // library gets it as it loads and whenever it changes.
    static void setContentTree(const QString &root);
    static QString contentTree();
    static QString loadError();

    // Where the library and the engine's files are looked for (first match
    // wins), and what was found: empty when nothing was.
    static QStringList librarySearchPath();
    static QStringList engineSearchPath();
    static QString libraryFile();
    static QString engineDirectory();

    WebLoader() = delete;
};
