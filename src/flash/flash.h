#pragma once

// The animation control of the menu. The window sets Movie (a content path
// under the configuration directory: a movie file plays at once, anything
// else blanks the control) and Visible, and hears back OnFSCommand (the
// movie's fscommand) and OnEnter (the control got the input focus, a click
// on the movie included). Events reach the window on the GUI thread from the
// event loop, never from inside the engine's own callbacks, so a handler may
// reload, hide or close whatever it likes.
//
// The control's player lives in the web library (see weblibrary.h), which
// shows it over the control and owns its view; the control holds only the
// player's handle, keeps the focus and sends its keys on to the player. The
// library is loaded and the player opened once the control is first
// painted, so the window is on screen before the web engine is even loaded.

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <memory>

#include "weblibrary.h"

class TShockwaveFlash final : public QWidget, private PlayerOwner
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TShockwaveFlash)

public:
    explicit TShockwaveFlash(QWidget *parent = nullptr);
    ~TShockwaveFlash() override;

    void setMovie(const QString &path);
    // The movie file the control plays (canonical), or empty while blank:
    // only a movie file inside the content tree plays.
    QString movieFile() const { return m_file; }
    // True once the first frame of the current movie has been drawn.
    bool isShowingMovie() const { return m_showing; }
    // True, once, when a person pressed on the control (a mouse button, a
    // finger or a pen on its player, or Space or Return while it has the
    // focus) in the last kPressWindowMs: a command that follows such a press
    // is the person's doing, a command a movie sends on its own is not; nor
    // is one that follows an arrow, Tab, Escape or a modifier key. Each
    // press answers true at most once.
    bool takePersonsPress();
    static constexpr int kPressWindowMs = 2000;

Q_SIGNALS:
    void OnFSCommand(TShockwaveFlash *sender, const QString &command, const QString &args);
    void OnEnter(TShockwaveFlash *sender);
    // The first frame of the current movie is on screen.
    void firstFrameShown();
    // The current movie could not be played; the control shows nothing.
    void movieFailed();
    // Movie was written; file is empty when the control went blank.
    void movieRequested(const QString &file);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *playerWidget() override { return this; }
    void receivePersonsInput(const QEvent *event) override;
    void receiveCommand(const QString &command, const QString &args) override;
    void receiveFirstFrame() override;
    void receiveFailure() override;
    void openPlayer();
    void onFocusChanged(QWidget *old, QWidget *now);

    // Notes a person's press or its release, from the window system only.
    void notePersonsInput(const QEvent *event);
    // Whether anyone can see the control, told to the player when it
    // changes: its window minimised or covered, or the control hidden.
    void watchWindow();
    void updateOnScreen();

    QElapsedTimer m_lastPress; // invalid when no press is waiting
    QString m_file;
    int m_movieSerial = 0; // counts setMovie calls
    bool m_showing = false;
    bool m_playerRequested = false;
    bool m_onScreen = true;
    QObject *m_watchedWindow = nullptr;
    // Last, so that it goes first: the player leaves before the control's
    // children are deleted.
    std::unique_ptr<WebPlayer> m_player;
};
