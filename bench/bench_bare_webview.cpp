// Baseline: one bare web view showing a static page, to the page loaded and
// painted.
#include "benchclock.h"

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
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&view](bool) {
        // Two animation frames later the page is on screen (as the players
        // report their first frame).
        view.page()->runJavaScript(QStringLiteral(
            "requestAnimationFrame(() => requestAnimationFrame(() => { document.title = 'shown'; }))"));
    });
    QObject::connect(&view, &QWebEngineView::titleChanged, &app, [](const QString &title) {
        if (title == QLatin1String("shown")) {
            printMark("shown");
            QCoreApplication::quit();
        }
    });
    view.setHtml(QStringLiteral("<html><body style='background:#2f7fc1'><h1>Apostilas</h1></body></html>"));
    view.show();
    return QApplication::exec();
}
