#pragma once

#include <thread>

// Reading the font configuration and decoding the background are a good
// part of what building the window costs, and neither needs the display. A
// second thread does both while the main thread connects to the display;
// the main thread finds the results ready, or waits for them. Destroy it
// once the window is built (before the application object goes).
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
