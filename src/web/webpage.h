#pragma once

#include <QWebEnginePage>

// The viewer's page: a request for a new window (a link with a target, a
// script's window.open) is refused and the page stays as it is. The pages'
// console messages go to a logging category that is off by default.
class WebPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPage)

public:
    explicit WebPage(QWebEngineProfile *profile, QObject *parent = nullptr);

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
};
