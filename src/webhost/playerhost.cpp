#include "playerhost.h"

#include "movieaddresses.h"
#include "playerbridge.h"
#include "playerpage.h"

#include <QRandomGenerator>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <algorithm>

namespace {

// Movies get no network: only the players' own scheme and in-page data.
class OfflineInterceptor final : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QUrl url = info.requestUrl();
        if (!movies::isPlayersAddress(url) && url.scheme() != QLatin1String("data")
            && url.scheme() != QLatin1String("blob"))
            info.block(true);
    }
};

QString newToken()
{
    quint64 words[2];
    QRandomGenerator::system()->fillRange(words);
    return QString::number(words[0], 16) + QString::number(words[1], 16);
}

} // namespace

// A control's hold on its slot.
class PlayerHost::Handle final : public WebPlayer
{
public:
    Handle(PlayerHost *host, int slot) : m_host(host), m_slot(slot) {}
    ~Handle() override
    {
        if (m_host)
            m_host->closeSlot(m_slot);
    }
    void play(const QString &movieFile) override
    {
        if (m_host)
            m_host->play(m_slot, movieFile);
    }
    void setOnScreen(bool onScreen) override
    {
        if (m_host)
            m_host->setOnScreen(m_slot, onScreen);
    }

private:
    QPointer<PlayerHost> m_host;
    int m_slot;
};

PlayerHost::Slot::Slot(PlayerOwner *owner, QString token, QString url)
    : owner(owner), widget(owner->playerWidget()), token(std::move(token)), url(std::move(url))
{
}

PlayerHost::Slot::~Slot()
{
    // The view before the page it shows.
    delete view.data();
}

PlayerHost::PlayerHost(const QString &engineDirectory)
    : m_handler(std::make_unique<movies::SchemeHandler>(engineDirectory)),
      m_interceptor(std::make_unique<OfflineInterceptor>())
{
    // A profile without a storage name is off the record: nothing reaches
    // disk. Making it starts the web engine.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    QWebEngineSettings *settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_profile->installUrlSchemeHandler(movies::scheme(), m_handler.get());
    m_profile->setUrlRequestInterceptor(m_interceptor.get());

    m_bridge = std::make_unique<PlayerBridge>();
    m_channel = std::make_unique<QWebChannel>();
    m_channel->registerObject(QStringLiteral("bridge"), m_bridge.get());
    connect(m_bridge.get(), &PlayerBridge::pageReady, this, &PlayerHost::onPageReady);
    connect(m_bridge.get(), &PlayerBridge::firstFrameShown, this, [this](int slot, int movie) {
        if (Slot *found = liveSlot(slot, movie))
            found->owner->receiveFirstFrame();
    });
    connect(m_bridge.get(), &PlayerBridge::movieFailedReceived, this, [this](int slot, int movie) {
        if (Slot *found = liveSlot(slot, movie))
            found->owner->receiveFailure();
    });
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, &PlayerHost::releaseHeld);

    // The page needs a view for the windows it opens to be shown in other
    // views; this one is never shown itself.
    const QUrl pageUrl = movies::hostPageUrl();
    m_page = std::make_unique<PlayerPage>(m_profile.get(), pageUrl);
    // Only this page opens windows, and only the slots asked of it.
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    m_page->setWindowSource([this] { return makeWindow(); });
    m_page->setWebChannel(m_channel.get());
    m_view = std::make_unique<QWebEngineView>();
    m_view->setAttribute(Qt::WA_DontShowOnScreen);
    m_view->setPage(m_page.get());
    m_page->load(pageUrl);
}

PlayerHost::~PlayerHost() = default;

std::unique_ptr<WebPlayer> PlayerHost::openPlayer(PlayerOwner *owner, const QString &movieFile)
{
    const int slot = m_nextSlot++;
    m_slots[slot] = std::make_unique<Slot>(owner, newToken(),
                                           movies::addressOf(movieFile).toString(QUrl::FullyEncoded));
    if (m_ready)
        askForWindow(slot);
    return std::make_unique<Handle>(this, slot);
}

void PlayerHost::play(int slot, const QString &movieFile)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end())
        return;
    Slot &state = *found->second;
    state.url = movies::addressOf(movieFile).toString(QUrl::FullyEncoded);
    ++state.movie;
    if (m_holdTimer.isActive())
        m_held.insert(slot);
    else if (m_ready)
        Q_EMIT m_bridge->movieRequested(slot, state.url, state.movie);
}

void PlayerHost::setOnScreen(int slot, bool onScreen)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || found->second->onScreen == onScreen)
        return;
    found->second->onScreen = onScreen;
    if (m_ready)
        Q_EMIT m_bridge->slotShown(slot, onScreen);
}

void PlayerHost::holdBack(int milliseconds)
{
    m_holdTimer.start(milliseconds);
}

void PlayerHost::releaseHeld()
{
    const std::set<int> held = std::move(m_held);
    m_held.clear();
    for (const int slot : held) {
        const auto found = m_slots.find(slot);
        if (found != m_slots.end() && m_ready)
            Q_EMIT m_bridge->movieRequested(slot, found->second->url, found->second->movie);
    }
}

void PlayerHost::closeSlot(int slot)
{
    m_held.erase(slot);
    const auto found = m_slots.find(slot);
    if (found == m_slots.end())
        return;
    std::unique_ptr<Slot> closed = std::move(found->second);
    m_slots.erase(found);
    if (m_ready)
        Q_EMIT m_bridge->slotClosed(slot);
    // The view leaves the control now, whatever happens to the control
    // next; it and its page are deleted from the event loop.
    if (closed->view) {
        closed->view->hide();
        closed->view->setParent(nullptr);
    }
    m_closed.push_back(std::move(closed));
    QMetaObject::invokeMethod(this, &PlayerHost::purgeClosed, Qt::QueuedConnection);
}

void PlayerHost::purgeClosed()
{
    m_closed.clear();
    m_refused.clear();
}

void PlayerHost::onPageReady()
{
    if (m_ready)
        return;
    m_ready = true;
    for (const auto &[slot, state] : m_slots)
        askForWindow(slot);
}

void PlayerHost::askForWindow(int slot)
{
    const Slot &state = *m_slots.at(slot);
    Q_EMIT m_bridge->slotRequested(slot, movies::slotPageUrl(state.token).toString(QUrl::FullyEncoded));
    if (!state.onScreen)
        Q_EMIT m_bridge->slotShown(slot, false);
    Q_EMIT m_bridge->movieRequested(slot, state.url, state.movie);
}

QWebEnginePage *PlayerHost::makeWindow()
{
    // Whose window this is shows only in the address it goes to.
    auto page = std::make_unique<PlayerPage>(
        m_profile.get(), [this](PlayerPage *window, const QUrl &url) { return claimWindow(window, url); });
    page->setBackgroundColor(Qt::transparent);
    auto *channel = new QWebChannel(page.get());
    auto *own = new SlotBridge(channel);
    channel->registerObject(QStringLiteral("slot"), own);
    connect(own, &SlotBridge::commandReceived, this, [this](int slot, int movie, const QString &command,
                                                            const QString &args) {
        if (Slot *found = liveSlot(slot, movie))
            found->owner->receiveCommand(command, args);
    });
    page->setWebChannel(channel);
    m_unclaimed.push_back(std::move(page));
    return m_unclaimed.back().get();
}

bool PlayerHost::claimWindow(PlayerPage *page, const QUrl &url)
{
    const auto unclaimed = std::find_if(m_unclaimed.begin(), m_unclaimed.end(),
                                        [page](const auto &held) { return held.get() == page; });
    if (unclaimed == m_unclaimed.end())
        return false;
    std::unique_ptr<PlayerPage> window = std::move(*unclaimed);
    m_unclaimed.erase(unclaimed);
    const QString token = movies::slotToken(url);
    const auto slot = std::find_if(m_slots.begin(), m_slots.end(), [&token](const auto &entry) {
        return !token.isEmpty() && entry.second->token == token && !entry.second->page;
    });
    if (slot == m_slots.end()) {
        // Not a window the host asked for (or its control has gone): it is
        // refused and deleted from the event loop.
        m_refused.push_back(std::move(window));
        QMetaObject::invokeMethod(this, &PlayerHost::purgeClosed, Qt::QueuedConnection);
        return false;
    }
    window->findChild<SlotBridge *>()->bind(slot->first);
    slot->second->page = std::move(window);
    // The view is made from the event loop, outside the engine's call.
    const int id = slot->first;
    QMetaObject::invokeMethod(this, [this, id] { showWindow(id); }, Qt::QueuedConnection);
    return true;
}

void PlayerHost::showWindow(int slot)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || !found->second->widget || found->second->view)
        return;
    Slot &state = *found->second;
    auto *view = new QWebEngineView(state.widget);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->setPage(state.page.get());
    state.view = view;
    state.owner->adoptPlayerView(view);
}

PlayerHost::Slot *PlayerHost::liveSlot(int slot, int movie)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || found->second->movie != movie || !found->second->widget)
        return nullptr;
    return found->second.get();
}
