#include "flashpage.h"

FlashPage::FlashPage(QWebEngineProfile *profile, const QUrl &hostUrl, QObject *parent)
    : QWebEnginePage(profile, parent), m_hostUrl(hostUrl)
{
}

bool FlashPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    // getURL() in a movie must not take the page away from the player.
    return !isMainFrame || url == m_hostUrl;
}

QWebEnginePage *FlashPage::createWindow(WebWindowType)
{
    return nullptr;
}

void FlashPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                         const QString &)
{
}
