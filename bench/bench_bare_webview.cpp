// Baseline: one bare web view showing a static page, to the page loaded and
// painted. With an address instead, the page there says when it is on
// screen by setting its title to "shown" (bench/run.sh serves one that
// plays one movie on the Flash engine, and one that plays the menu's four:
// the engine's own floors). With "memory" after the address, the view
// plays on for three seconds and then prints its processes' memory.
#include "benchclock.h"
#include "benchprocess.h"

#include <QApplication>
#include <QTimer>
#include <QWebEngineView>

#include <unistd.h>

int main(int argc, char **argv)
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWebEngineView view;
    view.resize(373, 280);
    const QUrl address = argc > 1 ? QUrl(QString::fromLocal8Bit(argv[1])) : QUrl();
    const bool memory = argc > 2 && QByteArray(argv[2]) == "memory";
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&view, address](bool) {
        if (!address.isEmpty())
            return;
        // Two animation frames later the page is on screen (as the players
        // report their first frame).
        view.page()->runJavaScript(QStringLiteral(
            "requestAnimationFrame(() => requestAnimationFrame(() => { document.title = 'shown'; }))"));
    });
    QObject::connect(&view, &QWebEngineView::titleChanged, &app, [memory](const QString &title) {
        if (title != QLatin1String("shown"))
            return;
        printMark("shown");
        if (!memory) {
            QCoreApplication::quit();
            return;
        }
        QTimer::singleShot(3000, qApp, [] {
            printMemory();
            QCoreApplication::quit();
        });
    });
    if (address.isEmpty())
        view.setHtml(QStringLiteral("<html><body style='background:#2f7fc1'><h1>Apostilas</h1></body></html>"));
    else
        view.load(address);
    view.show();
    return QApplication::exec();
}
