#include "windowfit.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QEvent>

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace windowfit {

namespace {

// A window manager answers at once; one that lists the request and never
// answers costs this much once.
constexpr int kAnswerMs = 1000;

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool managerSupports(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t wanted)
{
    const xcb_atom_t supported = atom(connection, "_NET_SUPPORTED");
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr),
        &std::free);
    if (!reply || reply->format != 32)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(atoms, atoms + count, wanted) != atoms + count;
}

std::optional<QMargins> readExtents(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t extents)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr),
        &std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto *value = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
    // left, right, top, bottom
    return QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
}

std::optional<QMargins> askManager()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") && !qEnvironmentVariableIsSet("DISPLAY"))
        return std::nullopt;
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owned(xcb_connect(nullptr, &screenNumber),
                                                                        &xcb_disconnect);
    xcb_connection_t *connection = owned.get();
    if (xcb_connection_has_error(connection))
        return std::nullopt;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return std::nullopt;
    const xcb_window_t root = screens.data->root;
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    if (!managerSupports(connection, root, request))
        return std::nullopt;

    // A normal, titled window like the menu's, never mapped.
    const xcb_window_t probe = xcb_generate_id(connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 790, 536, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screens.data->root_visual, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t type = atom(connection, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t normal = atom(connection, "_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, probe, type, XCB_ATOM_ATOM, 32, 1, &normal);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = probe;
    message.type = request;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);

    std::optional<QMargins> found;
    pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
    bool answered = false;
    while (!answered) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto *notify = reinterpret_cast<xcb_property_notify_event_t *>(event);
                answered = answered || (notify->window == probe && notify->atom == extents);
            }
            std::free(event);
        }
        if (answered || xcb_connection_has_error(connection) || ::poll(&watched, 1, kAnswerMs) <= 0)
            break;
    }
    if (answered)
        found = readExtents(connection, probe, extents);
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    return found;
}

} // namespace

std::optional<QMargins> frameExtents()
{
    // Asked once: every titled window of the program gets the same frame.
    static const std::optional<QMargins> extents = askManager();
    return extents;
}

double fittingScale(QSize client, double requested, QSize available, QMargins frame)
{
    const double across = double(available.width() - frame.left() - frame.right()) / client.width();
    const double down = double(available.height() - frame.top() - frame.bottom()) / client.height();
    const double fits = std::min(across, down);
    if (requested <= fits)
        return requested;
    // Down to a thousandth, so that rounding never takes the window a pixel
    // past the screen.
    return std::max(0.1, std::floor(fits * 1000.0) / 1000.0);
}

std::optional<double> scaleFactorToFit(QSize client)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const double ratio = screen->devicePixelRatio();
    const QRect available = screen->availableGeometry();
    const QSize pixels(int(std::floor(available.width() * ratio)), int(std::floor(available.height() * ratio)));
    const double scale = fittingScale(client, ratio, pixels, frameExtents().value_or(QMargins()));
    if (scale >= ratio)
        return std::nullopt;
    // QT_SCALE_FACTOR multiplies what the screen asks for (Xft.dpi).
    bool given = false;
    double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&given);
    if (!given || factor <= 0)
        factor = 1.0;
    return factor * scale / ratio;
}

void placeCentred(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Worked out in the display's pixels, where the frame's are whole.
    const double ratio = screen->devicePixelRatio();
    const QMargins frame = frameExtents().value_or(QMargins());
    const QRect available = screen->availableGeometry();
    const double width = window->width() * ratio + frame.left() + frame.right();
    const double height = window->height() * ratio + frame.top() + frame.bottom();
    const double x = std::max(0.0, (available.width() * ratio - width) / 2) + frame.left();
    const double y = std::max(0.0, (available.height() * ratio - height) / 2) + frame.top();
    // The client's place, with the frame round it: the manager keeps the
    // client where it is asked to be.
    const QPoint client = available.topLeft() + QPoint(int(std::lround(x / ratio)), int(std::lround(y / ratio)));
    window->setGeometry(QRect(client, window->size()));
}

namespace {

// The window's handle hears of the show after the widget has handled its
// own, and before the display server is asked to map it.
class CentreOnShow final : public QObject
{
public:
    explicit CentreOnShow(QWidget *window) : QObject(window), m_window(window) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            placeCentred(m_window);
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
};

} // namespace

void centreWhenShown(QWidget *window)
{
    window->winId();
    window->windowHandle()->installEventFilter(new CentreOnShow(window));
}

} // namespace windowfit
