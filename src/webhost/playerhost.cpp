#include "playerhost.h"

#include "moviefeatures.h"
#include "movieaddresses.h"
#include "playerbridge.h"
#include "playerpage.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QRegion>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <algorithm>
#include <utility>

#include <signal.h>
#include <unistd.h>

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

// How often the engine's process is looked at; it is replaced once it has
// missed this many answers in a row (a script or the engine itself never
// returning holds every player).
constexpr int kWatchMs = 1000;
constexpr int kMissedAnswers = 5;
// The engine's own memory has a maximum (ENGINE_MEMORY_MIB, 512 MiB): this
// is what its process may hold in all, its pages and canvases included.
constexpr qint64 kProcessMemory = qint64(1) << 30;
// A second failure this soon after the one before, when the page cannot
// tell whose it was, has the movies tried one at a time; a failure this
// soon after a movie was let in on trial is that movie's.
constexpr qint64 kFailingAgainMs = 10000;
// A movie on trial plays this long before the next is let in.
constexpr int kProbationMs = 3000;
// A movie tried alone that shows no first frame in this time (its window is
// minimised, say) lets the next be tried.
constexpr int kProbationWaitMs = 4000;

// The resident memory of a process, in bytes, or 0 when it cannot be read.
qint64 residentMemory(qint64 pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

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
    void takeKeyboard() override
    {
        if (m_host)
            m_host->takeKeyboard(m_slot);
    }
    void sendKey(const QKeyEvent *event) override
    {
        if (m_host)
            m_host->sendKey(m_slot, event);
    }

private:
    QPointer<PlayerHost> m_host;
    int m_slot;
};

PlayerHost::Stage::Stage(QWidget *window, QString token) : window(window), token(std::move(token)) {}

PlayerHost::Stage::~Stage()
{
    // The view before the page it shows.
    delete view.data();
}

PlayerHost::Slot::Slot(PlayerOwner *owner, int stage, QString url, QString renderer)
    : owner(owner), widget(owner->playerWidget()), stage(stage), url(std::move(url)), renderer(std::move(renderer))
{
}

QString PlayerHost::rendererFor(const QString &movieFile) const
{
    // Only a movie that draws what the canvas renderer leaves out pays for
    // WebGL, and only where the web engine was given OpenGL for it.
    const QString playable = movies::playableFile(movieFile);
    return m_fullRenderer && !playable.isEmpty() && content::needsFullRenderer(playable)
               ? QStringLiteral("wgpu-webgl")
               : QStringLiteral("canvas");
}

PlayerHost::PlayerHost(const QString &engineDirectory)
    : m_handler(std::make_unique<movies::SchemeHandler>(engineDirectory)),
      m_interceptor(std::make_unique<OfflineInterceptor>()),
      // The program gave the web engine OpenGL (see WebLoader) when the
      // collection has movies that need it; otherwise there is none.
      m_fullRenderer(!qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--disable-gpu"))
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
    connect(m_bridge.get(), &PlayerBridge::pageReady, this, &PlayerHost::onPageReady);
    connect(m_bridge.get(), &PlayerBridge::firstFrameShown, this, [this](int slot, int movie) {
        if (Slot *found = liveSlot(slot, movie)) {
            found->shown = true;
            found->owner->receiveFirstFrame();
        }
        // A movie tried alone has shown it plays; the next is tried once it
        // has played a little while.
        if (slot == m_probing && m_probing != 0)
            m_probationTimer.start(kProbationMs);
    });
    connect(m_bridge.get(), &PlayerBridge::movieFailedReceived, this, [this](int slot, int movie) {
        if (Slot *found = liveSlot(slot, movie))
            found->owner->receiveFailure();
        if (slot == m_probing && m_probing != 0)
            m_probationTimer.start(0);
    });
    connect(m_bridge.get(), &PlayerBridge::engineFailedReceived, this, [this](int slot, int movie) {
        restartEngine(liveSlot(slot, movie) ? slot : 0);
    });
    connect(m_bridge.get(), &PlayerBridge::pongReceived, this, [this](int serial) {
        m_pongSerial = std::max(m_pongSerial, serial);
    });
    m_holdTimer.setSingleShot(true);
    // A coarse timer may end the hold up to a twentieth early.
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_holdTimer, &QTimer::timeout, this, &PlayerHost::releaseHeld);
    m_probationTimer.setSingleShot(true);
    connect(&m_probationTimer, &QTimer::timeout, this, &PlayerHost::askForNextOnProbation);
    m_watchdog.setInterval(kWatchMs);
    connect(&m_watchdog, &QTimer::timeout, this, &PlayerHost::watchEngine);
    m_watchdog.start();
    startEngine();
}

void PlayerHost::startEngine()
{
    m_channel = std::make_unique<QWebChannel>();
    m_channel->registerObject(QStringLiteral("bridge"), m_bridge.get());
    // The page needs a view for the windows it opens to be shown in other
    // views; this one is never shown itself.
    const QUrl pageUrl = movies::hostPageUrl();
    m_page = std::make_unique<PlayerPage>(m_profile.get(), pageUrl);
    // Only this page opens windows, and only the slots asked of it.
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    m_page->setWindowSource([this] { return makeWindow(); });
    m_page->setWebChannel(m_channel.get());
    // Every page of the players shares this page's process.
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this, [this] { restartEngine(0); });
    m_view = std::make_unique<QWebEngineView>();
    m_view->setAttribute(Qt::WA_DontShowOnScreen);
    m_view->setPage(m_page.get());
    m_pingSerial = 0;
    m_pongSerial = 0;
    m_page->load(pageUrl);
}

PlayerHost::~PlayerHost() = default;

std::unique_ptr<WebPlayer> PlayerHost::openPlayer(PlayerOwner *owner, const QString &movieFile)
{
    const int slot = m_nextSlot++;
    QWidget *control = owner->playerWidget();
    m_slots[slot] = std::make_unique<Slot>(owner, stageFor(control->window()),
                                           movies::addressOf(movieFile).toString(QUrl::FullyEncoded),
                                           rendererFor(movieFile));
    watchGeometry(control);
    if (m_ready)
        askForSlot(slot);
    scheduleLayout();
    return std::make_unique<Handle>(this, slot);
}

int PlayerHost::stageFor(QWidget *window)
{
    for (const auto &[id, stage] : m_stages) {
        if (stage->window == window)
            return id;
    }
    const int id = m_nextStage++;
    m_stages[id] = std::make_unique<Stage>(window, newToken());
    window->installEventFilter(this);
    if (m_ready)
        askForStage(id);
    return id;
}

void PlayerHost::play(int slot, const QString &movieFile)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end())
        return;
    Slot &state = *found->second;
    state.url = movies::addressOf(movieFile).toString(QUrl::FullyEncoded);
    state.renderer = rendererFor(movieFile);
    ++state.movie;
    state.shown = false;
    if (m_failed.count(state.url)) {
        // The engine failed on this movie before: it shows nothing, as a
        // movie the engine cannot play does.
        state.url.clear();
        const int movie = state.movie;
        QMetaObject::invokeMethod(
            this,
            [this, slot, movie] {
                if (Slot *failed = liveSlot(slot, movie))
                    failed->owner->receiveFailure();
            },
            Qt::QueuedConnection);
    }
    if (m_holdTimer.isActive())
        m_held.insert(slot);
    else if (m_ready)
        Q_EMIT m_bridge->movieRequested(slot, state.url, state.movie, state.renderer);
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

void PlayerHost::takeKeyboard(int slot)
{
    if (m_focusedSlot == slot || !m_ready || !m_slots.count(slot))
        return;
    m_focusedSlot = slot;
    Q_EMIT m_bridge->slotFocused(slot);
}

void PlayerHost::sendKey(int slot, const QKeyEvent *event)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || !m_ready)
        return;
    const auto stage = m_stages.find(found->second->stage);
    QWidget *input = stage == m_stages.end() ? nullptr : viewInput(*stage->second);
    if (!input)
        return;
    takeKeyboard(slot);
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), event->text(), event->isAutoRepeat(),
                   event->count());
    QCoreApplication::sendEvent(input, &copy);
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
            Q_EMIT m_bridge->movieRequested(slot, found->second->url, found->second->movie,
                                              found->second->renderer);
    }
}

void PlayerHost::closeSlot(int slot)
{
    m_held.erase(slot);
    m_probation.erase(std::remove(m_probation.begin(), m_probation.end(), slot), m_probation.end());
    if (slot == m_probing)
        m_probationTimer.start(0);
    const auto found = m_slots.find(slot);
    if (found == m_slots.end())
        return;
    const int stage = found->second->stage;
    m_slots.erase(found);
    if (m_focusedSlot == slot)
        m_focusedSlot = 0;
    if (m_ready)
        Q_EMIT m_bridge->slotClosed(slot);
    const bool stageInUse = std::any_of(m_slots.begin(), m_slots.end(),
                                        [stage](const auto &entry) { return entry.second->stage == stage; });
    if (!stageInUse)
        closeStage(stage);
    else
        scheduleLayout();
}

void PlayerHost::closeStage(int stage)
{
    const auto found = m_stages.find(stage);
    if (found == m_stages.end())
        return;
    std::unique_ptr<Stage> closed = std::move(found->second);
    m_stages.erase(found);
    if (m_ready)
        Q_EMIT m_bridge->stageClosed(stage);
    if (closed->window)
        closed->window->removeEventFilter(this);
    // The view leaves the window now, whatever happens to the window next;
    // it and its page are deleted from the event loop.
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
    for (std::unique_ptr<QObject> &retired : m_retired)
        retired.reset();
    m_retired.clear();
}

void PlayerHost::onPageReady()
{
    if (m_ready)
        return;
    m_ready = true;
    for (const auto &[stage, state] : m_stages)
        askForStage(stage);
    for (const auto &[slot, state] : m_slots) {
        if (std::find(m_probation.begin(), m_probation.end(), slot) == m_probation.end())
            askForSlot(slot);
    }
    askForNextOnProbation();
}

void PlayerHost::restartEngine(int culprit)
{
    // From the event loop: the news may come from inside the page's own
    // signals. Several reports of one failure make one restart.
    if (culprit != 0)
        m_restartCulprit = culprit;
    if (m_restartPending)
        return;
    m_restartPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_restartPending = false;
            replaceEngine(std::exchange(m_restartCulprit, 0));
        },
        Qt::QueuedConnection);
}

void PlayerHost::replaceEngine(int culprit)
{
    // Whose failure it was, where the page could not tell: the movie let in
    // on trial last, or else the only one still on its way to its first
    // frame (a movie the engine fails on as it loads).
    if (culprit == 0 && m_lastAdmitted != 0 && m_sinceAdmitted.elapsed() < kFailingAgainMs)
        culprit = m_lastAdmitted;
    if (culprit == 0) {
        std::vector<int> loading;
        for (const auto &[id, slot] : m_slots) {
            if (!slot->url.isEmpty() && !slot->shown)
                loading.push_back(id);
        }
        if (loading.size() == 1)
            culprit = loading.front();
    }
    const bool failingAgain = m_lastFailure.isValid() && m_lastFailure.elapsed() < kFailingAgainMs;
    m_lastFailure.start();
    m_lastAdmitted = 0;
    m_probation.clear();
    m_probing = 0;
    m_probationTimer.stop();
    if (culprit != 0)
        leaveOut(culprit);
    else if (failingAgain) {
        for (const auto &[id, slot] : m_slots) {
            if (!slot->url.isEmpty())
                m_probation.push_back(id);
        }
    }
    retireEngine();
    startEngine();
}

void PlayerHost::leaveOut(int slot)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || found->second->url.isEmpty())
        return;
    Slot &state = *found->second;
    m_failed.insert(state.url);
    state.url.clear();
    if (state.widget)
        state.owner->receiveFailure();
}

void PlayerHost::retireEngine()
{
    m_ready = false;
    m_focusedSlot = 0;
    // The old page has nothing more to say to the host.
    if (m_channel)
        m_channel->deregisterObject(m_bridge.get());
    std::vector<std::unique_ptr<QObject>> views;
    std::vector<std::unique_ptr<QObject>> pages;
    for (const auto &[id, stage] : m_stages) {
        if (stage->view) {
            stage->view->hide();
            stage->view->setParent(nullptr);
            views.emplace_back(stage->view.data());
            stage->view = nullptr;
        }
        if (stage->page)
            pages.push_back(std::move(stage->page));
        // The new page's window for this stage will carry a new token.
        stage->token = newToken();
        stage->pressed = 0;
    }
    views.push_back(std::move(m_view));
    pages.push_back(std::move(m_page));
    for (std::unique_ptr<PlayerPage> &page : m_unclaimed)
        pages.push_back(std::move(page));
    m_unclaimed.clear();
    for (std::unique_ptr<QObject> &view : views)
        m_retired.push_back(std::move(view));
    for (std::unique_ptr<QObject> &page : pages)
        m_retired.push_back(std::move(page));
    m_retired.push_back(std::move(m_channel));
    for (const auto &[id, slot] : m_slots)
        slot->shown = false;
    QMetaObject::invokeMethod(this, &PlayerHost::purgeClosed, Qt::QueuedConnection);
}

void PlayerHost::askForNextOnProbation()
{
    m_probing = 0;
    while (m_ready && !m_probation.empty()) {
        const int slot = m_probation.front();
        m_probation.erase(m_probation.begin());
        if (!m_slots.count(slot))
            continue;
        m_probing = slot;
        m_lastAdmitted = slot;
        m_sinceAdmitted.start();
        askForSlot(slot);
        m_probationTimer.start(kProbationWaitMs);
        return;
    }
}

void PlayerHost::watchEngine()
{
    if (!m_page || m_restartPending)
        return;
    const qint64 pid = m_page->renderProcessPid();
    if (pid <= 0)
        return;
    // Ended, the process is noticed as ended and the engine replaced.
    if (residentMemory(pid) > kProcessMemory || (m_ready && m_pingSerial - m_pongSerial >= kMissedAnswers)) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        return;
    }
    if (m_ready)
        Q_EMIT m_bridge->pinged(++m_pingSerial);
}

void PlayerHost::askForStage(int stage)
{
    Q_EMIT m_bridge->stageRequested(stage,
                                    movies::stagePageUrl(m_stages.at(stage)->token).toString(QUrl::FullyEncoded));
}

void PlayerHost::askForSlot(int slot)
{
    Slot &state = *m_slots.at(slot);
    Q_EMIT m_bridge->slotRequested(slot, state.stage);
    if (!state.place.isEmpty())
        Q_EMIT m_bridge->slotPlaced(slot, state.place.x(), state.place.y(), state.place.width(),
                                    state.place.height());
    if (!state.onScreen)
        Q_EMIT m_bridge->slotShown(slot, false);
    Q_EMIT m_bridge->movieRequested(slot, state.url, state.movie, state.renderer);
}

QWebEnginePage *PlayerHost::makeWindow()
{
    // Whose window this is shows only in the address it goes to.
    auto page = std::make_unique<PlayerPage>(
        m_profile.get(), [this](PlayerPage *window, const QUrl &url) { return claimWindow(window, url); });
    page->setBackgroundColor(Qt::transparent);
    auto *channel = new QWebChannel(page.get());
    auto *own = new StageBridge(channel);
    channel->registerObject(QStringLiteral("stage"), own);
    connect(own, &StageBridge::commandReceived, this,
            [this](int stage, int slot, int movie, const QString &command, const QString &args) {
                Slot *found = liveSlot(slot, movie);
                if (found && found->stage == stage)
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
    const QString token = movies::stageToken(url);
    const auto stage = std::find_if(m_stages.begin(), m_stages.end(), [&token](const auto &entry) {
        return !token.isEmpty() && entry.second->token == token && !entry.second->page;
    });
    if (stage == m_stages.end()) {
        // Not a window the host asked for (or its window has gone): it is
        // refused and deleted from the event loop.
        m_refused.push_back(std::move(window));
        QMetaObject::invokeMethod(this, &PlayerHost::purgeClosed, Qt::QueuedConnection);
        return false;
    }
    window->findChild<StageBridge *>()->bind(stage->first);
    stage->second->page = std::move(window);
    // The view is made from the event loop, outside the engine's call.
    const int id = stage->first;
    QMetaObject::invokeMethod(this, [this, id] { showStage(id); }, Qt::QueuedConnection);
    return true;
}

void PlayerHost::showStage(int stage)
{
    const auto found = m_stages.find(stage);
    if (found == m_stages.end() || !found->second->window || found->second->view)
        return;
    Stage &state = *found->second;
    auto *view = new QWebEngineView(state.window);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    // The controls keep the focus: a press on a player gives it to the
    // control under it, whose keys are then sent on to the view.
    view->setFocusPolicy(Qt::NoFocus);
    view->installEventFilter(this);
    state.view = view;
    view->setPage(state.page.get());
    layOutStage(stage);
}

// The view takes input in a widget of its own, made as it shows.
QWidget *PlayerHost::viewInput(const Stage &stage) const
{
    return stage.view ? stage.view->focusProxy() : nullptr;
}

void PlayerHost::watchGeometry(QWidget *control)
{
    // Moving, resizing, showing or hiding the control or any widget it sits
    // in moves or cuts its place on the stage.
    for (QWidget *widget = control; widget && !widget->isWindow(); widget = widget->parentWidget())
        widget->installEventFilter(this);
}

void PlayerHost::scheduleLayout()
{
    if (m_layoutPending)
        return;
    m_layoutPending = true;
    QMetaObject::invokeMethod(this, &PlayerHost::layOut, Qt::QueuedConnection);
}

void PlayerHost::layOut()
{
    m_layoutPending = false;
    for (const auto &[stage, state] : m_stages)
        layOutStage(stage);
}

void PlayerHost::layOutStage(int stage)
{
    Stage &state = *m_stages.at(stage);
    QWidget *window = state.window;
    if (!window || !state.view)
        return;
    // Each control's rectangle in the window, and what of it can be seen:
    // the part inside every widget it sits in, when it is shown.
    struct Placed
    {
        Slot *slot;
        int id;
        QRect rect;
    };
    std::vector<Placed> placed;
    QRegion seen;
    for (const auto &[id, slot] : m_slots) {
        QWidget *control = slot->widget;
        if (slot->stage != stage || !control)
            continue;
        const QRect rect(control->mapTo(window, QPoint(0, 0)), control->size());
        placed.push_back({slot.get(), id, rect});
        if (!control->isVisibleTo(window))
            continue;
        QRect visible = rect;
        for (QWidget *outer = control->parentWidget(); outer && outer != window; outer = outer->parentWidget())
            visible &= QRect(outer->mapTo(window, QPoint(0, 0)), outer->size());
        seen += visible;
    }
    const QRect bounds = seen.boundingRect();
    if (bounds.isEmpty()) {
        state.view->hide();
        return;
    }
    state.view->setGeometry(bounds);
    state.view->setMask(seen.translated(-bounds.topLeft()));
    for (const Placed &entry : placed) {
        const QRect place = entry.rect.translated(-bounds.topLeft());
        if (place == entry.slot->place)
            continue;
        entry.slot->place = place;
        if (m_ready)
            Q_EMIT m_bridge->slotPlaced(entry.id, place.x(), place.y(), place.width(), place.height());
    }
    state.view->raise();
    state.view->show();
}

bool PlayerHost::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        watchViewInput(watched, static_cast<QChildEvent *>(event)->child());
        scheduleLayout(); // a new child of a window comes above the view
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        scheduleLayout();
        break;
    // The engine takes touch and tablet input as it comes, so Qt makes no
    // mouse events of a finger or a pen: they are routed as they are.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        routePointer(watched, event);
        break;
    default:
        break;
    }
    // The engine gets the input too: a movie's button sees its own press.
    return QObject::eventFilter(watched, event);
}

void PlayerHost::watchViewInput(QObject *parent, QObject *child)
{
    // The view's input widget, made as the view shows: its pointer input is
    // routed to the controls, and it takes no focus of its own either.
    const bool ofView = std::any_of(m_stages.begin(), m_stages.end(),
                                    [parent](const auto &entry) { return entry.second->view == parent; });
    if (!ofView || !child || !child->isWidgetType())
        return;
    child->installEventFilter(this);
    // Queued: the widget sets its own policy after it is added.
    QPointer<QWidget> input = static_cast<QWidget *>(child);
    QMetaObject::invokeMethod(
        this,
        [input] {
            if (input)
                input->setFocusPolicy(Qt::NoFocus);
        },
        Qt::QueuedConnection);
}

void PlayerHost::routePointer(QObject *watched, QEvent *event)
{
    // A person's press on a player, with a mouse, a finger or a pen, is the
    // control's; the release goes where the press went.
    const auto stage = std::find_if(m_stages.begin(), m_stages.end(), [watched, this](const auto &entry) {
        return entry.second->view && watched == viewInput(*entry.second);
    });
    if (stage == m_stages.end() || !event->spontaneous())
        return;
    Stage &state = *stage->second;
    // A cancelled touch (the system took it for a gesture of its own) was
    // never a click.
    if (event->type() == QEvent::TouchCancel) {
        state.pressed = 0;
        return;
    }
    const bool release = event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::TouchEnd
                         || event->type() == QEvent::TabletRelease;
    int target = 0;
    if (release) {
        target = std::exchange(state.pressed, 0);
    } else {
        // The first finger down is the one that presses.
        const QList<QEventPoint> &points = static_cast<const QPointerEvent *>(event)->points();
        if (points.isEmpty())
            return;
        const QPoint at = points.constFirst().position().toPoint();
        for (const auto &[id, slot] : m_slots) {
            if (slot->stage == stage->first && slot->widget && slot->widget->isVisible() && slot->place.contains(at))
                target = id;
        }
        state.pressed = target;
    }
    const auto found = m_slots.find(target);
    if (found == m_slots.end() || !found->second->widget)
        return;
    if (!release)
        takeKeyboard(target);
    found->second->owner->receivePersonsInput(event);
}

PlayerHost::Slot *PlayerHost::liveSlot(int slot, int movie)
{
    const auto found = m_slots.find(slot);
    if (found == m_slots.end() || found->second->movie != movie || !found->second->widget)
        return nullptr;
    return found->second.get();
}
