// The collection checker: a sound tree is all ok; each single fault a
// publisher makes is found, where the menu would find it, with the level
// and exit status a script can rely on; and checking writes nothing and
// starts nothing.
#include "clientdataset.h"
#include "testsupport.h"
#include "verifier.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>

#include <sys/stat.h>

class TestVerifier final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void soundTreeIsAllOk();
    void eachFaultIsFound_data();
    void eachFaultIsFound();
    void catalogErrorIsTheMenusMessage();
    void notACollection_data();
    void notACollection();
    void checkingWritesAndStartsNothing();
    void jsonSaysTheSame();

private:
    QString makeTree();
    static QString snapshot(const QString &root);

    QTemporaryDir m_root;
    QTemporaryDir m_outside;
    QString m_previousDirectory;
    int m_trees = 0;
};

void TestVerifier::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_previousDirectory = QDir::currentPath();
    testing::writeMovie(m_outside.path() + QStringLiteral("/away.swf"), testing::movieSpec("AWAY"));
}

void TestVerifier::cleanup()
{
    QDir::setCurrent(m_previousDirectory);
}

QString TestVerifier::makeTree()
{
    const QString root = m_root.path() + QStringLiteral("/%1/Coleção").arg(++m_trees);
    testing::writeMenuMovies(root + QStringLiteral("/config"));
    for (const char *name : {"1ano", "2ano", "3ano", "4ano", "5ano", "n1_1", "n1_2", "n1_3", "n2_1", "n2_2",
                             "n3_1", "n3_2", "1ano_intro", "3ano_intro"})
        testing::writeFile(root + QStringLiteral("/Manuais/%1.PDF").arg(QLatin1String(name)), "%PDF-1.4\n%%EOF\n");
    const QString reader = testing::writeFile(root + QStringLiteral("/Manuais/READER.exe"),
                                              "#!/bin/sh\ntouch \"$(dirname \"$0\")/../reader-ran\"\n");
    const QString diary = testing::writeFile(root + QStringLiteral("/agenda/RedNotebookPortable.exe"),
                                             "#!/bin/sh\ntouch \"$(dirname \"$0\")/../diary-ran\"\n");
    for (const QString &program : {reader, diary})
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    testing::writeFile(root + QStringLiteral("/proj.exe"), "project");
    QDir().mkpath(root + QStringLiteral("/escolas/norte"));
    QDir().mkpath(root + QStringLiteral("/escolas/sul"));
    testing::writeFile(root + QStringLiteral("/config/educ1.xml"),
                       "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                       "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
                       "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
                       "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                       "<ROW TEM_XML=\"S\" caminho2=\"&#092;escolas&#092;norte\"/>"
                       "<ROW TEM_XML=\"N\" caminho2=\"&#092;escolas&#092;sul\"/>"
                       "</ROWDATA></DATAPACKET>");
    return root;
}

QString TestVerifier::snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size()).arg(
                       info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries.join(QLatin1Char('\n'));
}

void TestVerifier::soundTreeIsAllOk()
{
    const verifier::Report report = verifier::checkTree(makeTree());
    QVERIFY2(report.count(verifier::Level::Error) == 0 && report.count(verifier::Level::Warning) == 0,
             qPrintable(verifier::toText(report)));
    QCOMPARE(report.exitStatus(), 0);
    // Every group a person reads is there.
    QStringList groups;
    for (const verifier::Finding &finding : report.findings) {
        if (!groups.contains(finding.group))
            groups << finding.group;
    }
    QCOMPARE(groups, (QStringList{QStringLiteral("Séries"), QStringLiteral("Níveis"), QStringLiteral("Animações"),
                                  QStringLiteral("Leitor"), QStringLiteral("Catálogo")}));
}

void TestVerifier::eachFaultIsFound_data()
{
    // fault: what is done to a sound tree (an action and its arguments);
    // then the finding expected: group, level, the path as shown, a word of
    // its message; and the exit status.
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("says");
    QTest::addColumn<int>("status");
    const int ok = int(verifier::Level::Ok), warning = int(verifier::Level::Warning),
              error = int(verifier::Level::Error);
    QTest::newRow("manual misnamed") << QStringList{"rename", "Manuais/n2_2.PDF", "Manuais/n2-2.pdf"}
                                     << "Níveis" << error << "\\manuais\\n2_2.PDF" << "falta o manual" << 1;
    QTest::newRow("manual in other case") << QStringList{"rename", "Manuais/3ano.PDF", "Manuais/3ANO.pdf"}
                                          << "Séries" << ok << "Manuais/3ANO.pdf" << "PDF" << 0;
    QTest::newRow("manual not a PDF") << QStringList{"write", "Manuais/4ano.PDF", "<html>"}
                                      << "Séries" << error << "Manuais/4ano.PDF" << "%PDF-" << 1;
    QTest::newRow("manual is a FIFO") << QStringList{"fifo", "Manuais/5ano.PDF"}
                                      << "Séries" << error << "Manuais/5ano.PDF" << "arquivo comum" << 1;
    QTest::newRow("preview missing") << QStringList{"remove", "config/3ano.swf"}
                                     << "Séries" << error << "\\config\\3ano.swf" << "falta a animação" << 1;
    QTest::newRow("broken movie") << QStringList{"write", "config/logo.swf", "not a movie"}
                                  << "Animações" << error << "config/logo.swf" << "FWS, CWS ou ZWS" << 1;
    QTest::newRow("oversized movie") << QStringList{"write", "config/n1.swf", QString::fromLatin1("CWS\x0a\0\0\0\x10xxxx", 12)}
                                     << "Níveis" << error << "config/n1.swf" << "limite" << 1;
    QTest::newRow("movie links out") << QStringList{"linkout", "config/Ok.swf"}
                                     << "Animações" << error << "config/Ok.swf" << "fora" << 1;
    QTest::newRow("no intro manuals") << QStringList{"remove", "Manuais/1ano_intro.PDF", "Manuais/3ano_intro.PDF"}
                                      << "Séries" << warning << "Manuais" << "4º Ano" << 0;
    QTest::newRow("Windows reader") << QStringList{"write", "Manuais/READER.exe", "MZ\x90"}
                                    << "Leitor" << ok << "Manuais/READER.exe" << "leitor de PDF" << 0;
    QTest::newRow("no diary") << QStringList{"remove", "agenda/RedNotebookPortable.exe"}
                              << "Leitor" << warning << "\\agenda\\RedNotebookPortable.exe" << "não abre nada" << 0;
    QTest::newRow("diary links out") << QStringList{"linkout", "agenda/RedNotebookPortable.exe"}
                                     << "Leitor" << error << "agenda/RedNotebookPortable.exe" << "fora" << 1;
    QTest::newRow("marked folder missing") << QStringList{"rmdir", "escolas/norte"}
                                           << "Catálogo" << error << "\\escolas\\norte" << "não existe" << 1;
    QTest::newRow("copy already there") << QStringList{"write", "escolas/norte/proj.exe", "old"}
                                        << "Catálogo" << ok << "escolas/norte" << "pulada" << 0;
    QTest::newRow("proj.exe missing") << QStringList{"remove", "proj.exe"}
                                      << "Catálogo" << error << "\\proj.exe" << "nenhuma cópia" << 1;
}

void TestVerifier::eachFaultIsFound()
{
    QFETCH(QStringList, fault);
    QFETCH(QString, group);
    QFETCH(int, level);
    QFETCH(QString, path);
    QFETCH(QString, says);
    QFETCH(int, status);
    const QString root = makeTree();
    const QString target = root + QLatin1Char('/') + fault.value(1);
    const QString action = fault.first();
    if (action == QLatin1String("rename")) {
        QVERIFY(QFile::rename(target, root + QLatin1Char('/') + fault.value(2)));
    } else if (action == QLatin1String("write")) {
        QFile::remove(target);
        testing::writeFile(target, fault.value(2).toLatin1());
    } else if (action == QLatin1String("remove")) {
        for (const QString &file : fault.mid(1))
            QVERIFY(QFile::remove(root + QLatin1Char('/') + file));
    } else if (action == QLatin1String("fifo")) {
        QVERIFY(QFile::remove(target));
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0644), 0);
    } else if (action == QLatin1String("linkout")) {
        QVERIFY(QFile::remove(target));
        QVERIFY(QFile::link(m_outside.path() + QStringLiteral("/away.swf"), target));
    } else if (action == QLatin1String("rmdir")) {
        QVERIFY(QDir(target).removeRecursively());
    }
    const verifier::Report report = verifier::checkTree(root);
    const auto found = std::find_if(report.findings.begin(), report.findings.end(), [&](const verifier::Finding &f) {
        return f.group == group && int(f.level) == level && f.path == path && f.message.contains(says);
    });
    QVERIFY2(found != report.findings.end(), qPrintable(verifier::toText(report)));
    QCOMPARE(report.exitStatus(), status);
}

void TestVerifier::catalogErrorIsTheMenusMessage()
{
    const QString root = makeTree();
    testing::writeFile(root + QStringLiteral("/config/educ1.xml"), "<DATAPACKET><METADATA>");
    // What the menu's dataset says on this file.
    QDir::setCurrent(root);
    QString expected;
    try {
        catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
        dataset.setFileName(root + QStringLiteral("\\config\\educ1.xml"));
        dataset.open();
    } catch (const std::exception &error) {
        expected = QString::fromUtf8(error.what());
    }
    QVERIFY(!expected.isEmpty());
    const verifier::Report report = verifier::checkTree(root);
    const auto found = std::find_if(report.findings.begin(), report.findings.end(), [&](const verifier::Finding &f) {
        return f.group == QStringLiteral("Catálogo") && f.level == verifier::Level::Error && f.message.endsWith(expected);
    });
    QVERIFY2(found != report.findings.end(), qPrintable(expected + QLatin1Char('\n') + verifier::toText(report)));
    QCOMPARE(report.exitStatus(), 1);
}

void TestVerifier::notACollection_data()
{
    QTest::addColumn<QString>("shape");
    QTest::newRow("no config folder") << "empty";
    QTest::newRow("config is a file") << "file";
    QTest::newRow("missing folder") << "missing";
}

void TestVerifier::notACollection()
{
    QFETCH(QString, shape);
    const QString root = m_root.path() + QStringLiteral("/not-%1").arg(shape);
    if (shape != QLatin1String("missing"))
        QDir().mkpath(root + QStringLiteral("/manuais"));
    if (shape == QLatin1String("file"))
        testing::writeFile(root + QStringLiteral("/config"));
    const verifier::Report report = verifier::checkTree(root);
    QCOMPARE(report.exitStatus(), 2);
    QVERIFY(report.findings.empty());
    QVERIFY(!report.notCollection.isEmpty());
}

void TestVerifier::checkingWritesAndStartsNothing()
{
    const QString root = makeTree();
    // A catalog whose copy would be made: the check must not make it.
    const QString before = snapshot(root);
    const verifier::Report report = verifier::checkTree(root);
    QCOMPARE(report.exitStatus(), 0);
    QCOMPARE(snapshot(root), before);
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/reader-ran")));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/diary-ran")));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/escolas/norte/proj.exe")));
}

void TestVerifier::jsonSaysTheSame()
{
    const QString root = makeTree();
    QFile::remove(root + QStringLiteral("/config/3ano.swf"));
    const verifier::Report report = verifier::checkTree(root);
    const QJsonObject json = QJsonDocument::fromJson(verifier::toJson(report)).object();
    QCOMPARE(json.value(QStringLiteral("erros")).toInt(), report.count(verifier::Level::Error));
    QCOMPARE(json.value(QStringLiteral("saida")).toInt(), 1);
    QCOMPARE(json.value(QStringLiteral("achados")).toArray().size(), int(report.findings.size()));
    bool missing = false;
    for (const QJsonValue &finding : json.value(QStringLiteral("achados")).toArray()) {
        const QJsonObject object = finding.toObject();
        missing = missing
            || (object.value(QStringLiteral("nivel")).toString() == QLatin1String("erro")
                && object.value(QStringLiteral("caminho")).toString() == QLatin1String("\\config\\3ano.swf"));
    }
    QVERIFY(missing);
}

MENU_TEST_MAIN(TestVerifier)
#include "tst_verifier.moc"
