#include "helpermodes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>

#include <cstdio>
#include <cstring>

namespace helpermodes {
namespace {

const char kUsage[] =
    "uso: apostilas\n"
    "     apostilas --mensagem TEXTO\n"
    "     apostilas --escolher-pasta [PASTA]\n"
    "Mostra o menu de abertura da coleção que está na pasta atual (para abrir a\n"
    "coleção de outra pasta, use apostilas-abrir).\n"
    "\n"
    "  --mensagem TEXTO          mostra TEXTO numa janela, em português\n"
    "  --escolher-pasta [PASTA]  pede uma pasta numa janela (a partir de PASTA) e\n"
    "                            escreve a escolhida; sai com 1 se nenhuma for escolhida\n"
    "  --help                    mostra esta ajuda\n"
    "  --version                 mostra a versão\n";

const QString kTitle = QStringLiteral("Menu da coleção");

bool is(const char *argument, const char *option)
{
    return std::strcmp(argument, option) == 0;
}

// A long path in a message has no space to wrap at; a zero-width space
// after each separator lets the label break it there.
QString breakable(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('/'), QStringLiteral("/\u200b"));
    return result;
}

int showMessage(int argc, char **argv, const QString &text)
{
    QApplication app(argc, argv);
    installQtPortuguese();
    const auto box = messageBox(text, QGuiApplication::primaryScreen());
    box->exec();
    return 0;
}

int chooseFolder(int argc, char **argv, const QString &start)
{
    QApplication app(argc, argv);
    installQtPortuguese();
    const auto dialog = folderDialog(start);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return 1;
    std::printf("%s\n", QFile::encodeName(dialog->selectedFiles().first()).constData());
    return 0;
}

} // namespace

std::optional<int> run(int argc, char **argv)
{
    if (argc < 2)
        return std::nullopt;
    const char *mode = argv[1];
    if (is(mode, "--help") || is(mode, "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (is(mode, "--version")) {
        std::printf("apostilas %s\n", APOSTILAS_VERSION);
        return 0;
    }
    if (is(mode, "--mensagem")) {
        if (argc != 3) {
            std::fprintf(stderr, "apostilas: --mensagem pede um texto\n%s", kUsage);
            return 2;
        }
        return showMessage(1, argv, QString::fromLocal8Bit(argv[2]));
    }
    if (is(mode, "--escolher-pasta")) {
        if (argc > 3) {
            std::fprintf(stderr, "apostilas: --escolher-pasta aceita uma pasta só\n%s", kUsage);
            return 2;
        }
        return chooseFolder(1, argv, argc == 3 ? QFile::decodeName(argv[2]) : QDir::homePath());
    }
    return std::nullopt;
}

std::unique_ptr<QMessageBox> messageBox(const QString &text, QScreen *screen)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, kTitle, breakable(text), QMessageBox::Close);
    box->setTextFormat(Qt::PlainText);
    if (screen)
        box->setScreen(screen);
    return box;
}

std::unique_ptr<QFileDialog> folderDialog(const QString &start)
{
    auto dialog = std::make_unique<QFileDialog>(nullptr, QStringLiteral("Escolha a pasta da coleção"), start);
    // Qt's own dialog: the desktop's would speak the system's language.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Where discs and sticks are mounted, beside the home folder.
    QList<QUrl> places{QUrl::fromLocalFile(QDir::homePath())};
    QStringList folders;
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty())
        folders << QStringLiteral("/media/") + user << QStringLiteral("/run/media/") + user;
    folders << QStringLiteral("/media") << QStringLiteral("/mnt");
    for (const QString &folder : std::as_const(folders)) {
        if (QFileInfo(folder).isDir() && !places.contains(QUrl::fromLocalFile(folder)))
            places << QUrl::fromLocalFile(folder);
    }
    dialog->setSidebarUrls(places);
    return dialog;
}

void installQtPortuguese()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_pt_BR"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace helpermodes
