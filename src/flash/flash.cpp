#include "flash.h"

#include "flashengine.h"

#include <QApplication>
#include <QChildEvent>
#include <QTimer>
#include <QVBoxLayout>

TShockwaveFlash::TShockwaveFlash(QWidget *parent) : QWidget(parent)
{
    // Fails here, at the window's creation, when the engine's files are missing.
    FlashEngine::instance();
    setFocusPolicy(Qt::StrongFocus);
    connect(qApp, &QApplication::focusChanged, this, &TShockwaveFlash::onFocusChanged);
}

TShockwaveFlash::~TShockwaveFlash()
{
    if (m_slot != 0) {
        if (WebModule *players = WebModule::loaded())
            players->closeSlot(m_slot);
    }
    // The view goes before the page it shows (a child of this control too).
    delete m_view;
}

void TShockwaveFlash::paintEvent(QPaintEvent *)
{
    if (m_slotRequested)
        return;
    m_slotRequested = true;
    QTimer::singleShot(0, this, &TShockwaveFlash::openSlot);
}

void TShockwaveFlash::openSlot()
{
    // Without the library the control stays blank; the loader said why.
    if (WebModule *players = FlashEngine::instance()->players())
        m_slot = players->openSlot(this, encodedUrl());
}

void TShockwaveFlash::adoptSlotView(QWidget *view)
{
    if (m_view) {
        delete view;
        return;
    }
    m_view = view;
    watchInput(m_view);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    const bool hadFocus = hasFocus();
    setFocusProxy(m_view);
    if (hadFocus)
        m_view->setFocus(Qt::OtherFocusReason);
}

void TShockwaveFlash::watchInput(QObject *object)
{
    // The web view takes input in a widget of its own, made as it shows.
    object->installEventFilter(this);
    const QList<QWidget *> children = object->findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
}

bool TShockwaveFlash::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (auto *added = static_cast<QChildEvent *>(event)->child(); added && added->isWidgetType())
            watchInput(added);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Only input from the window system: nothing a page or the program
        // posts itself.
        if (event->spontaneous()
            && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress
                || m_lastPress.isValid()))
            m_lastPress.start();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool TShockwaveFlash::takePersonsPress()
{
    const bool recent = m_lastPress.isValid() && m_lastPress.elapsed() < kPressWindowMs;
    m_lastPress.invalidate();
    return recent;
}

void TShockwaveFlash::setMovie(const QString &path)
{
    m_url = FlashEngine::instance()->movieUrl(path);
    m_showing = false;
    ++m_movieSerial;
    if (m_slot != 0)
        FlashEngine::instance()->players()->play(m_slot, encodedUrl());
    Q_EMIT movieRequested(m_url);
}

void TShockwaveFlash::receiveCommand(const QString &command, const QString &args)
{
    // Queued, so that handlers run from the event loop and not from inside
    // the web channel's delivery. A movie replaced meanwhile has nothing
    // more to say.
    const int movie = m_movieSerial;
    QMetaObject::invokeMethod(
        this,
        [this, command, args, movie] {
            if (movie == m_movieSerial)
                Q_EMIT OnFSCommand(this, command, args);
        },
        Qt::QueuedConnection);
}

void TShockwaveFlash::receiveFirstFrame(const QString &url)
{
    // Only the current movie's first frame counts.
    if (m_showing || url != encodedUrl())
        return;
    m_showing = true;
    Q_EMIT firstFrameShown();
}

void TShockwaveFlash::receiveFailure(const QString &url)
{
    if (url == encodedUrl())
        Q_EMIT movieFailed();
}

void TShockwaveFlash::onFocusChanged(QWidget *old, QWidget *now)
{
    const auto inside = [this](QWidget *widget) {
        return widget && (widget == this || isAncestorOf(widget));
    };
    if (inside(now) && !inside(old)) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT OnEnter(this); }, Qt::QueuedConnection);
    }
}
