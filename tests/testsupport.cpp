#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include <algorithm>
#include <csignal>

namespace testing {

int runTests(QObject *test, int argc, char **argv)
{
    std::signal(SIGXFSZ, SIG_IGN);
    FlashEngine::registerScheme();
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::vector<char *> arguments = FlashEngine::engineArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    QApplication app(count, arguments.data());
    // What Qt left of the command line, less the engine's switches.
    QStringList testArguments = QCoreApplication::arguments();
    testArguments.erase(std::remove_if(testArguments.begin(), testArguments.end(),
                                       [](const QString &argument) {
                                           return argument.startsWith(QLatin1String("--"));
                                       }),
                        testArguments.end());
    return QTest::qExec(test, testArguments);
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

void writeMovie(const QString &path, const swf::MovieSpec &spec)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!swf::writeMovieFile(spec, QFile::encodeName(path).toStdString()))
        qFatal("cannot write movie %s", qPrintable(path));
}

swf::MovieSpec movieSpec(const std::string &label, int width, int height)
{
    swf::MovieSpec spec;
    spec.label = label;
    spec.width = width;
    spec.height = height;
    spec.background = {255, 0, 255};
    spec.foreground = {0, 0, 0};
    return spec;
}

BoxWatcher::BoxWatcher(QObject *parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &BoxWatcher::poll);
    m_timer.start(50);
}

void BoxWatcher::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    SeenBox seenBox;
    seenBox.title = box->windowTitle();
    seenBox.text = box->text();
    seenBox.icon = box->icon();
    const QList<QAbstractButton *> buttons = box->buttons();
    for (QAbstractButton *button : buttons)
        seenBox.buttons << button->text();
    seen.push_back(seenBox);
    box->accept();
}

} // namespace testing
