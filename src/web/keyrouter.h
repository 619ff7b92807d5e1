#pragma once

#include <QObject>

class QKeyEvent;
class QWebEngineView;

// While the web viewer is active, keys for its web view go to the view once
// and stop there: they do not travel on to the window (Escape does not close
// it), and what the page leaves unhandled is not handled again. After the
// view has the key, the view's shortcuts (Alt+Left back, Alt+Right forward,
// F5 reload) apply, except while the page is loading and except for plain
// Backspace, Left and Right, so Backspace never navigates back. Keys for the
// window's buttons are untouched.
class KeyRouter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyRouter)

public:
    explicit KeyRouter(QWebEngineView *view, QObject *parent = nullptr);

    // True while the view is loading a page (the view's "busy").
    bool isBusy() const { return m_busy; }

    // Key codes the shortcuts never see without Alt.
    static bool isExcludedFromShortcuts(const QKeyEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isForView(QObject *watched) const;
    void applyShortcuts(QKeyEvent *event);

    QWebEngineView *m_view = nullptr;
    bool m_busy = false;
    bool m_delivering = false;
};
