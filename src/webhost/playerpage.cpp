#include "playerpage.h"

#include <QLoggingCategory>

// The players' console: off unless asked for with
// QT_LOGGING_RULES="apostilas.players.console.debug=true".
Q_LOGGING_CATEGORY(lcPlayersConsole, "apostilas.players.console", QtInfoMsg)

PlayerPage::PlayerPage(QWebEngineProfile *profile, const QUrl &ownUrl, QObject *parent)
    : QWebEnginePage(profile, parent), m_ownUrl(ownUrl)
{
}

PlayerPage::PlayerPage(QWebEngineProfile *profile, Claim claim, QObject *parent)
    : QWebEnginePage(profile, parent), m_claim(std::move(claim))
{
}

bool PlayerPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    if (!isMainFrame)
        return true;
    if (m_ownUrl.isEmpty() && m_claim) {
        // Asked once: whatever the answer, the window never navigates again.
        const Claim claim = std::move(m_claim);
        m_claim = nullptr;
        if (!claim(this, url))
            return false;
        m_ownUrl = url;
        return true;
    }
    // getURL() in a movie must not take the page away from the players.
    return url == m_ownUrl;
}

QWebEnginePage *PlayerPage::createWindow(WebWindowType)
{
    return m_windowSource ? m_windowSource() : nullptr;
}

void PlayerPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                          int lineNumber, const QString &sourceID)
{
    qCDebug(lcPlayersConsole, "%s:%d: %s", qUtf8Printable(sourceID), lineNumber, qUtf8Printable(message));
}
