#pragma once

#include <thread>

// Reading the font configuration and decoding the background are a good
// part of what building the window costs, and neither needs the display. A
// second thread does both while the main thread connects to the display;
// the main thread finds the results ready, or waits for them. Destroy it
// once the window is built (before the application object goes).
//
// The thread starts before the application object and may still run as it
// is made: it makes no Qt object (no QFile, no QThread, nothing derived
// from QObject), or Qt would take it for the program's main thread.
class Preloader final
{
public:
    Preloader();
    ~Preloader();
    Preloader(const Preloader &) = delete;
    Preloader &operator=(const Preloader &) = delete;

private:
    std::thread m_thread;
};
