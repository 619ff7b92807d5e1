#pragma once

#include <QUrl>
#include <QWebEnginePage>

#include <functional>

// A page of the animation players: it stays on its own address and sends
// the movies' console chatter to a logging category that is off by default.
// It opens a window only through its window source (the engine's page
// opening a control's slot); without one, or when the source has nothing
// waiting, no window opens.
class FlashPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashPage)

public:
    FlashPage(QWebEngineProfile *profile, const QUrl &ownUrl, QObject *parent = nullptr);

    using WindowSource = std::function<QWebEnginePage *()>;
    void setWindowSource(WindowSource source) { m_windowSource = std::move(source); }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    QUrl m_ownUrl;
    WindowSource m_windowSource;
};
