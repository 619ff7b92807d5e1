#include "flashbridge.h"

FlashBridge::FlashBridge(QObject *parent) : QObject(parent) {}

void FlashBridge::requestMovie(const QString &url)
{
    m_url = url;
    if (m_ready)
        Q_EMIT movieRequested(url);
}

void FlashBridge::ready()
{
    m_ready = true;
    Q_EMIT movieRequested(m_url);
}

void FlashBridge::fsCommand(const QString &command, const QString &args)
{
    Q_EMIT commandReceived(command, args);
}

void FlashBridge::firstFrame(const QString &url)
{
    if (url == m_url)
        Q_EMIT firstFrameShown(url);
}
