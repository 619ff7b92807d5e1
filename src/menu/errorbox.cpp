#include "errorbox.h"

#include "apptitle.h"

#include <QApplication>
#include <QMessageBox>

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showErrorBox(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Critical,
                    content::applicationTitle(QApplication::applicationFilePath()),
                    errorBoxText(message), QMessageBox::Ok, parent);
    box.exec();
}
