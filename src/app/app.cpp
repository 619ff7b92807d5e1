// Entry point: the application object, the main window in FRMmain, the event
// loop. The content tree is the current directory; nothing else is read.

#include "Main.h"
#include "apptitle.h"
#include "fonts.h"
#include "preloader.h"
#include "translations.h"
#include "webloader.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    // A copy that outgrows a file-size limit must fail, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    auto preloader = std::make_unique<Preloader>();
    WebLoader::prepareApplication();
    QApplication app(argc, argv);
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
