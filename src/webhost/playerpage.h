#pragma once

#include <QUrl>
#include <QWebEnginePage>

#include <functional>

// A page of the animation players. It stays on its own address, sends the
// movies' console chatter to a logging category that is off by default and
// opens a window only through its window source (the engine's page opening
// a window's stage). A stage's window learns its address from its first
// navigation, which its claim must accept: a window the host did not ask for
// goes nowhere.
class PlayerPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerPage)

public:
    // A page that stays on ownUrl.
    PlayerPage(QWebEngineProfile *profile, const QUrl &ownUrl, QObject *parent = nullptr);
    // A window whose first navigation is offered to claim; it stays on that
    // address when claim accepts it and goes nowhere otherwise.
    using Claim = std::function<bool(PlayerPage *page, const QUrl &url)>;
    PlayerPage(QWebEngineProfile *profile, Claim claim, QObject *parent = nullptr);

    using WindowSource = std::function<QWebEnginePage *()>;
    void setWindowSource(WindowSource source) { m_windowSource = std::move(source); }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    QUrl m_ownUrl;
    Claim m_claim;
    WindowSource m_windowSource;
};
