#pragma once

// The boundary between the program and its web library
// (libapostilas_web.so). Everything the program runs on the web engine (the
// animation players and the web viewer) lives in that library, loaded once
// the window is on screen: loading the web engine's libraries takes longer
// than drawing the whole window does.
//
// The program side (WebLoader, the animation control) sees only this header.
// The library side (WebHost and the players' PlayerHost) owns every page,
// view and profile it makes; the program holds a WebPlayer handle per
// animation control, which it may drop at any moment, and hears back through
// PlayerOwner. The program names the content tree and hands over movie
// files, never addresses: how a movie is addressed and served is the
// library's business.

#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QEvent;
class QKeyEvent;
class QWidget;

// An animation control as the library's players see it.
class PlayerOwner
{
public:
    // The control. The library shows the players of one window together,
    // in one view of its own laid over the window's controls, each player
    // where its control is and only where its control can be seen.
    virtual QWidget *playerWidget() = 0;
    // A person's pointer input on the player (a press or a release): the
    // control takes the focus on a press, as if clicked itself.
    virtual void receivePersonsInput(const QEvent *event) = 0;
    // The current movie's fscommand.
    virtual void receiveCommand(const QString &command, const QString &args) = 0;
    // The current movie's first frame is on screen.
    virtual void receiveFirstFrame() = 0;
    // The engine could not play the current movie; the player shows nothing.
    virtual void receiveFailure() = 0;

protected:
    ~PlayerOwner() = default;
};

// One control's player. Dropping it closes the player at once, so the
// handle may go inside the control's own event handlers or destructor.
class WebPlayer
{
public:
    virtual ~WebPlayer() = default;
    // Plays a movie file of the content tree; an empty path, or a file the
    // players may not take, blanks the player.
    virtual void play(const QString &movieFile) = 0;
    // Whether anyone can see the control: a player off screen (its window
    // minimised or covered, the control hidden) is paused where it is, and
    // goes on from there when it is back.
    virtual void setOnScreen(bool onScreen) = 0;
    // The control has the keyboard: the keys it sends from now on are its
    // movie's.
    virtual void takeKeyboard() = 0;
    // A key pressed or released on the control, for its movie.
    virtual void sendKey(const QKeyEvent *event) = 0;
};

class WebLibrary
{
public:
    // The content tree the movies come from: players take movie files
    // inside it only, and a movie may load other movies of it.
    virtual void setContentTree(const QString &root) = 0;
    // A player for owner, playing movieFile (see WebPlayer::play).
    virtual std::unique_ptr<WebPlayer> openPlayer(PlayerOwner *owner, const QString &movieFile) = 0;
    // The movies asked for in the next milliseconds start only then,
    // leaving the processor to a program the menu has just started.
    virtual void holdPlayersBack(int milliseconds) = 0;
    // The web viewer, made for owner; it deletes itself once closed.
    virtual QDialog *createViewer(QWidget *owner, std::function<QString()> seriesCode) = 0;

protected:
    ~WebLibrary() = default;
};

// The library's one entry point: a C function of this name that takes the
// Flash engine's folder (so nothing can come before it) and returns the
// library, which lives as long as the process.
#define APOSTILAS_WEB_LIBRARY_ENTRY "apostilas_web_library"
using WebLibraryEntry = WebLibrary *(*)(const QString &engineDirectory);
