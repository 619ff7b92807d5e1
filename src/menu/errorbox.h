#pragma once

#include <QString>

class QWidget;

// The application's standard error box: the error icon, the application's
// title, and the message with a full stop added when it does not end in one
// (or in a character that sorts before it).
QString errorBoxText(const QString &message);
void showErrorBox(QWidget *parent, const QString &message);
