#pragma once

// Everything the program runs on the web engine (the animation players'
// engine page and the web viewer) lives in a library of its own, loaded
// once the window is on screen: loading the web engine's libraries takes
// longer than drawing the whole window does. The program reaches that
// library only through WebModule, and the engine page reaches an animation
// control only through FlashSlotOwner.

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

// An animation control as the engine page sees it.
class FlashSlotOwner
{
public:
    // The widget the slot's view goes into; the slot lives no longer.
    virtual QWidget *slotWidget() = 0;
    // The view that shows the control's slot, once the page opened it.
    virtual void adoptSlotView(QWidget *view) = 0;
    // The movie's fscommand, and the first frame of a movie (its address).
    virtual void receiveCommand(const QString &command, const QString &args) = 0;
    virtual void receiveFirstFrame(const QString &url) = 0;
    // The engine could not play the movie at url; the slot shows nothing.
    virtual void receiveFailure(const QString &url) = 0;

protected:
    ~FlashSlotOwner() = default;
};

class WebModule
{
public:
    virtual ~WebModule() = default;

    // The animation players: the engine's folder comes first, before any
    // other call. Slots are numbered from 1; 0 is none.
    virtual void setEngineDirectory(const QString &directory) = 0;
    virtual void setContentRoot(const QString &localDirectory) = 0;
    virtual int openSlot(FlashSlotOwner *owner, const QString &url) = 0;
    virtual void play(int slot, const QString &url) = 0;
    virtual void closeSlot(int slot) = 0;
    virtual void holdPlayersBack(int milliseconds) = 0;

    // The web viewer, made for owner; it deletes itself once closed.
    virtual QDialog *createViewer(QWidget *owner, std::function<QString()> seriesCode) = 0;
    // Points the viewer at another server (the tests' own on 127.0.0.1).
    virtual void setContentServer(const QString &host) = 0;

    // The library, loaded on first use; none when it cannot be loaded, and
    // then loadError() says why.
    static WebModule *instance();
    // The library if it is already loaded, without loading it.
    static WebModule *loaded();
    static QString loadError();
    // Where the library is looked for, first match wins.
    static QStringList searchPath();
    // The library's file as found on the search path, or empty.
    static QString libraryFile();
};

// The library's one entry point, a C function of this name returning its
// WebModule (which lives as long as the process).
#define APOSTILAS_WEB_MODULE_ENTRY "apostilas_web_module"
using WebModuleEntry = WebModule *(*)();
