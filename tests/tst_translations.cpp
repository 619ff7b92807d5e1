// Qt's own texts in Portuguese under any system locale. Runs on Qt's
// offscreen platform: no display needed.
#include "translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <QTest>

class TestTranslations final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dialogButtons_data();
    void dialogButtons();
    void defaultLocale();
};

void TestTranslations::initTestCase()
{
    QCOMPARE(content::installPortugueseTranslations().value(0), QStringLiteral("qtbase"));
}

void TestTranslations::dialogButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << "&Cancelar";
    QTest::newRow("Yes") << int(QDialogButtonBox::Yes) << "&Sim";
    QTest::newRow("No") << int(QDialogButtonBox::No) << "&Não";
    QTest::newRow("Open") << int(QDialogButtonBox::Open) << "&Abrir";
    QTest::newRow("Save") << int(QDialogButtonBox::Save) << "&Salvar";
}

void TestTranslations::dialogButtons()
{
    QFETCH(int, button);
    QFETCH(QString, text);
    QDialogButtonBox box{QDialogButtonBox::StandardButtons(button)};
    QCOMPARE(box.button(QDialogButtonBox::StandardButton(button))->text().remove(QLatin1Char('&')),
             QString(text).remove(QLatin1Char('&')));
}

void TestTranslations::defaultLocale()
{
    QCOMPARE(QLocale().name(), QStringLiteral("pt_BR"));
    QCOMPARE(QLocale().dayName(1), QStringLiteral("segunda-feira"));
}

int main(int argc, char **argv)
{
    // The system's locale is English; the program's texts must not be.
    qputenv("LANG", "C.UTF-8");
    qunsetenv("LC_ALL");
    qunsetenv("LANGUAGE");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
