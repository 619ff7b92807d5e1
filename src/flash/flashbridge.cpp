#include "flashbridge.h"

FlashBridge::FlashBridge(QObject *parent) : QObject(parent) {}

void FlashBridge::ready()
{
    Q_EMIT pageReady();
}

void FlashBridge::fsCommand(int slot, const QString &command, const QString &args)
{
    Q_EMIT commandReceived(slot, command, args);
}

void FlashBridge::firstFrame(int slot, const QString &url)
{
    Q_EMIT firstFrameShown(slot, url);
}
