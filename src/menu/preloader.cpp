#include "preloader.h"

#include "Main.h"
#include "fonts.h"

Preloader::Preloader()
    : m_thread([] {
          preloadFontConfiguration();
          TFRMmain::preloadArtwork();
      })
{
}

Preloader::~Preloader()
{
    m_thread.join();
}
