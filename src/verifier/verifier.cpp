#include "verifier.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "copypass.h"
#include "movieheader.h"
#include "selection.h"
#include "treefile.h"
#include "treenames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cstring>
#include <exception>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verifier {

namespace {

const QString kSeries = QStringLiteral("Séries");
const QString kLevels = QStringLiteral("Níveis");
const QString kMovies = QStringLiteral("Animações");
const QString kPrograms = QStringLiteral("Leitor");
const QString kCatalog = QStringLiteral("Catálogo");
const QString kMedium = QStringLiteral("Mídia");

QString fixed(const char *name)
{
    return QLatin1String(name);
}

// A name read from the file system as it is, byte for byte: valid UTF-8 is
// decoded, and each byte that is not is kept as the lone surrogate U+DC00 +
// the byte, which visible() shows as "\xNN".
QString rawName(const char *bytes)
{
    QString name;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes);
    while (*b) {
        const unsigned char lead = *b;
        int length = lead < 0x80 ? 1 : lead >= 0xc2 && lead < 0xe0 ? 2 : lead >= 0xe0 && lead < 0xf0 ? 3
                                    : lead >= 0xf0 && lead < 0xf5 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1f : length == 3 ? lead & 0x0f : lead & 0x07;
        for (int i = 1; i < length; ++i) {
            if ((b[i] & 0xc0) != 0x80) {
                length = 0;
                break;
            }
            code = (code << 6) | (b[i] & 0x3f);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((length == 3 && (code < 0x800 || (code >= 0xd800 && code < 0xe000)))
            || (length == 4 && (code < 0x10000 || code > 0x10ffff)))
            length = 0;
        if (length == 0) {
            name += QChar(char16_t(0xdc00 + lead));
            ++b;
            continue;
        }
        name += QString::fromUcs4(&code, 1);
        b += length;
    }
    return name;
}

bool hasRawBytes(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0xdc80 && c.unicode() <= 0xdcff)
            return true;
    }
    return false;
}

// The names of a folder's entries, as rawName() gives them.
QStringList rawEntries(const QString &folder)
{
    QStringList names;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const struct dirent *entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names << rawName(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

class Checker
{
public:
    explicit Checker(Report *report) : m_report(report)
    {
        // As the menu forms its paths: the base directory is the current
        // one, the rest is Windows text appended to it.
        m_base = content::baseDirectory();
        m_root = QDir(m_base).canonicalPath();
        m_config = m_base + fixed(treenames::kConfigFolder);
    }

    void run()
    {
        selectors();
        movies();
        programs();
        catalogCopy();
        autorun();
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
        const content::MovieHeader header = content::readMovieHeader(local);
        const char *kind = header.compression == 'C' ? "CWS (zlib)" : header.compression == 'Z' ? "ZWS (LZMA)" : "FWS";
        switch (header.check) {
        case content::MovieCheck::Playable:
            break;
        case content::MovieCheck::TooLarge:
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": declara %1 bytes, acima do limite de %2 MiB; o menu não a mostra")
                           .arg(header.declaredLength)
                           .arg(content::kMaxMovieSize >> 20));
            return;
        case content::MovieCheck::BrokenBody:
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": %1, mas o início do corpo não se lê (palco, velocidade e quadros); o menu não a mostra (o espaço fica em branco)")
                           .arg(QLatin1String(kind)));
            return;
        default:
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": não começa como uma animação Flash (FWS, CWS ou ZWS); o menu não a mostra"));
            return;
        }
        QString details = QStringLiteral("%1: %2, versão %3, %4 bytes, palco %5×%6")
                              .arg(role, QLatin1String(kind))
                              .arg(header.version)
                              .arg(header.declaredLength)
                              .arg(header.width)
                              .arg(header.height);
        if (header.compression == 'Z' && !lzmaBodyWhole(group, contentPath, local, role, header))
            return;
        add(group, Level::Ok, contentPath, details);
    }

    // The engine decodes an LZMA body whole before it plays anything, and
    // takes nothing of one with a data error anywhere; a body cut short it
    // plays as far as it goes. The menu reads only the body's start, so the
    // rest is looked at here.
    bool lzmaBodyWhole(const QString &group, const QString &contentPath, const QString &local, const QString &role,
                       const content::MovieHeader &header)
    {
        content::RegularFile file(local, content::kMaxMovieSize);
        QByteArray bytes;
        if (!file.isOpen() || !file.readAll(&bytes, content::kMaxMovieSize))
            return true;
        const std::int64_t body = header.declaredLength - 8;
        bool broken = false;
        const QByteArray decoded = content::lzmaMovieBody(bytes.mid(12), body, qsizetype(body), &broken);
        if (broken) {
            add(group, Level::Error, contentPath,
                role + QStringLiteral(": ZWS (LZMA), o corpo tem dados corrompidos depois do byte %1 descompactado; o motor não a mostra (o espaço fica em branco)")
                           .arg(decoded.size()));
            return false;
        }
        if (decoded.size() < body) {
            add(group, Level::Warning, contentPath,
                role + QStringLiteral(": ZWS (LZMA), o corpo acaba em %1 dos %2 bytes declarados; a animação pode sair incompleta")
                           .arg(decoded.size())
                           .arg(body));
            return false;
        }
        return true;
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
        int highest = 0;
        for (int year = treenames::kFirstIntroYear; year <= treenames::kLastIntroYear; ++year) {
            const QString intro = m_base + treenames::introManual(year);
            if (content::fileExists(intro) || QFileInfo(content::toLocalPath(intro)).isSymLink())
                manual(kSeries, intro, QStringLiteral("introdução do %1").arg(treenames::introCaption(year)), Level::Warning);
            if (content::fileExists(intro))
                highest = year;
        }
        if (highest > 0) {
            add(kSeries, Level::Ok, m_base + treenames::introManual(highest),
                QStringLiteral("na abertura, o rótulo mostra \"%1\" (a introdução mais alta presente)")
                    .arg(treenames::introCaption(highest)));
        } else {
            add(kSeries, Level::Warning, m_base + treenames::introManual(treenames::kFirstIntroYear).section(QLatin1Char('\\'), 0, -2) + QLatin1Char('\\'),
                QStringLiteral("nenhuma introdução (%1 … %2): na abertura o rótulo fica \"4º Ano\" até a primeira escolha")
                    .arg(treenames::introManual(treenames::kFirstIntroYear).section(QLatin1Char('\\'), -1),
                         treenames::introManual(treenames::kLastIntroYear).section(QLatin1Char('\\'), -1)));
        }
        m_startSeries = highest > 0 ? treenames::introSeriesCode(highest) : QString();
    }

    void movies()
    {
        movie(kMovies, m_config + fixed(treenames::kLogoMovie), QStringLiteral("logotipo"));
        movie(kMovies, m_config + fixed(treenames::kOkMovie), QStringLiteral("botão OK"));
        movie(kMovies, m_config + fixed(treenames::kExitMovie), QStringLiteral("botão Sair"));
        if (m_startSeries.isEmpty())
            movie(kMovies, m_config + selection::previewMovieFor(QString()), QStringLiteral("prévia da abertura"));
        // Movies of the configuration folder the menu never plays.
        QSet<QString> used{fixed(treenames::kLogoMovie).toLower(), fixed(treenames::kOkMovie).toLower(),
                           fixed(treenames::kExitMovie).toLower(), selection::previewMovieFor(QString()).toLower()};
        for (const selection::Row &row : selection::kRows)
            used.insert(QString::fromUtf8(row.movie).toLower());
        const QString config = content::toLocalPath(m_config);
        QStringList names = rawEntries(config);
        names.sort();
        for (const QString &name : std::as_const(names)) {
            if (!name.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive) || used.contains(name.toLower()))
                continue;
            if (hasRawBytes(name)) {
                // Not reachable by any name the menu forms.
                add(kMovies, Level::Warning, m_config + name,
                    QStringLiteral("não usada pelo menu; o nome tem bytes que não são UTF-8"));
                continue;
            }
            struct stat info;
            if (::lstat(QFile::encodeName(config + QLatin1Char('/') + name).constData(), &info) == 0
                && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
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
        program(m_base + fixed(treenames::kReader), QStringLiteral("leitor dos manuais"),
                QStringLiteral("os manuais abrem no leitor de PDF da área de trabalho"));
        program(m_base + fixed(treenames::kDiary), QStringLiteral("agenda"), QString());
    }

    void catalogCopy()
    {
        const QString file = m_config + fixed(treenames::kCatalog);
        catalog::ClientDataSet dataset(fixed(treenames::kCatalogDataSet));
        catalog::CopyPlan plan;
        try {
            dataset.setFileName(file);
            dataset.open();
            plan = catalog::planCopies(dataset, m_base);
        } catch (const std::exception &error) {
            // What the menu's error box would say. The catalog serves only
            // the hidden maintenance action: a collection without one is
            // sound, one that is there and unreadable is not.
            const QString local = content::toLocalPath(file);
            const bool absent = !QFileInfo::exists(local) && !QFileInfo(local).isSymLink();
            add(kCatalog, absent ? Level::Warning : Level::Error, file,
                (absent ? QStringLiteral("não há catálogo; a cópia (ação de manutenção) mostra o erro: %1")
                        : QStringLiteral("a cópia mostra o erro: %1"))
                    .arg(QString::fromUtf8(error.what())));
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

    // What the desktop offers when the medium is inserted. GLib's tree
    // magic (shared-mime-info's x-content/unix-software) looks at the
    // medium's root for ".autorun", "autorun" or "autorun.sh", each a file
    // and each spelt exactly so (match-case); Nautilus then starts the first
    // of them, in that order, that it may execute, "autorun.sh" through
    // /bin/sh. A case-insensitive listing is of no help: the names are
    // compared byte for byte.
    void autorun()
    {
        const QString wanted = QStringLiteral("autorun.sh");
        const QString root = content::toLocalPath(m_base);
        const QString advice = QStringLiteral(
            "grave na raiz da mídia o arquivo autorun.sh do pacote (/usr/share/apostilas/autorun.sh) com esse nome, "
            "em letras minúsculas (nos discos, com Rock Ridge ou Joliet; nos pendrives FAT, com nome longo), "
            "como arquivo comum e executável");
        const QStringList names = rawEntries(root);
        for (const char *earlier : {".autorun", "autorun"}) {
            const QString name = QLatin1String(earlier);
            if (names.contains(name) && QFileInfo(root + QLatin1Char('/') + name).isExecutable()) {
                add(kMedium, Level::Warning, m_base + QLatin1Char('\\') + name,
                    QStringLiteral("a área de trabalho inicia %1 em vez de autorun.sh; tire-o da raiz da mídia").arg(name));
            }
        }
        const QString shown = m_base + QLatin1Char('\\') + wanted;
        if (!names.contains(wanted)) {
            QStringList others;
            for (const QString &name : names) {
                if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                    others << name;
            }
            if (!others.isEmpty()) {
                add(kMedium, Level::Warning, m_base + QLatin1Char('\\') + others.first(),
                    QStringLiteral("a área de trabalho procura \"autorun.sh\" exatamente e não oferece abrir o menu; ") + advice);
            } else {
                add(kMedium, Level::Warning, shown,
                    QStringLiteral("falta autorun.sh na raiz: ao inserir a mídia, a área de trabalho não oferece abrir o menu; ") + advice);
            }
            return;
        }
        const QString local = root + QLatin1Char('/') + wanted;
        struct stat info;
        if (::lstat(QFile::encodeName(local).constData(), &info) != 0)
            return;
        if (S_ISLNK(info.st_mode)) {
            add(kMedium, Level::Warning, shown,
                QStringLiteral("autorun.sh é um link (que numa cópia da mídia se perde ou aponta para fora dela); ") + advice);
        } else if (!S_ISREG(info.st_mode)) {
            add(kMedium, Level::Warning, shown,
                QStringLiteral("autorun.sh não é um arquivo comum; a área de trabalho não o oferece; ") + advice);
        } else if (::access(QFile::encodeName(local).constData(), X_OK) != 0) {
            add(kMedium, Level::Warning, shown,
                QStringLiteral("autorun.sh não é executável: a área de trabalho não o inicia; ") + advice);
        } else {
            add(kMedium, Level::Ok, shown, QStringLiteral("ao inserir a mídia, a área de trabalho oferece abrir o menu"));
        }
    }

    Report *m_report;
    QString m_base;
    QString m_root;
    QString m_config;
    QString m_startSeries;
};

// JSON escapes control characters itself; only the bytes that were not
// UTF-8 (see rawName()) are spelt out, as the text report shows them.
QString jsonText(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() >= 0xdc80 && c.unicode() <= 0xdcff)
            out += QStringLiteral("\\x%1").arg(unsigned(c.unicode() - 0xdc00), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

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

QString visible(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool paired = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (paired) {
            shown += text[i];
            shown += text[++i];
        } else if (c == u'\n') {
            shown += QLatin1String("\\n");
        } else if (c == u'\r') {
            shown += QLatin1String("\\r");
        } else if (c == u'\t') {
            shown += QLatin1String("\\t");
        } else if (c < 0x20 || c == 0x7f) {
            shown += QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QLatin1Char('0'));
        } else if (c >= 0xdc80 && c <= 0xdcff) {
            // A byte that was not UTF-8 (see rawName()).
            shown += QStringLiteral("\\x%1").arg(unsigned(c - 0xdc00), 2, 16, QLatin1Char('0'));
        } else if ((c >= 0x80 && c <= 0x9f) || QChar::isSurrogate(c) || c == 0x061c || c == 0x200e || c == 0x200f
                   || (c >= 0x2028 && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0xfeff) {
            // C1 controls, stray surrogates, line breaks and the marks that
            // reorder text on screen.
            shown += QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0'));
        } else {
            shown += text[i];
        }
    }
    return shown;
}

QString toText(const Report &report)
{
    // Every name and text from the tree is shown through visible(), so a
    // file name or a catalog's folder text cannot move the cursor, change
    // the terminal, or add a line of its own to the report.
    QString text;
    if (!report.isCollection)
        return visible(report.notCollection) + QLatin1Char('\n');
    text += QStringLiteral("Coleção: %1\n").arg(visible(report.folder));
    QString group;
    for (const Finding &finding : report.findings) {
        if (finding.group != group) {
            group = finding.group;
            text += QLatin1Char('\n') + group + QLatin1Char('\n');
        }
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(QLatin1String(levelName(finding.level)), -5)
                    .arg(visible(finding.path), visible(finding.message));
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
                                    {QStringLiteral("caminho"), jsonText(finding.path)},
                                    {QStringLiteral("mensagem"), finding.message}});
    }
    root.insert(QStringLiteral("achados"), findings);
    root.insert(QStringLiteral("erros"), report.count(Level::Error));
    root.insert(QStringLiteral("avisos"), report.count(Level::Warning));
    root.insert(QStringLiteral("saida"), report.exitStatus());
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace verifier
