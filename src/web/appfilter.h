#pragma once

class QObject;

// The application-wide key filter slot: at most one filter object watches
// every event of the application. Installing one removes the one before; the
// web viewer saves what it finds and puts it back when it deactivates.
namespace appfilter {

QObject *current();
void install(QObject *filter);

} // namespace appfilter
