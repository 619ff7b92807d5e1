#include "flashbridge.h"

FlashBridge::FlashBridge(QObject *parent) : QObject(parent) {}

void FlashBridge::ready()
{
    Q_EMIT pageReady();
}

void FlashBridge::movieFailed(int slot, const QString &url)
{
    Q_EMIT movieFailedReceived(slot, url);
}

SlotBridge::SlotBridge(int slot, QObject *parent) : QObject(parent), m_slot(slot) {}

void SlotBridge::fsCommand(int movie, const QString &command, const QString &args)
{
    Q_EMIT commandReceived(m_slot, movie, command, args);
}

void FlashBridge::firstFrame(int slot, const QString &url)
{
    Q_EMIT firstFrameShown(slot, url);
}
