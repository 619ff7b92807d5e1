#include "webpage.h"

#include <QLoggingCategory>

// The publisher's pages' console: off unless asked for with
// QT_LOGGING_RULES="apostilas.viewer.console.debug=true".
Q_LOGGING_CATEGORY(lcViewerConsole, "apostilas.viewer.console", QtInfoMsg)

WebPage::WebPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent) {}

QWebEnginePage *WebPage::createWindow(WebWindowType)
{
    return nullptr;
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int lineNumber,
                                       const QString &sourceID)
{
    qCDebug(lcViewerConsole, "%s:%d: %s", qUtf8Printable(sourceID), lineNumber, qUtf8Printable(message));
}
