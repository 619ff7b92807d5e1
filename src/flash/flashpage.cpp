#include "flashpage.h"

#include <QLoggingCategory>

// The players' console: off unless asked for with
// QT_LOGGING_RULES="apostilas.players.console.debug=true".
Q_LOGGING_CATEGORY(lcPlayersConsole, "apostilas.players.console", QtInfoMsg)

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

void FlashPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                         int lineNumber, const QString &sourceID)
{
    qCDebug(lcPlayersConsole, "%s:%d: %s", qUtf8Printable(sourceID), lineNumber, qUtf8Printable(message));
}
