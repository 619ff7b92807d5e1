#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <map>
#include <set>

class FlashBridge;
class FlashPage;
class QWebChannel;
class QWebEnginePage;
class QWebEngineProfile;
class FlashSlotOwner;
class QWebEngineView;
class QWidget;

// The one page the engine runs in, shared by every animation control. It is
// never shown: each control on screen gets a slot, a window this page opens
// and the control shows, and the control's player lives in its slot's
// document while the engine's code and memory stay here, loaded once. The
// stage relays the controls' movies to the page and the page's notes back
// to the control they concern.
class FlashStage final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashStage)

public:
    FlashStage(QWebEngineProfile *profile, const QUrl &pageUrl, QObject *parent = nullptr);
    ~FlashStage() override;

    // A control is on screen: opens its slot, which will play url (empty
    // for none). The control gets a view of the slot's window through
    // FlashSlotOwner::adoptSlotView once the window exists.
    int openSlot(FlashSlotOwner *control, const QString &url);
    void play(int slot, const QString &url);
    void closeSlot(int slot);
    // The movies asked for in the next milliseconds wait until then: a
    // program the menu has just started gets the processor first.
    void holdBack(int milliseconds);

    // The address of a slot's window.
    static QUrl slotUrl(int slot);

private:
    struct Slot
    {
        FlashSlotOwner *control;
        // Guards control: the owner is this widget.
        QPointer<QWidget> widget;
        QString url;
        // The number of the movie asked for last; a command from any
        // earlier one (already on its way when it was replaced) is dropped.
        int movie = 1;
    };

    QWebEnginePage *makeWindow();
    void onPageReady();
    void askForWindow(int slot, const QString &url);
    void releaseHeld();
    void onCommand(int slot, int movie, const QString &command, const QString &args);
    void onFirstFrame(int slot, const QString &url);
    FlashSlotOwner *controlOf(int slot) const;

    QWebEngineProfile *m_profile;
    QWebEngineView *m_view = nullptr;
    FlashPage *m_page = nullptr;
    QWebChannel *m_channel = nullptr;
    FlashBridge *m_bridge = nullptr;
    std::map<int, Slot> m_slots;
    // Slots whose windows the page was asked to open, in that order.
    std::deque<int> m_windowsAsked;
    std::set<int> m_held;
    QTimer m_holdTimer;
    int m_nextSlot = 1;
    bool m_ready = false;
};
