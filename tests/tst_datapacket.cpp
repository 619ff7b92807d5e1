// The data packet reader and the client dataset on packets written the way
// Windows database programs write them, and the copy pass over real trees.
#include "clientdataset.h"
#include "copypass.h"
#include "datapacket.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kHeader = "<?xml version=\"1.0\" standalone=\"yes\"?>";

QByteArray packet(const QByteArray &fields, const QByteArray &rows, const QByteArray &header = kHeader)
{
    return header + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields
        + "</FIELDS><PARAMS/></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

const QByteArray kCatalogFields =
    "<FIELD attrname=\"cod_360\" fieldtype=\"r8\"/>"
    "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
    "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>";

QStringList column(catalog::DataPacket &reader, const QString &field)
{
    QStringList values;
    const int index = reader.fieldIndex(field);
    for (int i = 0; i < reader.recordCount(); ++i)
        values << reader.value(i, index);
    return values;
}

// Opens the catalog in a child process running as "nobody"; returns the
// error text it got, or "opened".
QString openAsNobody(const QString &contentPath)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        QByteArray result = "opened";
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            result = "setuid failed";
        } else {
            catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
            dataset.setFileName(contentPath);
            try {
                dataset.open();
            } catch (const catalog::DataSetError &error) {
                result = error.what();
            }
        }
        const ssize_t written = ::write(channel[1], result.constData(), static_cast<size_t>(result.size()));
        ::_exit(written == result.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray received;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        received.append(buffer, got);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(received);
}

} // namespace

class TestDataPacket final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsValues_data();
    void readsValues();
    void rowStateDecidesVisibility();
    void fieldNamesIgnoreCase();
    void nestedRowsAreSkipped();
    void rejectsWithPlace_data();
    void rejectsWithPlace();
    void hostileShapes_data();
    void hostileShapes();
    void datasetMessages_data();
    void datasetMessages();
    void copyPass();
    void copyPassFieldErrors_data();
    void copyPassFieldErrors();
};

void TestDataPacket::readsValues_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("values");
    const QByteArray field = "<FIELD attrname=\"disciplina\" fieldtype=\"string\" WIDTH=\"60\"/>";
    const QByteArray uni = "<FIELD attrname=\"disciplina\" fieldtype=\"string.uni\" WIDTH=\"120\"/>";
    QTest::newRow("windows-1252 bytes")
        << packet(field, "<ROW disciplina=\"Matem\xE1tica\"/><ROW disciplina=\"Ci\xEAncias \x80 \x93x\x94\"/>")
        << QStringList{QStringLiteral("Matemática"), QStringLiteral("Ciências € “x”")};
    QTest::newRow("utf-8 declared")
        << packet(field, "<ROW disciplina=\"Matem\xC3\xA1tica\"/>",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>")
        << QStringList{QStringLiteral("Matemática")};
    QTest::newRow("utf-8 byte-order mark")
        << packet(field, "<ROW disciplina=\"Hist\xC3\xB3ria\"/>", "\xEF\xBB\xBF" + kHeader)
        << QStringList{QStringLiteral("História")};
    QTest::newRow("declared utf-8 but windows bytes")
        << packet(field, "<ROW disciplina=\"Matem\xE1tica\"/>",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>")
        << QStringList{QStringLiteral("Matemática")};
    QTest::newRow("references and surrogate pair")
        << packet(uni, "<ROW disciplina=\"Matem&#225;tica &#55357;&#56832;\"/>")
        << QStringList{QStringLiteral("Matemática ") + QString::fromUcs4(U"\U0001F600")};
    QTest::newRow("lone surrogate")
        << packet(uni, "<ROW disciplina=\"a&#55357;b\"/>")
        << QStringList{QStringLiteral("a\uFFFDb")};
    QTest::newRow("backslashes and escapes")
        << packet(field, "<ROW disciplina=\"&#092;escolas&#092;norte &lt;&gt;&quot;&amp;&apos;&#013;&#010;&#009;\"/>")
        << QStringList{QStringLiteral("\\escolas\\norte <>\"&'\r\n\t")};
    QTest::newRow("null value") << packet(field, "<ROW/><ROW disciplina=\"\"/>")
                                << QStringList{QString(), QString()};
    QTest::newRow("no records") << packet(field, "") << QStringList();
}

void TestDataPacket::readsValues()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, values);
    catalog::DataPacket reader;
    reader.parse(file);
    QCOMPARE(column(reader, QStringLiteral("disciplina")), values);
}

void TestDataPacket::rowStateDecidesVisibility()
{
    catalog::DataPacket reader;
    reader.parse(packet("<FIELD attrname=\"n\" fieldtype=\"i4\"/>",
                        "<ROW n=\"1\"/>"
                        "<ROW RowState=\"4\" n=\"2\"/>"   // inserted
                        "<ROW RowState=\"1\" n=\"3\"/>"   // old image
                        "<ROW RowState=\"8\" n=\"4\"/>"   // new image
                        "<ROW RowState=\"2\" n=\"5\"/>"   // deleted
                        "<ROW RowState=\"6\" n=\"6\"/>"   // inserted then deleted
                        "<ROW RowState=\"64\" n=\"7\"/>"  // nested change
                        "<ROW RowState=\"32\" n=\"8\"/>"
                        "<ROW RowState=\"12\" n=\"9\"/>"));
    QCOMPARE(column(reader, QStringLiteral("n")),
             (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"),
                          QStringLiteral("7"), QStringLiteral("9")}));
}

void TestDataPacket::fieldNamesIgnoreCase()
{
    catalog::DataPacket reader;
    reader.parse(packet(kCatalogFields, "<ROW TEM_XML=\"S\" caminho2=\"a\"/>"));
    QCOMPARE(reader.fieldIndex(QStringLiteral("tem_xml")), 1);
    QCOMPARE(reader.fieldIndex(QStringLiteral("CAMINHO2")), 2);
    QCOMPARE(reader.fieldIndex(QStringLiteral("caminho")), -1);
}

void TestDataPacket::nestedRowsAreSkipped()
{
    catalog::DataPacket reader;
    reader.parse(packet("<FIELD attrname=\"a\" fieldtype=\"string\"/>"
                        "<FIELD attrname=\"itens\" fieldtype=\"nested\"><FIELDS>"
                        "<FIELD attrname=\"b\" fieldtype=\"string\"/></FIELDS></FIELD>",
                        "<ROW a=\"1\"><itens><ROWitens b=\"x\"/></itens></ROW><ROW a=\"2\"/>"));
    QCOMPARE(reader.fieldNames(), (QStringList{QStringLiteral("a"), QStringLiteral("itens")}));
    QCOMPARE(column(reader, QStringLiteral("a")), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

void TestDataPacket::rejectsWithPlace_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("unclosed tag")
        << QByteArray("<?xml version=\"1.0\"?>\n<DATAPACKET>\n  <METADATA><FIELDS></FIELDS>\n  <ROWDATA><ROW a=\"1\"</ROWDATA>")
        << QStringLiteral("O catálogo não é um pacote de dados válido: marca de abertura malformada (linha 4, coluna 22).");
    QTest::newRow("mismatched end")
        << QByteArray("<DATAPACKET><METADATA></DATA></DATAPACKET>")
        << QStringLiteral("O catálogo não é um pacote de dados válido: marca de fechamento não corresponde "
                          "à de abertura (linha 1, coluna 25).");
    QTest::newRow("not a packet") << QByteArray("<html><body/></html>")
                                  << QStringLiteral("O catálogo não é um pacote de dados válido: falta o "
                                                    "elemento DATAPACKET.");
    QTest::newRow("no fields") << QByteArray("<DATAPACKET><ROWDATA/></DATAPACKET>")
                               << QStringLiteral("O catálogo não é um pacote de dados válido: falta a lista "
                                                 "de campos (METADATA/FIELDS).");
    QTest::newRow("empty file") << QByteArray()
                                << QStringLiteral("O catálogo não é um pacote de dados válido: o arquivo "
                                                  "não contém nenhum elemento (linha 1, coluna 1).");
    QTest::newRow("text only") << QByteArray("ROW ROW ROW")
                               << QStringLiteral("O catálogo não é um pacote de dados válido: o arquivo "
                                                 "não contém nenhum elemento (linha 1, coluna 12).");
}

void TestDataPacket::rejectsWithPlace()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    catalog::DataPacket reader;
    try {
        reader.parse(file);
        QFAIL("accepted a broken packet");
    } catch (const catalog::PacketError &error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
}

void TestDataPacket::hostileShapes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("records");
    const QByteArray field = "<FIELD attrname=\"a\" fieldtype=\"string\"/>";
    QTest::newRow("deep nesting in a row")
        << packet(field, "<ROW a=\"1\">" + QByteArray("<x>").repeated(200000)
                             + QByteArray("</x>").repeated(200000) + "</ROW>")
        << 1;
    QTest::newRow("deep nesting unclosed") << QByteArray("<DATAPACKET>" + QByteArray("<x>").repeated(200000)) << -1;
    QTest::newRow("huge attribute")
        << packet(field, "<ROW a=\"" + QByteArray(20 * 1024 * 1024, 'S') + "\"/>") << 1;
    QTest::newRow("many references")
        << packet(field, "<ROW a=\"" + QByteArray("&#55357;&#56832;").repeated(100000) + "\"/>") << 1;
}

void TestDataPacket::hostileShapes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, records);
    catalog::DataPacket reader;
    try {
        reader.parse(file);
        QCOMPARE(reader.recordCount(), records);
        QVERIFY(!reader.value(0, 0).isEmpty());
    } catch (const catalog::PacketError &) {
        QCOMPARE(records, -1);
    }
}

void TestDataPacket::datasetMessages_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message"); // %1: the catalog's local path
    QTest::newRow("missing") << "missing" << "cdxtb: Missing data provider or data packet";
    QTest::newRow("empty") << "empty" << "cdxtb: Missing data provider or data packet";
    QTest::newRow("unreadable") << "unreadable" << "Cannot open file \"%1\". Permission denied";
    QTest::newRow("folder") << "folder" << "Cannot open file \"%1\". Is a directory";
}

void TestDataPacket::datasetMessages()
{
    QFETCH(QString, setup);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/config/educ1.xml");
    if (message.contains(QLatin1String("%1")))
        message = message.arg(path);
    QDir().mkpath(dir.path() + QStringLiteral("/config"));
    if (setup == QLatin1String("empty"))
        testing::writeFile(path, QByteArray());
    if (setup == QLatin1String("unreadable")) {
        testing::writeFile(path, packet(kCatalogFields, ""));
        QFile::setPermissions(path, QFileDevice::Permissions());
    }
    if (setup == QLatin1String("folder"))
        QDir().mkpath(path);
    const QString contentPath = dir.path() + QStringLiteral("\\config\\educ1.xml");
    if (setup == QLatin1String("unreadable") && ::geteuid() == 0) {
        // Root reads any file: try it as an ordinary user in a child.
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                              | QFile::ExeOther | QFile::ReadOther);
        QFile::setPermissions(dir.path() + QStringLiteral("/config"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                  | QFile::ExeOther | QFile::ReadOther);
        QCOMPARE(openAsNobody(contentPath), message);
        return;
    }
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(contentPath);
    try {
        dataset.open();
        QFAIL("opened");
    } catch (const catalog::DataSetError &error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    QVERIFY(!dataset.isOpen());
}

void TestDataPacket::copyPass()
{
    QTemporaryDir dir;
    const QString base = dir.path();
    testing::writeFile(base + QStringLiteral("/proj.exe"), "program");
    for (const char *folder : {"a", "b", "c", "d", "e", "Matemática"})
        QDir().mkpath(base + QStringLiteral("/escolas/") + QString::fromUtf8(folder));
    testing::writeFile(base + QStringLiteral("/escolas/b/proj.exe"), "keep");
    testing::writeFile(base + QStringLiteral("/config/educ1.xml"),
                       packet(kCatalogFields,
                              "<ROW cod_360=\"1\" TEM_XML=\"S\" caminho2=\"&#092;escolas&#092;a\"/>"
                              "<ROW cod_360=\"2\" TEM_XML=\"S\" caminho2=\"&#092;escolas&#092;b\"/>"
                              "<ROW cod_360=\"3\" TEM_XML=\"s\" caminho2=\"&#092;escolas&#092;c\"/>"
                              "<ROW cod_360=\"4\" TEM_XML=\"SS\" caminho2=\"&#092;escolas&#092;d\"/>"
                              "<ROW cod_360=\"5\" TEM_XML=\"S\" caminho2=\"\"/>"
                              "<ROW cod_360=\"6\" TEM_XML=\"S\" caminho2=\"&#092;ESCOLAS&#092;MATEM\xC1TICA\"/>"
                              "<ROW cod_360=\"7\" TEM_XML=\"S\" caminho2=\"&#092;nowhere\"/>"
                              "<ROW cod_360=\"8\" RowState=\"2\" TEM_XML=\"S\" caminho2=\"&#092;escolas&#092;e\"/>"));
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    const catalog::CopyResult result = catalog::copyMarkedRecords(dataset, base);
    QCOMPARE(result.marked, 5);
    QCOMPARE(result.copied, 2);
    const auto contents = [&](const char *relative) {
        QFile file(base + QLatin1Char('/') + QString::fromUtf8(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    };
    QCOMPARE(contents("escolas/a/proj.exe"), QByteArray("program"));
    QCOMPARE(contents("escolas/b/proj.exe"), QByteArray("keep"));
    QCOMPARE(contents("escolas/c/proj.exe"), QByteArray("<none>"));
    QCOMPARE(contents("escolas/d/proj.exe"), QByteArray("<none>"));
    QCOMPARE(contents("escolas/e/proj.exe"), QByteArray("<none>"));
    QCOMPARE(contents("escolas/Matemática/proj.exe"), QByteArray("program"));
    QCOMPARE(contents("proj.exe"), QByteArray("program"));
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/nowhere")));
}

void TestDataPacket::copyPassFieldErrors_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("no TEM_XML")
        << QByteArray("<FIELD attrname=\"caminho2\" fieldtype=\"string\"/>")
        << QByteArray("<ROW caminho2=\"x\"/>") << "cdxtb: Field 'TEM_XML' not found";
    QTest::newRow("no caminho2, a marked row")
        << QByteArray("<FIELD attrname=\"TEM_XML\" fieldtype=\"string\"/>")
        << QByteArray("<ROW TEM_XML=\"N\"/><ROW TEM_XML=\"S\"/>") << "cdxtb: Field 'caminho2' not found";
    QTest::newRow("no caminho2, nothing marked")
        << QByteArray("<FIELD attrname=\"TEM_XML\" fieldtype=\"string\"/>")
        << QByteArray("<ROW TEM_XML=\"N\"/>") << "";
    QTest::newRow("no fields, no records") << QByteArray() << QByteArray() << "";
}

void TestDataPacket::copyPassFieldErrors()
{
    QFETCH(QByteArray, fields);
    QFETCH(QByteArray, rows);
    QFETCH(QString, message);
    QTemporaryDir dir;
    testing::writeFile(dir.path() + QStringLiteral("/config/educ1.xml"), packet(fields, rows));
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(dir.path() + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    QString raised;
    try {
        catalog::copyMarkedRecords(dataset, dir.path());
    } catch (const catalog::DataSetError &error) {
        raised = QString::fromUtf8(error.what());
    }
    QCOMPARE(raised, message);
}

MENU_TEST_MAIN(TestDataPacket)
#include "tst_datapacket.moc"
