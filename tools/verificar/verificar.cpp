// apostilas-verificar [--json] [PASTA]: is this collection complete and
// sound? Prints what the menu will find in the tree at PASTA (the current
// folder by default). Exit status 0 when nothing is an error, 1 when
// something is, 2 when the folder is not a collection at all.

#include "verifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool json = arguments.removeAll(QStringLiteral("--json")) > 0;
    if (arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help"))) {
        std::printf("uso: apostilas-verificar [--json] [PASTA]\n"
                    "Confere a coleção em PASTA (a pasta atual, se nenhuma for dada) como o menu a lê.\n");
        return 0;
    }
    if (arguments.size() > 1) {
        std::fprintf(stderr, "apostilas-verificar: dê uma pasta só (a raiz da coleção)\n");
        return 2;
    }
    const QString folder = arguments.isEmpty() ? QDir::currentPath() : arguments.first();
    const verifier::Report report = verifier::checkTree(folder);
    if (json)
        std::fputs(verifier::toJson(report).constData(), stdout);
    else if (report.isCollection)
        std::fputs(verifier::toText(report).toUtf8().constData(), stdout);
    else
        std::fprintf(stderr, "apostilas-verificar: %s\n", qPrintable(report.notCollection));
    return report.exitStatus();
}
