// The launcher's windows: Portuguese whatever the locale, and whole on a
// netbook's screen (ctest runs this under a 1024x600 Xvfb).

#include "helpermodes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QDir>
#include <QTest>

class TestHelperModes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        helpermodes::installQtPortuguese();
    }

    void messageFitsTheScreen_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("short") << QStringLiteral("Dê uma pasta só (a raiz da coleção).");
        QTest::newRow("long sentence")
            << QStringLiteral("A pasta \"/media/escola/DISCO\" não é uma coleção: falta a pasta config na raiz dela. "
                              "Abra a pasta principal do disco ou do pendrive da coleção. ")
                   .repeated(4);
        QTest::newRow("long path, no spaces")
            << QStringLiteral("A pasta \"/media/professora/") + QStringLiteral("COLECAO_APOSTILAS_2026/").repeated(8) +
                   QStringLiteral("\" não existe ou não é uma pasta.");
    }

    void messageFitsTheScreen()
    {
        QFETCH(QString, text);
        QScreen *screen = QGuiApplication::primaryScreen();
        const auto box = helpermodes::messageBox(text, screen);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        const QRect area = screen->availableGeometry();
        QVERIFY2(area.contains(box->frameGeometry()),
                 qPrintable(QStringLiteral("%1x%2 at %3,%4 on a %5x%6 screen")
                                .arg(box->frameGeometry().width())
                                .arg(box->frameGeometry().height())
                                .arg(box->frameGeometry().x())
                                .arg(box->frameGeometry().y())
                                .arg(area.width())
                                .arg(area.height())));
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->buttons().first()->text().remove(QLatin1Char('&')), QStringLiteral("Fechar"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Menu da coleção"));
    }

    void folderDialogSpeaksPortuguese()
    {
        const auto dialog = helpermodes::folderDialog(QDir::tempPath());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QStringList texts;
        for (const QPushButton *button : dialog->findChildren<QPushButton *>())
            texts << button->text().remove(QLatin1Char('&'));
        QVERIFY2(texts.contains(QStringLiteral("Cancelar")), qPrintable(texts.join(QLatin1Char(','))));
        QVERIFY2(texts.contains(QStringLiteral("Escolher")), qPrintable(texts.join(QLatin1Char(','))));
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(dialog->frameGeometry()));
    }
};

QTEST_MAIN(TestHelperModes)
#include "tst_helpermodes.moc"
