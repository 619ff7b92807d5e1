#pragma once

// Finding an animation control's player on screen: the players of a window
// are shown together in one view laid over the window's controls.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWebEngineView>
#include <QWidget>

namespace testing {

// The control's rectangle in its window.
inline QRect rectInWindow(const QWidget *control)
{
    return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

// The view that shows the control's player where the control is, or null.
inline QWebEngineView *playerView(const QWidget *control)
{
    const QPoint centre = rectInWindow(control).center();
    const QList<QWebEngineView *> views = control->window()->findChildren<QWebEngineView *>();
    for (QWebEngineView *view : views) {
        if (view->isVisible() && view->geometry().contains(centre) && view->mask().contains(centre - view->pos()))
            return view;
    }
    return nullptr;
}

// The widget that takes the player's input, and where the control's point
// local is on it; null when the control has no player on screen.
inline QWidget *playerSurface(const QWidget *control, QPoint *at, QPoint local)
{
    QWebEngineView *view = playerView(control);
    QWidget *surface = view ? view->focusProxy() : nullptr;
    if (surface)
        *at = surface->mapFrom(control->window(), control->mapTo(control->window(), local));
    return surface;
}

inline QWidget *playerSurface(const QWidget *control, QPoint *at)
{
    return playerSurface(control, at, control->rect().center());
}

// What the control shows, player included, as the window shows it.
inline QImage grabControl(const QWidget *control)
{
    return control->window()->grab(rectInWindow(control)).toImage();
}

} // namespace testing
