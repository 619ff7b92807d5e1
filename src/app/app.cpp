// Entry point: the application object, the main window in FRMmain, the event
// loop. The content tree is the current directory; nothing else is read.

#include "Main.h"
#include "apptitle.h"
#include "environment.h"
#include "fonts.h"
#include "helpermodes.h"
#include "preloader.h"
#include "translations.h"
#include "webloader.h"
#include "windowfit.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

int main(int argc, char **argv)
{
    // --help, --version and the launcher's windows, before anything of the
    // menu starts.
    if (const auto status = helpermodes::run(argc, argv))
        return *status;
    // A copy that outgrows a file-size limit must fail, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // What started programs inherit, before the menu changes its own.
    content::keepStartingEnvironment();
    auto preloader = std::make_unique<Preloader>();
    WebLoader::prepareApplication();
    auto app = std::make_unique<QApplication>(argc, argv);
    // The scale factor is read as the application starts: a window that
    // would not fit the screen at the scale asked for starts again smaller.
    if (const std::optional<double> scale = windowfit::scaleFactorToFit(QSize(790, 536))) {
        const QByteArray asked = qgetenv("QT_SCALE_FACTOR");
        const bool wasSet = qEnvironmentVariableIsSet("QT_SCALE_FACTOR");
        app.reset();
        qputenv("QT_SCALE_FACTOR", QByteArray::number(*scale, 'f', 4));
        app = std::make_unique<QApplication>(argc, argv);
        // The programs the menu starts get the person's own setting.
        if (wasSet)
            qputenv("QT_SCALE_FACTOR", asked);
        else
            qunsetenv("QT_SCALE_FACTOR");
    }
    WebLoader::applicationMade();
    content::installPortugueseTranslations();
    installFontSubstitutes();

    std::unique_ptr<TFRMmain> window;
    try {
        window = std::make_unique<TFRMmain>();
        preloader.reset();
    } catch (const std::exception &error) {
        preloader.reset();
        const QString message = QString::fromStdString(error.what());
        std::fprintf(stderr, "%s\n", qPrintable(message));
        QMessageBox::critical(nullptr, content::applicationTitle(QApplication::applicationFilePath()),
                              message);
        return 1;
    }
    window->show();
    window->activateWindow();
    const int result = QApplication::exec();
    window.reset();
    return result;
}
