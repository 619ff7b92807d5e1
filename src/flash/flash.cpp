#include "flash.h"

#include "contentpath.h"
#include "movieheader.h"
#include "webloader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>

TShockwaveFlash::TShockwaveFlash(QWidget *parent) : QWidget(parent)
{
    // Fails here, at the window's creation, when the engine's files are missing.
    WebLoader::checkInstalled();
    setFocusPolicy(Qt::StrongFocus);
    connect(qApp, &QApplication::focusChanged, this, &TShockwaveFlash::onFocusChanged);
}

TShockwaveFlash::~TShockwaveFlash() = default;

void TShockwaveFlash::paintEvent(QPaintEvent *)
{
    if (m_playerRequested)
        return;
    m_playerRequested = true;
    QTimer::singleShot(0, this, &TShockwaveFlash::openPlayer);
}

void TShockwaveFlash::openPlayer()
{
    // Without the library the control stays blank; the loader told the
    // person why and ends the program.
    if (WebLibrary *library = WebLoader::library(WebLoader::OnFailure::EndProgram)) {
        m_player = library->openPlayer(this, m_file);
        watchWindow();
        if (!m_onScreen)
            m_player->setOnScreen(false);
    }
}

void TShockwaveFlash::watchWindow()
{
    // The window's state changes reach its widget; whether it is exposed
    // (not minimised, not entirely covered where the display server says
    // so) reaches its window handle.
    QWidget *top = window();
    if (top && top->windowHandle() && m_watchedWindow != top->windowHandle()) {
        top->installEventFilter(this);
        top->windowHandle()->installEventFilter(this);
        m_watchedWindow = top->windowHandle();
    }
    updateOnScreen();
}

void TShockwaveFlash::updateOnScreen()
{
    const QWidget *top = window();
    const QWindow *handle = top ? top->windowHandle() : nullptr;
    const bool onScreen = isVisible() && handle && handle->isExposed() && !(top->windowState() & Qt::WindowMinimized);
    if (onScreen == m_onScreen)
        return;
    m_onScreen = onScreen;
    if (m_player)
        m_player->setOnScreen(onScreen);
}

void TShockwaveFlash::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateOnScreen();
}

void TShockwaveFlash::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateOnScreen();
}

namespace {

enum class PersonsInput { Press, Release, Other };

// A mouse button, a finger on a touch screen and a pen on a whiteboard all
// press the control, and so do Space and Return (Enter) while it has the
// focus, as they press a focused button. Every other key moves the focus,
// leaves or only modifies the next key: it presses nothing, nor do its
// release and its repeats.
PersonsInput kindOf(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return PersonsInput::Press;
    case QEvent::MouseButtonRelease:
    case QEvent::TouchEnd:
    case QEvent::TabletRelease:
        return PersonsInput::Release;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const int key = static_cast<const QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)
            return PersonsInput::Other;
        return event->type() == QEvent::KeyPress ? PersonsInput::Press : PersonsInput::Release;
    }
    default:
        return PersonsInput::Other;
    }
}

} // namespace

void TShockwaveFlash::receivePersonsInput(const QEvent *event)
{
    // A press on the player is a press on the control: it takes the focus.
    if (kindOf(event) == PersonsInput::Press)
        setFocus(Qt::MouseFocusReason);
    notePersonsInput(event);
}

void TShockwaveFlash::keyPressEvent(QKeyEvent *event)
{
    notePersonsInput(event);
    if (m_player)
        m_player->sendKey(event);
}

void TShockwaveFlash::keyReleaseEvent(QKeyEvent *event)
{
    notePersonsInput(event);
    if (m_player)
        m_player->sendKey(event);
}

void TShockwaveFlash::notePersonsInput(const QEvent *event)
{
    // Only input from the window system: nothing a page or the program
    // posts itself.
    if (!event->spontaneous())
        return;
    // A button sends its command as it is released, which may come long
    // after the press: the release of a press keeps it fresh.
    const PersonsInput kind = kindOf(event);
    if (kind == PersonsInput::Press || (kind == PersonsInput::Release && m_lastPress.isValid()))
        m_lastPress.start();
}

bool TShockwaveFlash::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::Expose || event->type() == QEvent::WindowStateChange) && m_player)
        QMetaObject::invokeMethod(this, &TShockwaveFlash::updateOnScreen, Qt::QueuedConnection);
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
    // A folder (the configuration folder alone) or anything that is not a
    // movie file of the tree blanks the control.
    const QString tree = WebLoader::contentTree();
    m_file = tree.isEmpty() ? QString() : content::playableMovie(content::toLocalPath(path), tree);
    m_showing = false;
    ++m_movieSerial;
    if (m_player)
        m_player->play(m_file);
    Q_EMIT movieRequested(m_file);
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

void TShockwaveFlash::receiveFirstFrame()
{
    if (m_showing)
        return;
    m_showing = true;
    Q_EMIT firstFrameShown();
}

void TShockwaveFlash::receiveFailure()
{
    m_showing = false;
    Q_EMIT movieFailed();
}

void TShockwaveFlash::onFocusChanged(QWidget *old, QWidget *now)
{
    const auto inside = [this](QWidget *widget) {
        return widget && (widget == this || isAncestorOf(widget));
    };
    if (inside(now) && !inside(old)) {
        if (m_player)
            m_player->takeKeyboard();
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT OnEnter(this); }, Qt::QueuedConnection);
    }
}
