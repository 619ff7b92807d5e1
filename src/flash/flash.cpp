#include "flash.h"

#include "flashengine.h"
#include "flashstage.h"

#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

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
        if (FlashStage *stage = FlashEngine::existingStage())
            stage->closeSlot(m_slot);
    }
    // The page must go before the profile it uses; make sure it goes first
    // even when the view outlives this control during teardown.
    delete m_view;
    delete m_page;
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
    m_slot = FlashEngine::instance()->stage()->openSlot(this, encodedUrl());
}

void TShockwaveFlash::adoptSlotPage(QWebEnginePage *page)
{
    if (m_page)
        return;
    m_page = page;
    page->setBackgroundColor(Qt::transparent);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QWebEngineView(this);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setPage(page);
    layout->addWidget(m_view);
    const bool hadFocus = hasFocus();
    setFocusProxy(m_view);
    if (hadFocus)
        m_view->setFocus(Qt::OtherFocusReason);
}

void TShockwaveFlash::setMovie(const QString &path)
{
    m_url = FlashEngine::instance()->movieUrl(path);
    m_showing = false;
    if (m_slot != 0)
        FlashEngine::instance()->stage()->play(m_slot, encodedUrl());
    Q_EMIT movieRequested(m_url);
}

void TShockwaveFlash::receiveCommand(const QString &command, const QString &args)
{
    // Queued, so that handlers run from the event loop and not from inside
    // the web channel's delivery.
    QMetaObject::invokeMethod(
        this, [this, command, args] { Q_EMIT OnFSCommand(this, command, args); }, Qt::QueuedConnection);
}

void TShockwaveFlash::receiveFirstFrame(const QString &url)
{
    // Only the current movie's first frame counts.
    if (m_showing || url != encodedUrl())
        return;
    m_showing = true;
    Q_EMIT firstFrameShown();
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
