// The data packet reader and the client dataset on packets written the way
// Windows database programs write them, and the copy pass over real trees.
#include "clientdataset.h"
#include "contentpath.h"
#include "copypass.h"
#include "datapacket.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const QByteArray kHeader = "<?xml version=\"1.0\" standalone=\"yes\"?>";

QByteArray packet(const QByteArray &fields, const QByteArray &rows, const QByteArray &header = kHeader)
{
    return header + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields
        + "</FIELDS><PARAMS/></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

// Records, each marked, with caminho2 as given (backslashes as they are:
// the engine's writer escapes them, a hand-made file need not).
QByteArray markedCatalog(const QByteArray &folder, int records)
{
    QByteArray rows;
    for (int i = 0; i < records; ++i)
        rows += "<ROW cod_360=\"" + QByteArray::number(i) + "\" TEM_XML=\"S\" caminho2=\"" + folder + "\"/>";
    return rows;
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
    void hostileFoldersCostBoundedWork_data();
    void hostileFoldersCostBoundedWork();
    void hugeFolderTextCostsBoundedMemory();
    void folderTextIsTakenAsStored_data();
    void folderTextIsTakenAsStored();
    void copyPassCopiesTheFileItOpened_data();
    void copyPassCopiesTheFileItOpened();
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

void TestDataPacket::hostileFoldersCostBoundedWork_data()
{
    // Beside the tree's root, "big" holds many files and a folder "s"; the
    // catalog's folders climb in and out of it. Every spelling of a folder
    // is the folder itself: listed once for the whole pass, however many
    // records and parts name it.
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("listings");  // folders listed for the whole plan
    QTest::addColumn<int>("tooLong");   // destinations taken as too long
    QTest::addColumn<int>("copied");
    // "big" is listed for "S", and for "proj.exe", which it lacks.
    QTest::newRow("climbing, within the system's limits")
        << "\\big" + QByteArray("\\S\\..").repeated(600) << 20 << 1 << 0 << 1;
    QTest::newRow("climbing, one record") << "\\big" + QByteArray("\\S\\..").repeated(600) << 1 << 1 << 0 << 1;
    // The root is listed for "BIG", and "big" for "proj.exe".
    QTest::newRow("climbing by another spelling of the root's folder")
        << QByteArray("\\BIG\\..").repeated(500) + "\\big" << 20 << 2 << 0 << 1;
    QTest::newRow("climbing past PATH_MAX")
        << "\\big" + QByteArray("\\S\\..").repeated(900) << 20 << 0 << 20 << 0;
    QTest::newRow("a name past NAME_MAX")
        << "\\big\\" + QByteArray(300, 'S') << 20 << 0 << 0 << 0;
}

void TestDataPacket::hostileFoldersCostBoundedWork()
{
    QFETCH(QByteArray, folder);
    QFETCH(int, records);
    QFETCH(int, listings);
    QFETCH(int, tooLong);
    QFETCH(int, copied);
    QTemporaryDir dir;
    const QString base = dir.path();
    testing::writeFile(base + QStringLiteral("/proj.exe"), "program");
    QVERIFY(QDir().mkpath(base + QStringLiteral("/big/s")));
    const int files = 1000;
    const QByteArray big = QFile::encodeName(base + QStringLiteral("/big/"));
    for (int i = 0; i < files; ++i) {
        const int fd = ::open((big + "f" + QByteArray::number(i) + ".swf").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    testing::writeFile(base + QStringLiteral("/config/educ1.xml"), packet(kCatalogFields, markedCatalog(folder, records)));
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();

    const content::LookupWork before = content::lookupWork();
    const catalog::CopyPlan plan = catalog::planCopies(dataset, base);
    const content::LookupWork after = content::lookupWork();
    QCOMPARE(int(plan.copies.size()), records);
    QCOMPARE(int(after.listings - before.listings), listings);
    QCOMPARE(int(after.tooLong - before.tooLong), tooLong);
    // No listing was read twice.
    QVERIFY(after.entriesListed - before.entriesListed <= std::uint64_t(listings) * (files + 1));
    const catalog::CopyResult result = catalog::runCopies(plan);
    QCOMPARE(result.marked, records);
    QCOMPARE(result.copied, copied);
    QCOMPARE(QFileInfo::exists(base + QStringLiteral("/big/proj.exe")), copied > 0);
}

void TestDataPacket::folderTextIsTakenAsStored_data()
{
    // caminho2 is appended to the base directory as the catalog holds it:
    // spaces round it are part of the folder's name.
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QString>("copiedInto");
    QTest::newRow("trailing space") << QByteArray("\\a ") << QStringLiteral("a ");
    QTest::newRow("leading space") << QByteArray("\\ a") << QStringLiteral(" a");
    QTest::newRow("plain") << QByteArray("\\a") << QStringLiteral("a");
}

void TestDataPacket::folderTextIsTakenAsStored()
{
    QFETCH(QByteArray, folder);
    QFETCH(QString, copiedInto);
    QTemporaryDir dir;
    const QString base = dir.path();
    testing::writeFile(base + QStringLiteral("/proj.exe"), "program");
    const QStringList folders{QStringLiteral("a"), QStringLiteral("a "), QStringLiteral(" a")};
    for (const QString &name : folders)
        QVERIFY(QDir().mkpath(base + QLatin1Char('/') + name));
    testing::writeFile(base + QStringLiteral("/config/educ1.xml"), packet(kCatalogFields, markedCatalog(folder, 1)));
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    const catalog::CopyResult result = catalog::runCopies(catalog::planCopies(dataset, base));
    QCOMPARE(result.copied, 1);
    for (const QString &name : folders)
        QCOMPARE(QFileInfo::exists(base + QLatin1Char('/') + name + QStringLiteral("/proj.exe")), name == copiedInto);
}

void TestDataPacket::hugeFolderTextCostsBoundedMemory()
{
    // One record whose caminho2 has ten million "\a" parts (20 MB of text):
    // the destination is taken as too long before it is split, and the
    // plan costs a few copies of the text, not one object per part. Made in
    // a child process, whose peak memory is its own.
    QTemporaryDir dir;
    const QString base = dir.path();
    testing::writeFile(base + QStringLiteral("/proj.exe"), "program");
    QVERIFY(QDir().mkpath(base + QStringLiteral("/a")));
    testing::writeFile(base + QStringLiteral("/config/educ1.xml"),
                       packet(kCatalogFields, markedCatalog(QByteArray("\\a").repeated(10000000), 1)));
    int channel[2];
    QCOMPARE(::pipe(channel), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(channel[0]);
        catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
        dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
        struct rusage usage;
        ::getrusage(RUSAGE_SELF, &usage);
        const long start = usage.ru_maxrss;
        dataset.open();
        const content::LookupWork before = content::lookupWork();
        const catalog::CopyPlan plan = catalog::planCopies(dataset, base);
        const content::LookupWork after = content::lookupWork();
        const catalog::CopyResult result = catalog::runCopies(plan);
        ::getrusage(RUSAGE_SELF, &usage);
        const QByteArray report = QByteArray::number(qlonglong(after.tooLong - before.tooLong)) + ' '
            + QByteArray::number(qlonglong(after.listings - before.listings)) + ' '
            + QByteArray::number(result.copied) + ' ' + QByteArray::number(qlonglong(usage.ru_maxrss - start));
        const ssize_t written = ::write(channel[1], report.constData(), size_t(report.size()));
        ::_exit(written == report.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray received;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        received.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QList<QByteArray> figures = received.split(' ');
    QCOMPARE(figures.size(), 4);
    QCOMPARE(figures.at(0), QByteArray("1")); // taken as too long
    QCOMPARE(figures.at(1), QByteArray("0")); // nothing listed
    QCOMPARE(figures.at(2), QByteArray("0")); // nothing copied
    // The catalog is 20 MB; its text as read is 40 MB. Split into parts it
    // took about a gigabyte.
    const qlonglong peakKb = figures.at(3).toLongLong();
    QVERIFY2(peakKb < 300 * 1024, qPrintable(QStringLiteral("peak grew by %1 MB").arg(peakKb / 1024)));
}

void TestDataPacket::copyPassCopiesTheFileItOpened_data()
{
    // proj.exe is swapped by another thread between two copies of a pass,
    // as a second writer on a shared folder would: every copy still carries
    // the bytes of the file the pass opened.
    QTest::addColumn<QString>("swap");
    QTest::addColumn<int>("after"); // copies made before the swap
    QTest::newRow("link out of the tree, before the first copy") << "link" << 0;
    QTest::newRow("link out of the tree, after the first copy") << "link" << 1;
    QTest::newRow("link out of the tree, after the fourth copy") << "link" << 4;
    QTest::newRow("another file renamed over it") << "file" << 1;
    QTest::newRow("removed") << "removed" << 2;
}

void TestDataPacket::copyPassCopiesTheFileItOpened()
{
    QFETCH(QString, swap);
    QFETCH(int, after);
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/tree");
    QByteArray original(200 * 1024, '\0');
    for (int i = 0; i < original.size(); ++i)
        original[i] = char(i * 31 + 7);
    const QString source = testing::writeFile(base + QStringLiteral("/proj.exe"), original);
    const QString secret = testing::writeFile(dir.path() + QStringLiteral("/outside/secret"), "not the tree's");
    const int records = 5;
    QByteArray rows;
    for (int i = 0; i < records; ++i) {
        QVERIFY(QDir().mkpath(base + QStringLiteral("/e%1").arg(i)));
        rows += "<ROW cod_360=\"" + QByteArray::number(i) + "\" TEM_XML=\"S\" caminho2=\"&#092;e"
            + QByteArray::number(i) + "\"/>";
    }
    testing::writeFile(base + QStringLiteral("/config/educ1.xml"), packet(kCatalogFields, rows));
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    const catalog::CopyPlan plan = catalog::planCopies(dataset, base);
    QVERIFY(!plan.source.isEmpty());

    // The swapper: a thread of its own that replaces the name at once, as
    // rename() does, when asked, and says when it has.
    std::mutex lock;
    std::condition_variable changed;
    bool asked = false;
    bool swapped = false;
    std::thread swapper([&] {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [&] { return asked; });
        const QByteArray name = QFile::encodeName(source);
        const QByteArray spare = QFile::encodeName(base + QStringLiteral("/.spare"));
        if (swap == QLatin1String("link"))
            swapped = ::symlink(QFile::encodeName(secret).constData(), spare.constData()) == 0
                && ::rename(spare.constData(), name.constData()) == 0;
        else if (swap == QLatin1String("file"))
            swapped = !testing::writeFile(base + QStringLiteral("/.spare"), "impostor").isEmpty()
                && ::rename(spare.constData(), name.constData()) == 0;
        else
            swapped = ::unlink(name.constData()) == 0;
        changed.notify_all();
    });
    const auto swapNow = [&] {
        std::unique_lock<std::mutex> held(lock);
        asked = true;
        changed.notify_all();
        changed.wait(held, [&] { return swapped; });
    };
    if (after == 0)
        swapNow();
    const catalog::CopyResult result = catalog::runCopies(plan, nullptr, nullptr, [&](std::size_t tried) {
        if (tried == std::size_t(after))
            swapNow();
    });
    swapper.join();
    QVERIFY(swapped);
    QCOMPARE(result.copied, records);
    for (int i = 0; i < records; ++i) {
        QFile copy(base + QStringLiteral("/e%1/proj.exe").arg(i));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QVERIFY2(copy.readAll() == original, qPrintable(copy.fileName()));
    }
}

MENU_UNIT_TEST_MAIN(TestDataPacket)
#include "tst_datapacket.moc"
