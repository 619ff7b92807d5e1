// The collection checker: a sound tree is all ok; each single fault a
// publisher makes is found, where the menu would find it, with the level
// and exit status a script can rely on; and checking writes nothing and
// starts nothing.
#include "clientdataset.h"
#include "testsupport.h"
#include "zwsmovie.h"
#include "verifier.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void treeTextCannotForgeTheReport_data();
    void treeTextCannotForgeTheReport();
    void lzmaMovies_data();
    void lzmaMovies();
    void commandLine_data();
    void commandLine();
    void aClaimedDictionaryCostsNoMemory();

private:
    QString makeTree();
    static const verifier::Finding *find(const verifier::Report &report, const QString &group, verifier::Level level,
                                         const QString &path, const QString &says);
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
    const QString autorun = testing::writeFile(root + QStringLiteral("/autorun.sh"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(autorun, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
                                  QStringLiteral("Leitor"), QStringLiteral("Catálogo"), QStringLiteral("Mídia")}));
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
    // A collection without a catalog is sound: only the hidden maintenance
    // action needs one. One that is there and unreadable is an error.
    QTest::newRow("no catalog") << QStringList{"remove", "config/educ1.xml"}
                                << "Catálogo" << warning << "\\config\\educ1.xml"
                                << "cdxtb: Missing data provider or data packet" << 0;
    QTest::newRow("empty catalog") << QStringList{"write", "config/educ1.xml", ""}
                                   << "Catálogo" << error << "config/educ1.xml"
                                   << "cdxtb: Missing data provider or data packet" << 1;
    QTest::newRow("catalog is a folder") << QStringList{"folder", "config/educ1.xml"}
                                         << "Catálogo" << error << "config/educ1.xml" << "a cópia mostra o erro" << 1;
    // The desktop offers a medium's autorun.sh only by that exact name, as
    // a file, and starts it only when it may execute it.
    QTest::newRow("no autorun.sh") << QStringList{"remove", "autorun.sh"}
                                   << "Mídia" << warning << "\\autorun.sh" << "minúsculas" << 0;
    QTest::newRow("autorun.sh in upper case") << QStringList{"rename", "autorun.sh", "AUTORUN.SH"}
                                              << "Mídia" << warning << "AUTORUN.SH" << "exatamente" << 0;
    QTest::newRow("autorun.sh in mixed case") << QStringList{"rename", "autorun.sh", "Autorun.sh"}
                                              << "Mídia" << warning << "Autorun.sh" << "autorun.sh" << 0;
    QTest::newRow("autorun.sh not executable") << QStringList{"chmod", "autorun.sh", "644"}
                                               << "Mídia" << warning << "autorun.sh" << "não é executável" << 0;
    QTest::newRow("autorun.sh is a link") << QStringList{"link", "autorun.sh", "proj.exe"}
                                          << "Mídia" << warning << "autorun.sh" << "link" << 0;
    QTest::newRow("autorun.sh is a folder") << QStringList{"folder", "autorun.sh"}
                                            << "Mídia" << warning << "autorun.sh" << "arquivo comum" << 0;
    QTest::newRow("an autorun started first") << QStringList{"executable", "autorun"}
                                              << "Mídia" << warning << "autorun" << "em vez de autorun.sh" << 0;
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
    } else if (action == QLatin1String("folder")) {
        QVERIFY(QFile::remove(target));
        QVERIFY(QDir().mkpath(target));
    } else if (action == QLatin1String("chmod")) {
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(fault.value(2).toUInt(nullptr, 8))), 0);
    } else if (action == QLatin1String("link")) {
        QVERIFY(QFile::remove(target));
        QVERIFY(QFile::link(fault.value(2), target));
    } else if (action == QLatin1String("executable")) {
        testing::writeFile(target, "#!/bin/sh\n");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner));
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

const verifier::Finding *TestVerifier::find(const verifier::Report &report, const QString &group,
                                           verifier::Level level, const QString &path, const QString &says)
{
    for (const verifier::Finding &f : report.findings) {
        if (f.group == group && f.level == level && f.path == path && f.message.contains(says))
            return &f;
    }
    return nullptr;
}

void TestVerifier::treeTextCannotForgeTheReport_data()
{
    // Names and catalog text that would, printed as they are, clear the
    // screen, retitle the terminal, move the cursor up over the summary, or
    // add "ok" lines and a summary of their own. where: "config" for a
    // movie of that name (not a movie at all: an error) in the
    // configuration folder, "catalog" for a marked folder of that text (that
    // does not exist: an error). shown: how the report must spell it.
    QTest::addColumn<QString>("where");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("shown");
    const QByteArray summary = "0 erro(s), 0 aviso(s), 31 ok";
    QTest::newRow("escape codes in a movie's name")
        << "config" << "\x1b[2J\x1b[H\x1b]0;tudo certo\x07" + summary + "\x1b[8m.swf"
        << "\\x1b[2J\\x1b[H\\x1b]0;tudo certo\\x07" + QString::fromLatin1(summary) + "\\x1b[8m.swf";
    QTest::newRow("newlines in a movie's name")
        << "config" << "x\n  ok     logo.swf  tudo certo\r\n\n" + summary + "\n\t.swf"
        << "x\\n  ok     logo.swf  tudo certo\\r\\n\\n" + QString::fromLatin1(summary) + "\\n\\t.swf";
    QTest::newRow("C1 controls and DEL in a movie's name")
        << "config" << QByteArray("\xc2\x9b" "2J\xc2\x9d" "0;t\x7f\xe2\x80\xae" "fws.swf")
        << QStringLiteral("\\u009b2J\\u009d0;t\\x7f\\u202efws.swf");
    QTest::newRow("bytes not UTF-8 in a movie's name")
        << "config" << QByteArray("\x9b" "2J\xff\xfe\x1b" "c.swf") << QStringLiteral("\\x9b2J\\xff\\xfe\\x1bc.swf");
    QTest::newRow("escape codes in a catalog's folder")
        << "catalog" << "\\escolas\\&#27;[1A&#27;[2K&#27;]2;ok&#7;" + summary
        << "escolas\\\x5cx1b[1A\\x1b[2K\\x1b]2;ok\\x07" + QString::fromLatin1(summary);
    QTest::newRow("newlines in a catalog's folder")
        << "catalog" << "\\escolas\\&#13;&#10;  ok     escolas/sul  proj.exe sera copiado para ca&#10;&#10;" + summary
        << "escolas\\\x5cr\\n  ok     escolas/sul  proj.exe sera copiado para ca\\n\\n" + QString::fromLatin1(summary);
}

void TestVerifier::treeTextCannotForgeTheReport()
{
    QFETCH(QString, where);
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    const QString root = makeTree();
    QByteArray rawFile;
    // Qt could not name it to remove it with the rest.
    const auto removeRaw = qScopeGuard([&rawFile] {
        if (!rawFile.isEmpty())
            ::unlink(rawFile.constData());
    });
    if (where == QLatin1String("config")) {
        // Written by its bytes: some of these names are not UTF-8.
        const QByteArray path = QFile::encodeName(root + QStringLiteral("/config/")) + text;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "not a movie", 11), ssize_t(11));
        ::close(fd);
        rawFile = path;
    } else {
        testing::writeFile(root + QStringLiteral("/config/educ1.xml"),
                           "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                           "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
                           "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
                           "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                           "<ROW TEM_XML=\"S\" caminho2=\"" + text + "\"/>"
                           "</ROWDATA></DATAPACKET>");
    }
    const verifier::Report report = verifier::checkTree(root);
    QVERIFY(report.count(verifier::Level::Error) + report.count(verifier::Level::Warning) >= 1);
    const QString output = verifier::toText(report);
    const QByteArray bytes = output.toUtf8();
    // Nothing a terminal acts on but the report's own line ends, and every
    // byte is UTF-8.
    QCOMPARE(QString::fromUtf8(bytes), output);
    for (qsizetype i = 0; i < output.size(); ++i) {
        const char16_t c = output[i].unicode();
        QVERIFY2(c == u'\n' || (c >= 0x20 && c != 0x7f && !(c >= 0x80 && c <= 0x9f) && !QChar::isSurrogate(c)
                                && !(c >= 0x2028 && c <= 0x202e)),
                 qPrintable(QStringLiteral("U+%1 at %2").arg(unsigned(c), 4, 16, QLatin1Char('0')).arg(i)));
    }
    // One line per finding, one summary, and it is the last line and the
    // true one.
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype findingLines = std::count_if(lines.begin(), lines.end(), [](const QString &line) {
        return line.startsWith(QLatin1String("  "));
    });
    QCOMPARE(findingLines, qsizetype(report.findings.size()));
    static const QRegularExpression summaryLine(QStringLiteral("^\\d+ erro\\(s\\), \\d+ aviso\\(s\\), \\d+ ok$"));
    QCOMPARE(lines.filter(summaryLine).size(), 1);
    QCOMPARE(lines.last(), QStringLiteral("%1 erro(s), %2 aviso(s), %3 ok")
                               .arg(report.count(verifier::Level::Error))
                               .arg(report.count(verifier::Level::Warning))
                               .arg(report.count(verifier::Level::Ok)));
    // And the name is there for the publisher to read.
    QVERIFY2(output.contains(shown), qPrintable(shown + QLatin1Char('\n') + output));
    if (where == QLatin1String("config") && QTest::currentDataTag() == QByteArray("bytes not UTF-8 in a movie's name")) {
        const QJsonArray findings = QJsonDocument::fromJson(verifier::toJson(report)).object()
                                        .value(QStringLiteral("achados")).toArray();
        QVERIFY(std::any_of(findings.begin(), findings.end(), [&](const QJsonValue &finding) {
            return finding.toObject().value(QStringLiteral("caminho")).toString().contains(QLatin1String("\\xff\\xfe"));
        }));
    }
}

void TestVerifier::lzmaMovies_data()
{
    // shape: what is done to a good ZWS logo; then what the checker says.
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("says");
    const int ok = int(verifier::Level::Ok), warning = int(verifier::Level::Warning),
              error = int(verifier::Level::Error);
    QTest::newRow("sound") << "sound" << ok << "ZWS (LZMA)";
    // The engine ignores the compressed length; a dictionary larger than
    // the body costs nothing more.
    QTest::newRow("compressed length lies") << "compressed length" << ok << "ZWS (LZMA)";
    QTest::newRow("claims a 4 GiB dictionary") << "dictionary" << ok << "ZWS (LZMA)";
    QTest::newRow("garbage body") << "garbage" << error << "início do corpo";
    QTest::newRow("property byte out of range") << "properties" << error << "início do corpo";
    QTest::newRow("cut within its start") << "cut early" << error << "início do corpo";
    QTest::newRow("declares less than its stage") << "declares 12" << error << "início do corpo";
    QTest::newRow("garbage after its start") << "garbage late" << error << "corrompidos";
    QTest::newRow("cut after its start") << "cut late" << warning << "acaba em";
    QTest::newRow("declares more than it holds") << "declares more" << warning << "acaba em";
}

void TestVerifier::lzmaMovies()
{
    QFETCH(QString, shape);
    QFETCH(int, level);
    QFETCH(QString, says);
    const QString root = makeTree();
    const QString logo = root + QStringLiteral("/config/logo.swf");
    // The stage the plain movie has, as the checker reads it.
    const verifier::Report before = verifier::checkTree(root);
    const verifier::Finding *plainFinding =
        find(before, QStringLiteral("Animações"), verifier::Level::Ok, QStringLiteral("config/logo.swf"), QStringLiteral("FWS"));
    QVERIFY(plainFinding);
    const QString stage = plainFinding->message.section(QStringLiteral(", palco "), 1);
    QVERIFY(!stage.isEmpty());

    QFile in(logo);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray plain = in.readAll();
    in.close();
    QVERIFY(plain.startsWith("FWS"));
    QByteArray data;
    QByteArray movie = testing::lzmaMovie(plain, &data);
    QVERIFY(!movie.isEmpty());
    const auto setLe32 = [&movie](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            movie[at + i] = char((value >> (8 * i)) & 0xff);
    };
    QByteArray noise;
    for (quint32 x = 12345; noise.size() < 4000;) {
        x = x * 1103515245u + 12345u;
        noise += char(x >> 16);
    }
    if (shape == QLatin1String("compressed length"))
        setLe32(8, 0xffffffffu);
    else if (shape == QLatin1String("dictionary"))
        setLe32(13, 0xffffffffu);
    else if (shape == QLatin1String("garbage"))
        movie = movie.left(17) + QByteArray(300, '\x17');
    else if (shape == QLatin1String("properties"))
        movie[12] = char(0xff);
    else if (shape == QLatin1String("cut early"))
        movie.truncate(17 + 3);
    else if (shape == QLatin1String("declares 12"))
        setLe32(4, 12);
    else if (shape == QLatin1String("garbage late"))
        movie = movie.left(17 + 40) + noise;
    else if (shape == QLatin1String("cut late"))
        movie.truncate(17 + data.size() / 2);
    else if (shape == QLatin1String("declares more"))
        setLe32(4, quint32(plain.size() + 5000));
    QVERIFY(QFile::remove(logo));
    testing::writeFile(logo, movie);

    const verifier::Report report = verifier::checkTree(root);
    const verifier::Finding *found = find(report, QStringLiteral("Animações"), verifier::Level(level),
                                          QStringLiteral("config/logo.swf"), says);
    QVERIFY2(found, qPrintable(verifier::toText(report)));
    // The stage is read from the decoded body, as for the other kinds.
    if (level != int(verifier::Level::Error) && shape != QLatin1String("cut late")
        && shape != QLatin1String("declares more"))
        QVERIFY2(found->message.endsWith(QStringLiteral(", palco ") + stage), qPrintable(found->message));
    QCOMPARE(report.exitStatus(), level == int(verifier::Level::Error) ? 1 : 0);
}

void TestVerifier::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");  // a pattern on standard output and error
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "^uso: apostilas-verificar ";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "^uso: apostilas-verificar ";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "^apostilas-verificar \\d+\\.\\d+\\n$";
    QTest::newRow("--json --help") << QStringList{"--json", "--help"} << 0 << "^uso: ";
    QTest::newRow("an unknown option") << QStringList{"--frobnicate"} << 2 << "opção desconhecida: --frobnicate";
    QTest::newRow("a folder named like an option") << QStringList{"--", "-L"} << 0
                                                   << "Coleção: .*/-L\\n(.|\\n)*\\n0 erro\\(s\\), 0 aviso\\(s\\)";
    QTest::newRow("two folders") << QStringList{"a", "b"} << 2 << "uma pasta só";
}

void TestVerifier::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, printed);
    // A tree named "-L" beside the one the program starts in.
    const QString parent = m_root.path() + QStringLiteral("/cli");
    if (!QFileInfo::exists(parent + QStringLiteral("/-L")))
        QVERIFY(QDir().rename(QFileInfo(makeTree()).absolutePath(), parent)
                && QDir(parent).rename(QStringLiteral("Coleção"), QStringLiteral("-L")));
    QProcess program;
    // No display of any kind.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"})
        environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(parent);
    program.start(QStringLiteral(VERIFIER_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30000));
    const QString output = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, qPrintable(output));
    QVERIFY2(QRegularExpression(printed).match(output).hasMatch(), qPrintable(output));
}

void TestVerifier::aClaimedDictionaryCostsNoMemory()
{
    // A small ZWS logo whose properties claim a 4 GiB dictionary, checked
    // by the real program with 512 MiB of address space: the decoder keeps
    // no more dictionary than the body it produces.
    const QString root = makeTree();
    const QString logo = root + QStringLiteral("/config/logo.swf");
    QFile in(logo);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray plain = in.readAll();
    in.close();
    QByteArray data;
    QByteArray movie = testing::lzmaMovie(plain, &data);
    QVERIFY(!movie.isEmpty());
    for (int i = 0; i < 4; ++i)
        movie[13 + i] = char(0xff);
    QVERIFY(QFile::remove(logo));
    testing::writeFile(logo, movie);
    QProcess program;
    program.setChildProcessModifier([] {
        const struct rlimit limit = {rlim_t(512) << 20, rlim_t(512) << 20};
        ::setrlimit(RLIMIT_AS, &limit);
    });
    program.start(QStringLiteral(VERIFIER_PROGRAM), {root});
    QVERIFY(program.waitForFinished(30000));
    const QString output = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.contains(QLatin1String("logotipo: ZWS (LZMA)")), qPrintable(output));
}

MENU_UNIT_TEST_MAIN(TestVerifier)
#include "tst_verifier.moc"
