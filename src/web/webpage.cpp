#include "webpage.h"

WebPage::WebPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent) {}

QWebEnginePage *WebPage::createWindow(WebWindowType)
{
    Q_EMIT newWindowRefused();
    return nullptr;
}
