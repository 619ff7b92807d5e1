#include "flash.h"

#include "flashbridge.h"
#include "flashengine.h"
#include "flashpage.h"

#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineView>

TShockwaveFlash::TShockwaveFlash(QWidget *parent) : QWidget(parent)
{
    // Fails here, at the window's creation, when the engine's files are missing.
    FlashEngine::instance();
    setFocusPolicy(Qt::StrongFocus);
    m_bridge = new FlashBridge(this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("bridge"), m_bridge);

    // Queued, so that handlers run from the event loop and not from inside
    // the web channel's delivery.
    connect(m_bridge, &FlashBridge::commandReceived, this,
            [this](const QString &command, const QString &args) {
                Q_EMIT OnFSCommand(this, command, args);
            },
            Qt::QueuedConnection);
    // The bridge passes on only the current movie's first frame.
    connect(m_bridge, &FlashBridge::firstFrameShown, this, [this] {
        if (m_showing)
            return;
        m_showing = true;
        Q_EMIT firstFrameShown();
    });
    connect(qApp, &QApplication::focusChanged, this, &TShockwaveFlash::onFocusChanged);
}

void TShockwaveFlash::paintEvent(QPaintEvent *)
{
    if (m_viewRequested)
        return;
    m_viewRequested = true;
    QTimer::singleShot(0, this, &TShockwaveFlash::createView);
}

void TShockwaveFlash::createView()
{
    FlashEngine *engine = FlashEngine::instance();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QWebEngineView(this);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    layout->addWidget(m_view);
    const bool hadFocus = hasFocus();
    setFocusProxy(m_view);
    if (hadFocus)
        m_view->setFocus(Qt::OtherFocusReason);

    m_page = new FlashPage(engine->profile(), engine->hostUrl(), m_view);
    m_page->setBackgroundColor(Qt::transparent);
    m_page->setWebChannel(m_channel);
    m_view->setPage(m_page);
    m_page->load(engine->hostUrl());
}

TShockwaveFlash::~TShockwaveFlash()
{
    // The page must go before the profile it uses; make sure it goes first
    // even when the view outlives this control during teardown.
    delete m_view;
    m_view = nullptr;
}

void TShockwaveFlash::setMovie(const QString &path)
{
    m_url = FlashEngine::instance()->movieUrl(path);
    m_showing = false;
    m_bridge->requestMovie(m_url.toString(QUrl::FullyEncoded));
    Q_EMIT movieRequested(m_url);
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
