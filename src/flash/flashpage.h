#pragma once

#include <QUrl>
#include <QWebEnginePage>

// The host page of one animation control: it stays on its own address,
// opens no windows and keeps the movie's console chatter to itself.
class FlashPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashPage)

public:
    FlashPage(QWebEngineProfile *profile, const QUrl &hostUrl, QObject *parent = nullptr);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    QUrl m_hostUrl;
};
