#pragma once

// The animation control of the menu. The window sets Movie (a content path
// under the configuration directory: a movie file plays at once, anything
// else blanks the control) and Visible, and hears back OnFSCommand (the
// movie's fscommand) and OnEnter (the control got the input focus, a click
// on the movie included). Events reach the window on the GUI thread from the
// event loop, never from inside the engine's own callbacks, so a handler may
// reload, hide or close whatever it likes.
//
// All controls share one engine page, in the web library (see WebModule); a
// control shows its own slot of it in a web view. The library is loaded and
// the slot opened once the control is first painted, so the window is on
// screen before the web engine is even loaded.

#include <QElapsedTimer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include "webmodule.h"

class TShockwaveFlash final : public QWidget, private FlashSlotOwner
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TShockwaveFlash)

public:
    explicit TShockwaveFlash(QWidget *parent = nullptr);
    ~TShockwaveFlash() override;

    void setMovie(const QString &path);
    // The address the control plays, or an empty address while blank.
    QUrl movieUrl() const { return m_url; }
    // True once the first frame of the current movie has been drawn.
    bool isShowingMovie() const { return m_showing; }
    // True, once, when a person pressed on the control (a pointer button or
    // a key) in the last kPressWindowMs: a command that follows such a press
    // is the person's doing, a command a movie sends on its own is not. Each
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
    // Movie was written; url is empty when the control went blank.
    void movieRequested(const QUrl &url);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *slotWidget() override { return this; }
    void adoptSlotView(QWidget *view) override;
    void receiveCommand(const QString &command, const QString &args) override;
    void receiveFirstFrame(const QString &url) override;
    void receiveFailure(const QString &url) override;
    void openSlot();
    void onFocusChanged(QWidget *old, QWidget *now);
    QString encodedUrl() const { return m_url.toString(QUrl::FullyEncoded); }

    void watchInput(QObject *object);

    QWidget *m_view = nullptr;
    QElapsedTimer m_lastPress; // invalid when no press is waiting
    QUrl m_url;
    int m_slot = 0;
    int m_movieSerial = 0; // counts setMovie calls
    bool m_showing = false;
    bool m_slotRequested = false;
};
