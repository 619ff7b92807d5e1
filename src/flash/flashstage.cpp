#include "flashstage.h"

#include "flashbridge.h"
#include "flashpage.h"
#include "webmodule.h"

#include <QWebChannel>
#include <QWebEngineSettings>
#include <QWebEngineView>

FlashStage::FlashStage(QWebEngineProfile *profile, const QUrl &pageUrl, QObject *parent)
    : QObject(parent), m_profile(profile)
{
    m_bridge = new FlashBridge(this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("bridge"), m_bridge);
    connect(m_bridge, &FlashBridge::pageReady, this, &FlashStage::onPageReady);
    connect(m_bridge, &FlashBridge::firstFrameShown, this, &FlashStage::onFirstFrame);
    connect(m_bridge, &FlashBridge::movieFailedReceived, this, [this](int slot, const QString &url) {
        if (FlashSlotOwner *control = controlOf(slot))
            control->receiveFailure(url);
    });
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, &FlashStage::releaseHeld);

    // The page needs a view for the windows it opens to be shown in the
    // controls' views; this one is never shown itself.
    m_view = new QWebEngineView;
    m_view->setAttribute(Qt::WA_DontShowOnScreen);
    m_page = new FlashPage(profile, pageUrl, m_view);
    // Only this page opens windows, and only the slots asked of it.
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    m_page->setWindowSource([this] { return makeWindow(); });
    m_page->setWebChannel(m_channel);
    m_view->setPage(m_page);
    m_page->load(pageUrl);
}

FlashStage::~FlashStage()
{
    delete m_view; // and the page with it, before the profile goes
}

QUrl FlashStage::slotUrl(int slot)
{
    return QUrl(QStringLiteral("swfhost://menu/engine/slot.html#%1").arg(slot));
}

int FlashStage::openSlot(FlashSlotOwner *control, const QString &url)
{
    const int slot = m_nextSlot++;
    m_slots[slot] = Slot{control, control->slotWidget(), url};
    if (m_ready)
        askForWindow(slot, url);
    return slot;
}

void FlashStage::play(int slot, const QString &url)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end())
        return;
    found->second.url = url;
    ++found->second.movie;
    if (m_holdTimer.isActive())
        m_held.insert(slot);
    else if (m_ready)
        Q_EMIT m_bridge->movieRequested(slot, url, found->second.movie);
}

void FlashStage::holdBack(int milliseconds)
{
    m_holdTimer.start(milliseconds);
}

void FlashStage::releaseHeld()
{
    const std::set<int> held = std::move(m_held);
    m_held.clear();
    for (const int slot : held) {
        const auto found = m_slots.find(slot);
        if (found != m_slots.end() && m_ready)
            Q_EMIT m_bridge->movieRequested(slot, found->second.url, found->second.movie);
    }
}

void FlashStage::closeSlot(int slot)
{
    m_held.erase(slot);
    if (m_slots.erase(slot) && m_ready)
        Q_EMIT m_bridge->slotClosed(slot);
}

void FlashStage::onPageReady()
{
    if (m_ready)
        return;
    m_ready = true;
    for (const auto &[slot, state] : m_slots)
        askForWindow(slot, state.url);
}

void FlashStage::askForWindow(int slot, const QString &url)
{
    m_windowsAsked.push_back(slot);
    Q_EMIT m_bridge->slotRequested(slot);
    Q_EMIT m_bridge->movieRequested(slot, url, m_slots.at(slot).movie);
}

QWebEnginePage *FlashStage::makeWindow()
{
    // Windows open in the order the page was asked for them; anything
    // else the page tries to open is refused.
    if (m_windowsAsked.empty())
        return nullptr;
    const int slot = m_windowsAsked.front();
    m_windowsAsked.pop_front();
    FlashSlotOwner *control = controlOf(slot);
    if (!control)
        return nullptr;
    QWidget *widget = control->slotWidget();
    auto *page = new FlashPage(m_profile, slotUrl(slot), widget);
    page->setBackgroundColor(Qt::transparent);
    auto *channel = new QWebChannel(page);
    auto *own = new SlotBridge(slot, channel);
    channel->registerObject(QStringLiteral("slot"), own);
    connect(own, &SlotBridge::commandReceived, this, &FlashStage::onCommand);
    page->setWebChannel(channel);
    // The engine adopts the window into the page once this returns; the
    // view is made only then.
    QMetaObject::invokeMethod(
        widget,
        [control, widget, page] {
            auto *view = new QWebEngineView(widget);
            view->setContextMenuPolicy(Qt::NoContextMenu);
            view->setPage(page);
            control->adoptSlotView(view);
        },
        Qt::QueuedConnection);
    return page;
}

FlashSlotOwner *FlashStage::controlOf(int slot) const
{
    const auto found = m_slots.find(slot);
    return found == m_slots.end() || !found->second.widget ? nullptr : found->second.control;
}

void FlashStage::onCommand(int slot, int movie, const QString &command, const QString &args)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || found->second.movie != movie)
        return;
    if (FlashSlotOwner *control = controlOf(slot))
        control->receiveCommand(command, args);
}

void FlashStage::onFirstFrame(int slot, const QString &url)
{
    if (FlashSlotOwner *control = controlOf(slot))
        control->receiveFirstFrame(url);
}
