// apostilas-verificar [--json] [--] [PASTA]: is this collection complete and
// sound? Prints what the menu will find in the tree at PASTA (the current
// folder by default). Exit status 0 when nothing is an error, 1 when
// something is, 2 when the folder is not a collection at all (or the
// command line is wrong). It needs no display: --help and --version print
// and exit on any terminal.

#include "verifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>

namespace {

const char kUsage[] =
    "uso: apostilas-verificar [--json] [--] [PASTA]\n"
    "Confere a coleção em PASTA (a pasta atual, se nenhuma for dada) como o menu a lê.\n"
    "\n"
    "  --json     os mesmos achados em JSON, para scripts\n"
    "  --help     mostra esta ajuda\n"
    "  --version  mostra a versão\n"
    "\n"
    "Saída: 0 quando nada é erro, 1 quando algo é, 2 quando a pasta não é uma coleção.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool json = false;
    QStringList folders;
    bool options = true;
    for (const QString &argument : QCoreApplication::arguments().mid(1)) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options && (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && argument == QLatin1String("--version")) {
            std::printf("apostilas-verificar %s\n", APOSTILAS_VERSION);
            return 0;
        } else if (options && argument == QLatin1String("--json")) {
            json = true;
        } else if (options && argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            std::fprintf(stderr, "apostilas-verificar: opção desconhecida: %s\n%s",
                         verifier::visible(argument).toUtf8().constData(), kUsage);
            return 2;
        } else {
            folders << argument;
        }
    }
    if (folders.size() > 1) {
        std::fprintf(stderr, "apostilas-verificar: dê uma pasta só (a raiz da coleção)\n");
        return 2;
    }
    const QString folder = folders.isEmpty() ? QDir::currentPath() : folders.first();
    const verifier::Report report = verifier::checkTree(folder);
    if (json)
        std::fputs(verifier::toJson(report).constData(), stdout);
    else if (report.isCollection)
        std::fputs(verifier::toText(report).toUtf8().constData(), stdout);
    else
        std::fprintf(stderr, "apostilas-verificar: %s\n", verifier::visible(report.notCollection).toUtf8().constData());
    return report.exitStatus();
}
