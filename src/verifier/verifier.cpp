#include "verifier.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "copypass.h"
#include "movieheader.h"
#include "movieinfo.h"
#include "selection.h"
#include "treefile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <exception>

namespace verifier {

namespace {

const QString kSeries = QStringLiteral("Séries");
const QString kLevels = QStringLiteral("Níveis");
const QString kMovies = QStringLiteral("Animações");
const QString kPrograms = QStringLiteral("Leitor");
const QString kCatalog = QStringLiteral("Catálogo");

class Checker
{
public:
    explicit Checker(Report *report) : m_report(report)
    {
        // As the menu forms its paths: the base directory is the current
        // one, the rest is Windows text appended to it.
        m_base = content::baseDirectory();
        m_root = QDir(m_base).canonicalPath();
        m_config = m_base + QStringLiteral("\\config\\");
    }

    void run()
    {
        selectors();
        movies();
        programs();
        catalogCopy();
    }

private:
    void add(const QString &group, Level level, const QString &contentPath, const QString &message)
    {
        m_report->findings.push_back({group, level, spelling(contentPath), message});
    }

    // The path as the tree spells it on disk when it is there, otherwise as
    // the menu asks for it.
    QString spelling(const QString &contentPath) const
    {
        const QString local = content::toLocalPath(contentPath);
        if (QFileInfo::exists(local) || QFileInfo(local).isSymLink())
            return QDir(m_base).relativeFilePath(local);
        return contentPath.mid(m_base.size());
    }

    // A movie as the players will take it, with what its header says.
    void movie(const QString &group, const QString &contentPath, const QString &role)
    {
        const QString local = content::toLocalPath(contentPath);
        if (!QFileInfo::exists(local) && !QFileInfo(local).isSymLink()) {
            add(group, Level::Error, contentPath, role + QStringLiteral(": falta a animação (o espaço fica em branco)"));
            return;
        }
        if (content::regularFileInside(local, m_root).isEmpty()) {
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": não é um arquivo comum dentro da coleção (pasta, dispositivo ou link para fora dela); o menu não a mostra"));
            return;
        }
        MovieInfo info;
        const bool readable = readMovieInfo(local, &info);
        switch (content::checkMovieHeader(local)) {
        case content::MovieCheck::Playable:
            break;
        case content::MovieCheck::TooLarge:
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": declara %1 bytes, acima do limite de %2 MiB; o menu não a mostra")
                           .arg(info.declaredLength)
                           .arg(content::kMaxMovieSize >> 20));
            return;
        default:
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": não começa como uma animação Flash (FWS, CWS ou ZWS); o menu não a mostra"));
            return;
        }
        const char *kind = info.compression == 'C' ? "CWS (zlib)" : info.compression == 'Z' ? "ZWS (LZMA)" : "FWS";
        QString details = QStringLiteral("%1: %2, versão %3, %4 bytes")
                              .arg(role, QLatin1String(kind))
                              .arg(info.version)
                              .arg(info.declaredLength);
        if (readable && info.width >= 0)
            details += QStringLiteral(", palco %1×%2").arg(info.width).arg(info.height);
        add(group, Level::Ok, contentPath, details);
    }

    // A manual as the activation will hand it to the reader.
    void manual(const QString &group, const QString &contentPath, const QString &role, Level whenMissing)
    {
        const QString local = content::toLocalPath(contentPath);
        if (!QFileInfo::exists(local) && !QFileInfo(local).isSymLink()) {
            add(group, whenMissing, contentPath, role + QStringLiteral(": falta o manual"));
            return;
        }
        const QString canonical = content::regularFileInside(local, m_root);
        if (canonical.isEmpty()) {
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": não é um arquivo comum dentro da coleção; não será aberto"));
            return;
        }
        content::RegularFile file(canonical, std::int64_t(1) << 40);
        QByteArray head;
        if (!file.isOpen() || !file.readAll(&head, 5) || !head.startsWith("%PDF-")) {
            add(group, Level::Error, contentPath, role + QStringLiteral(": não começa como um PDF (%PDF-)"));
            return;
        }
        add(group, Level::Ok, contentPath, role + QStringLiteral(": PDF, %1 bytes").arg(file.size()));
    }

    void selectors()
    {
        startUpLabel();
        // Years, then levels, as a person reads the window.
        for (const bool levels : {false, true}) {
            for (const selection::Row &row : selection::kRows) {
                if (selection::isLevelCode(QString::fromUtf8(row.code)) != levels)
                    continue;
                const QString button = QString::fromLatin1(row.button.data(), int(row.button.size()));
                const QString caption = QString::fromUtf8(row.caption);
                movie(levels ? kLevels : kSeries, m_config + QString::fromUtf8(row.movie),
                      QStringLiteral("%1 (%2), prévia").arg(caption, button));
                manual(levels ? kLevels : kSeries, m_base + QString::fromUtf8(row.manual),
                       QStringLiteral("%1 (%2), manual").arg(caption, button), Level::Error);
            }
        }
    }

    void startUpLabel()
    {
        // The label shown at start-up: the highest year whose intro manual
        // the tree holds; each intro present must be a readable PDF.
        for (int year = 1; year <= 5; ++year) {
            const QString intro = m_base + QStringLiteral("\\manuais\\%1ano_intro.PDF").arg(year);
            if (content::fileExists(intro) || QFileInfo(content::toLocalPath(intro)).isSymLink())
                manual(kSeries, intro, QStringLiteral("introdução do %1º ano").arg(year), Level::Warning);
        }
        int highest = 0;
        for (int year = 1; year <= 5; ++year) {
            if (content::fileExists(m_base + QStringLiteral("\\manuais\\%1ano_intro.PDF").arg(year)))
                highest = year;
        }
        if (highest > 0) {
            add(kSeries, Level::Ok, m_base + QStringLiteral("\\manuais\\%1ano_intro.PDF").arg(highest),
                QStringLiteral("na abertura, o rótulo mostra \"%1º Ano\" (a introdução mais alta presente)").arg(highest));
        } else {
            add(kSeries, Level::Warning, m_base + QStringLiteral("\\manuais\\"),
                QStringLiteral("nenhuma introdução (1ano_intro.PDF … 5ano_intro.PDF): na abertura o rótulo fica \"4º Ano\" até a primeira escolha"));
        }
        m_startSeries = highest > 0 ? QStringLiteral("%1S").arg(highest) : QString();
    }

    void movies()
    {
        movie(kMovies, m_config + QStringLiteral("logo.swf"), QStringLiteral("logotipo"));
        movie(kMovies, m_config + QStringLiteral("Ok.swf"), QStringLiteral("botão OK"));
        movie(kMovies, m_config + QStringLiteral("Sair.swf"), QStringLiteral("botão Sair"));
        if (m_startSeries.isEmpty())
            movie(kMovies, m_config + selection::previewMovieFor(QString()), QStringLiteral("prévia da abertura"));
        // Movies of the configuration folder the menu never plays.
        QSet<QString> used{QStringLiteral("logo.swf"), QStringLiteral("ok.swf"), QStringLiteral("sair.swf"),
                           QStringLiteral("ano.swf")};
        for (const selection::Row &row : selection::kRows)
            used.insert(QString::fromUtf8(row.movie).toLower());
        const QDir config(content::toLocalPath(m_config));
        const QStringList swfs = config.entryList({QStringLiteral("*.swf")}, QDir::Files | QDir::System);
        for (const QString &name : swfs) {
            if (!used.contains(name.toLower()))
                movie(kMovies, m_config + name, QStringLiteral("não usada pelo menu"));
        }
    }

    // What the activation will do with a program of the tree on this
    // system.
    void program(const QString &contentPath, const QString &role, const QString &fallback)
    {
        const QString local = content::toLocalPath(contentPath);
        if (!QFileInfo::exists(local) && !QFileInfo(local).isSymLink()) {
            add(kPrograms, fallback.isEmpty() ? Level::Warning : Level::Ok, contentPath,
                role + QStringLiteral(": não está na coleção; ") + (fallback.isEmpty() ? QStringLiteral("a opção não abre nada") : fallback));
            return;
        }
        const QString canonical = content::regularFileInside(local, m_root);
        if (canonical.isEmpty()) {
            add(kPrograms, Level::Error, contentPath,
                role + QStringLiteral(": não é um arquivo comum dentro da coleção (ou é um link para fora dela); o menu não o inicia"));
            return;
        }
        content::RegularFile file(canonical, std::int64_t(1) << 40);
        QByteArray head;
        file.readAll(&head, 4);
        const bool executable = QFileInfo(canonical).isExecutable();
        if (head.startsWith("MZ")) {
            add(kPrograms, fallback.isEmpty() ? Level::Warning : Level::Ok, contentPath,
                role + QStringLiteral(": programa do Windows, não roda neste sistema; ")
                    + (fallback.isEmpty() ? QStringLiteral("a opção não abre nada") : fallback));
        } else if (executable && (head.startsWith("#!") || head.startsWith("\x7f" "ELF"))) {
            add(kPrograms, Level::Ok, contentPath, role + QStringLiteral(": roda neste sistema"));
        } else {
            add(kPrograms, fallback.isEmpty() ? Level::Warning : Level::Ok, contentPath,
                role + QStringLiteral(": não é executável neste sistema; ")
                    + (fallback.isEmpty() ? QStringLiteral("a opção não abre nada") : fallback));
        }
    }

    void programs()
    {
        program(m_base + QStringLiteral("\\MANUAIS\\READER.exe"), QStringLiteral("leitor dos manuais"),
                QStringLiteral("os manuais abrem no leitor de PDF da área de trabalho"));
        program(m_base + QStringLiteral("\\agenda\\RedNotebookPortable.exe"), QStringLiteral("agenda"), QString());
    }

    void catalogCopy()
    {
        const QString file = m_config + QStringLiteral("educ1.xml");
        catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
        catalog::CopyPlan plan;
        try {
            dataset.setFileName(file);
            dataset.open();
            plan = catalog::planCopies(dataset, m_base);
        } catch (const std::exception &error) {
            // What the menu's error box would say.
            add(kCatalog, Level::Error, file,
                QStringLiteral("a cópia mostra o erro: %1").arg(QString::fromUtf8(error.what())));
            return;
        }
        add(kCatalog, Level::Ok, file, QStringLiteral("lido: %1 pasta(s) marcada(s) para a cópia").arg(plan.copies.size()));
        if (plan.copies.empty())
            return;
        const QString source = m_base + QStringLiteral("\\proj.exe");
        if (plan.source.isEmpty()) {
            add(kCatalog, Level::Error, source,
                QStringLiteral("falta proj.exe (ou não é um arquivo comum dentro da coleção): nenhuma cópia será feita"));
            return;
        }
        for (const catalog::CopyPlan::Copy &copy : plan.copies) {
            const QFileInfo destination(copy.destination);
            const QString shown = m_base + copy.folder;
            if (destination.exists() || destination.isSymLink())
                add(kCatalog, Level::Ok, shown, QStringLiteral("já tem proj.exe: a cópia é pulada"));
            else if (!destination.absoluteDir().exists())
                add(kCatalog, Level::Error, shown, QStringLiteral("a pasta não existe: a cópia falha"));
            else
                add(kCatalog, Level::Ok, shown, QStringLiteral("proj.exe será copiado para cá"));
        }
    }

    Report *m_report;
    QString m_base;
    QString m_root;
    QString m_config;
    QString m_startSeries;
};

const char *levelName(Level level)
{
    switch (level) {
    case Level::Ok:
        return "ok";
    case Level::Warning:
        return "aviso";
    case Level::Error:
        return "erro";
    }
    return "";
}

} // namespace

int Report::count(Level level) const
{
    int total = 0;
    for (const Finding &finding : findings)
        total += finding.level == level ? 1 : 0;
    return total;
}

int Report::exitStatus() const
{
    if (!isCollection)
        return 2;
    return count(Level::Error) > 0 ? 1 : 0;
}

Report checkTree(const QString &folder)
{
    Report report;
    const QFileInfo info(folder);
    report.folder = info.canonicalFilePath();
    if (!info.isDir()) {
        report.notCollection = QStringLiteral("\"%1\" não existe ou não é uma pasta").arg(folder);
        return report;
    }
    // A collection has its configuration folder at the root, in any case.
    const QStringList folders = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : folders)
        report.isCollection = report.isCollection || name.compare(QLatin1String("config"), Qt::CaseInsensitive) == 0;
    if (!report.isCollection) {
        report.notCollection = QStringLiteral("\"%1\" não é uma coleção: falta a pasta config na raiz").arg(folder);
        return report;
    }
    if (!QDir::setCurrent(folder)) {
        report.isCollection = false;
        report.notCollection = QStringLiteral("não foi possível entrar em \"%1\"").arg(folder);
        return report;
    }
    Checker(&report).run();
    return report;
}

QString toText(const Report &report)
{
    QString text;
    if (!report.isCollection)
        return report.notCollection + QLatin1Char('\n');
    text += QStringLiteral("Coleção: %1\n").arg(report.folder);
    QString group;
    for (const Finding &finding : report.findings) {
        if (finding.group != group) {
            group = finding.group;
            text += QLatin1Char('\n') + group + QLatin1Char('\n');
        }
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(QLatin1String(levelName(finding.level)), -5)
                    .arg(finding.path, finding.message);
    }
    text += QStringLiteral("\n%1 erro(s), %2 aviso(s), %3 ok\n")
                .arg(report.count(Level::Error))
                .arg(report.count(Level::Warning))
                .arg(report.count(Level::Ok));
    return text;
}

QByteArray toJson(const Report &report)
{
    QJsonObject root;
    root.insert(QStringLiteral("pasta"), report.folder);
    root.insert(QStringLiteral("colecao"), report.isCollection);
    if (!report.isCollection)
        root.insert(QStringLiteral("motivo"), report.notCollection);
    QJsonArray findings;
    for (const Finding &finding : report.findings) {
        findings.append(QJsonObject{{QStringLiteral("grupo"), finding.group},
                                    {QStringLiteral("nivel"), QLatin1String(levelName(finding.level))},
                                    {QStringLiteral("caminho"), finding.path},
                                    {QStringLiteral("mensagem"), finding.message}});
    }
    root.insert(QStringLiteral("achados"), findings);
    root.insert(QStringLiteral("erros"), report.count(Level::Error));
    root.insert(QStringLiteral("avisos"), report.count(Level::Warning));
    root.insert(QStringLiteral("saida"), report.exitStatus());
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace verifier
