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

void PlayerBridge::engineFailed(int slot, int movie)
{
    Q_EMIT engineFailedReceived(slot, movie);
}

void PlayerBridge::pong(int serial)
{
    Q_EMIT pongReceived(serial);
}

StageBridge::StageBridge(QObject *parent) : QObject(parent) {}

void StageBridge::fsCommand(int slot, int movie, const QString &command, const QString &args)
{
    if (m_stage != 0)
        Q_EMIT commandReceived(m_stage, slot, movie, command, args);
}
