#include "keyrouter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWebEngineView>

KeyRouter::KeyRouter(QWebEngineView *view, QObject *parent) : QObject(parent), m_view(view)
{
    connect(view, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(view, &QWebEngineView::loadFinished, this, [this] { m_busy = false; });
}

bool KeyRouter::isExcludedFromShortcuts(const QKeyEvent *event)
{
    const int key = event->key();
    return (key == Qt::Key_Backspace || key == Qt::Key_Left || key == Qt::Key_Right)
        && !(event->modifiers() & Qt::AltModifier);
}

bool KeyRouter::isForView(QObject *watched) const
{
    if (!watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    // The view's parent only ever gets keys the page sent back unhandled.
    return widget == m_view || m_view->isAncestorOf(widget) || widget == m_view->parentWidget();
}

bool KeyRouter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (m_delivering || (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        || !isForView(watched))
        return false;
    if (watched == m_view->parentWidget())
        return true;
    m_delivering = true;
    QCoreApplication::sendEvent(watched, event);
    m_delivering = false;
    if (!m_busy && type == QEvent::KeyPress)
        applyShortcuts(static_cast<QKeyEvent *>(event));
    return true;
}

void KeyRouter::applyShortcuts(QKeyEvent *event)
{
    if (isExcludedFromShortcuts(event))
        return;
    if (event->matches(QKeySequence::Back))
        m_view->triggerPageAction(QWebEnginePage::Back);
    else if (event->matches(QKeySequence::Forward))
        m_view->triggerPageAction(QWebEnginePage::Forward);
    else if (event->matches(QKeySequence::Refresh))
        m_view->triggerPageAction(QWebEnginePage::Reload);
}
