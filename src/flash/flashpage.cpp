#include "flashpage.h"

FlashPage::FlashPage(QWebEngineProfile *profile, const QUrl &ownUrl, QObject *parent)
    : QWebEnginePage(profile, parent), m_ownUrl(ownUrl)
{
}

bool FlashPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    // getURL() in a movie must not take the page away from the players.
    return !isMainFrame || url == m_ownUrl;
}

QWebEnginePage *FlashPage::createWindow(WebWindowType)
{
    return m_windowSource ? m_windowSource() : nullptr;
}

void FlashPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                         const QString &)
{
}
