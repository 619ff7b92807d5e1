// The year and level table as the collection's publisher describes it: for
// each of the fourteen buttons, the series code, the label, the preview and
// the manual it selects. The expected values are written out here, row by
// row, not read from the program's own table.
#include "selection.h"
#include "testsupport.h"

#include <QTest>

class TestSelection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyButtonsRow_data();
    void everyButtonsRow();
    void unknownButtonsSelectNoManual_data();
    void unknownButtonsSelectNoManual();
    void levelsComeBeforeYears();
};

void TestSelection::everyButtonsRow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("movie");
    QTest::addColumn<QString>("manual");
    const auto row = [](const char *button, const char *code, const char *caption, const char *movie,
                        const char *manual) {
        QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(code)
                              << QString::fromUtf8(caption) << QString::fromLatin1(movie)
                              << QString::fromLatin1(manual);
    };
    row("rbn11", "N1", "Nível I", "n1.swf", "\\manuais\\n1_1.PDF");
    row("rbn12", "N1", "Nível I", "n1.swf", "\\manuais\\n1_2.PDF");
    row("rbn13", "N1", "Nível I", "n1.swf", "\\manuais\\n1_3.PDF");
    row("rbn21", "N2", "Nível II", "n2.swf", "\\manuais\\n2_1.PDF");
    row("rbn22", "N2", "Nível II", "n2.swf", "\\manuais\\n2_2.PDF");
    // No separate II-3 and III-3 manuals: the II-2 and III-2 ones.
    row("rbn23", "N2", "Nível II", "n2.swf", "\\manuais\\n2_2.PDF");
    row("rbn31", "N3", "Nível III", "n3.swf", "\\manuais\\n3_1.PDF");
    row("rbn32", "N3", "Nível III", "n3.swf", "\\manuais\\n3_2.PDF");
    row("rbn33", "N3", "Nível III", "n3.swf", "\\manuais\\n3_2.PDF");
    row("rb1a", "1S", "1º Ano", "1ano.swf", "\\manuais\\1ano.PDF");
    row("rb2a", "2S", "2º Ano", "2ano.swf", "\\manuais\\2ano.PDF");
    row("rb3a", "3S", "3º Ano", "3ano.swf", "\\manuais\\3ano.PDF");
    row("rb4a", "4S", "4º Ano", "4ano.swf", "\\manuais\\4ano.PDF");
    row("rb5a", "5S", "5º Ano", "5ano.swf", "\\manuais\\5ano.PDF");
}

void TestSelection::everyButtonsRow()
{
    QFETCH(QString, button);
    QFETCH(QString, code);
    QFETCH(QString, caption);
    QFETCH(QString, movie);
    QFETCH(QString, manual);
    QCOMPARE(selection::manualFor(button), manual);
    const QByteArray name = button.toLatin1();
    const selection::Row *row = selection::rowFor(std::string_view(name.constData(), std::size_t(name.size())));
    QVERIFY(row);
    QCOMPARE(QString::fromLatin1(row->code), code);
    QCOMPARE(QString::fromUtf8(row->caption), caption);
    QCOMPARE(QString::fromLatin1(row->movie), movie);
    // The preview after an activation comes from the series code alone.
    QCOMPARE(selection::previewMovieFor(code), movie);
    QCOMPARE(selection::isLevelCode(code), button.startsWith(QLatin1String("rbn")));
}

void TestSelection::unknownButtonsSelectNoManual_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("content kind") << "rb1";
    QTest::newRow("no sub-level") << "rbn3";
    QTest::newRow("other case") << "RBN31";
    QTest::newRow("empty") << "";
}

void TestSelection::unknownButtonsSelectNoManual()
{
    QFETCH(QString, button);
    QCOMPARE(selection::manualFor(button), QString());
}

void TestSelection::levelsComeBeforeYears()
{
    // The activation reads the rows in this order.
    QStringList order;
    for (const selection::Row &row : selection::kRows)
        order << QString::fromLatin1(row.button.data(), qsizetype(row.button.size()));
    QCOMPARE(order, (QStringList{"rbn11", "rbn12", "rbn13", "rbn21", "rbn22", "rbn23", "rbn31", "rbn32",
                                 "rbn33", "rb1a", "rb2a", "rb3a", "rb4a", "rb5a"}));
    QCOMPARE(selection::previewMovieFor(QString()), QStringLiteral("ano.swf"));
}

MENU_UNIT_TEST_MAIN(TestSelection)
#include "tst_selection.moc"
