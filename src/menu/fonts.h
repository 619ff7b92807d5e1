#pragma once

// The form's faces are Windows fonts; each is mapped to a face Debian ships
// with close metrics. Call once the application object exists.
void installFontSubstitutes();

// Reads the font configuration ahead of the window, on another thread
// (see Preloader); the result is shared by all threads.
void preloadFontConfiguration();
