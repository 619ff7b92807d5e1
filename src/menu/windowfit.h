#pragma once

// Keeps a fixed-size window whole on the screen. The window manager puts a
// frame (title bar, borders) round the window, which Qt learns only once the
// window is mapped; frameExtents() asks the manager beforehand, through
// _NET_REQUEST_FRAME_EXTENTS on a window of its own that is never shown.
// fittingScale() says at what scale a client area and that frame fit the
// screen's available area (never larger than asked for), and placeCentred()
// puts a window's frame in the middle of that area, never above or left of
// it. Sizes of the display are in its own pixels; the window's in Qt's.

#include <QMargins>
#include <QSize>

#include <optional>

class QWidget;

namespace windowfit {

// The frame the window manager puts round a normal window, in the
// display's pixels; none without an X11 manager that says.
std::optional<QMargins> frameExtents();

// The largest scale at or below requested at which client, with the frame
// round it, fits available (both in the display's pixels but client, which
// is in the window's own pixels).
double fittingScale(QSize client, double requested, QSize available, QMargins frame);

// The scale factor (QT_SCALE_FACTOR) to start the application with so that
// a window of the given client size fits the primary screen, or none when it
// fits as it is. Needs the application object.
std::optional<double> scaleFactorToFit(QSize client);

// Moves a top-level window (not yet shown) so that its frame is centred on
// its screen's available area.
void placeCentred(QWidget *window);

// The same once the window's size is settled, as it is about to be mapped
// (a message box sizes itself to its text as it shows).
void centreWhenShown(QWidget *window);

} // namespace windowfit
