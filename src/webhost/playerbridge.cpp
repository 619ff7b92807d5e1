#include "playerbridge.h"

PlayerBridge::PlayerBridge(QObject *parent) : QObject(parent) {}

void PlayerBridge::ready()
{
    Q_EMIT pageReady();
}

void PlayerBridge::firstFrame(int slot, int movie)
{
    Q_EMIT firstFrameShown(slot, movie);
}

void PlayerBridge::movieFailed(int slot, int movie)
{
    Q_EMIT movieFailedReceived(slot, movie);
}

SlotBridge::SlotBridge(QObject *parent) : QObject(parent) {}

void SlotBridge::fsCommand(int movie, const QString &command, const QString &args)
{
    if (m_slot != 0)
        Q_EMIT commandReceived(m_slot, movie, command, args);
}
