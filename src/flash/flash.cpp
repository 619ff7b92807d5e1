#include "flash.h"

#include "flashbridge.h"
#include "flashengine.h"
#include "flashpage.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineView>

TShockwaveFlash::TShockwaveFlash(QWidget *parent) : QWidget(parent)
{
    FlashEngine *engine = FlashEngine::instance();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QWebEngineView(this);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    layout->addWidget(m_view);
    setFocusProxy(m_view);
    setFocusPolicy(Qt::StrongFocus);

    m_page = new FlashPage(engine->profile(), engine->hostUrl(), m_view);
    m_page->setBackgroundColor(Qt::transparent);
    m_bridge = new FlashBridge(this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("bridge"), m_bridge);
    m_page->setWebChannel(m_channel);
    m_view->setPage(m_page);

    // Queued, so that handlers run from the event loop and not from inside
    // the web channel's delivery.
    connect(m_bridge, &FlashBridge::commandReceived, this,
            [this](const QString &command, const QString &args) {
                Q_EMIT OnFSCommand(this, command, args);
            },
            Qt::QueuedConnection);
    connect(m_bridge, &FlashBridge::firstFrameShown, this,
            [this](const QString &url) {
                if (QUrl(url) != m_url || m_showing)
                    return;
                m_showing = true;
                Q_EMIT firstFrameShown();
            });
    connect(qApp, &QApplication::focusChanged, this, &TShockwaveFlash::onFocusChanged);

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
