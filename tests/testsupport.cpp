#include "testsupport.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QPointingDevice>
#include <QPushButton>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <csignal>
#include <memory>

#include <unistd.h>

namespace testing {

MissingChild::MissingChild(const char *name, const char *function)
    : std::runtime_error(std::string("no child named ") + name), testFunction(function)
{
}

namespace {

// The test functions declared after function, in order.
QStringList functionsAfter(const QObject *test, const QByteArray &function)
{
    QStringList after;
    bool found = false;
    const QMetaObject *meta = test->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        const QByteArray name = method.name();
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private
            || method.parameterCount() != 0 || name.endsWith("_data") || name == "init" || name == "cleanup"
            || name == "initTestCase" || name == "cleanupTestCase" || name == "initTestCase_data")
            continue;
        if (found)
            after << QString::fromLatin1(name);
        found = found || name == function;
    }
    return after;
}

} // namespace

int runTests(QObject *test, int argc, char **argv, Needs needs)
{
    std::signal(SIGXFSZ, SIG_IGN);
    std::unique_ptr<QCoreApplication> app;
    if (needs == Needs::Display) {
        WebLoader::prepareApplication();
        app = std::make_unique<QApplication>(argc, argv);
        WebLoader::applicationMade();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // What Qt left of the command line after taking its own options.
    const QStringList arguments = QCoreApplication::arguments();
    QStringList functions;
    int result = 0;
    for (;;) {
        try {
            return QTest::qExec(test, arguments + functions) | result;
        } catch (const MissingChild &missing) {
            // QTest has reported the function as failed and given up on the
            // run; the functions after it still run.
            qCritical("%s", missing.what());
            result = 1;
            functions = functionsAfter(test, missing.testFunction);
            if (functions.isEmpty() || arguments.size() > 1)
                return result;
        }
    }
}

bool waitUntil(const std::function<bool()> &condition, int milliseconds)
{
    // Deferred deletes posted by the test function itself run only from
    // its own level.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        // Tests run outside the application's own loop, where deferred
        // deletes (a window that frees itself on close) would never happen.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (condition())
            loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(20);
    deadline.start(milliseconds);
    loop.exec();
    return condition();
}

void pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitForActive(QWidget *window)
{
    // Without a window manager X drops a focus request whose timestamp is
    // older than the last focus change; ask again until one is taken.
    return waitUntil(
        [window] {
            if (!window->isActiveWindow() && window->windowHandle())
                window->windowHandle()->requestActivate();
            return window->isActiveWindow();
        },
        5000);
}

namespace {

QPointingDevice *touchScreen()
{
    static QPointingDevice *const device = QTest::createTouchDevice();
    return device;
}

const QPointingDevice *whiteboardPen()
{
    static const QPointingDevice *const device = [] {
        auto *pen = new QPointingDevice(QStringLiteral("whiteboard pen"), 4711, QInputDevice::DeviceType::Stylus,
                                        QPointingDevice::PointerType::Pen,
                                        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure,
                                        1, 1);
        QWindowSystemInterface::registerInputDevice(pen);
        return pen;
    }();
    return device;
}

void penAt(QWindow *window, const QPoint &at, Qt::MouseButtons buttons)
{
    QWindowSystemInterface::handleTabletEvent(window, whiteboardPen(), QPointF(at), QPointF(window->mapToGlobal(at)),
                                              buttons, buttons ? 0.8 : 0.0, 0, 0, 0.0, 0.0, 0);
    QWindowSystemInterface::flushWindowSystemEvents();
}

} // namespace

void tap(QWindow *window, Pointer pointer, const QPoint &at)
{
    switch (pointer) {
    case Pointer::Mouse:
        // As a hand does: onto the movie first, then the click. The engine
        // takes a press with no pointer over the movie yet as a press
        // outside its buttons now and then.
        QTest::mouseMove(window, at);
        pause(100);
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        break;
    case Pointer::Finger:
        QTest::touchEvent(window, touchScreen()).press(0, at, window);
        QTest::touchEvent(window, touchScreen()).release(0, at, window);
        break;
    case Pointer::Pen:
        // A pen hovers before it touches the board.
        penAt(window, at, Qt::NoButton);
        pause(100);
        penAt(window, at, Qt::LeftButton);
        penAt(window, at, Qt::NoButton);
        break;
    }
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

swf::MovieSpec tickingMovie()
{
    swf::MovieSpec ticking = movieSpec("TICK");
    ticking.loadSendsCommand = true;
    ticking.loadRepeats = true;
    ticking.frameRate = 30;
    ticking.frameCount = 2;
    ticking.loadCommand = {"tick", ""};
    return ticking;
}

qint64 residentMemory(qint64 pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
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

void writeMenuMovies(const QString &configFolder)
{
    const struct
    {
        const char *file;
        const char *label;
        int width, height;
    } movies[] = {{"logo.swf", "LOGO", 121, 69}, {"ano.swf", "ANO", 373, 280},
                  {"1ano.swf", "1", 373, 280},   {"2ano.swf", "2", 373, 280},
                  {"3ano.swf", "3", 373, 280},   {"4ano.swf", "4", 373, 280},
                  {"5ano.swf", "5", 373, 280},   {"n1.swf", "N1", 373, 280},
                  {"n2.swf", "N2", 373, 280},    {"n3.swf", "N3", 373, 280}};
    for (const auto &movie : movies) {
        swf::MovieSpec spec = movieSpec(movie.label, movie.width, movie.height);
        spec.moving = false;
        writeMovie(configFolder + QLatin1Char('/') + QString::fromLatin1(movie.file), spec);
    }
    swf::MovieSpec ok = movieSpec("OK", 48, 23);
    ok.moving = false;
    ok.buttonSendsCommand = true;
    ok.buttonCommand = {"ok", ""};
    writeMovie(configFolder + QStringLiteral("/Ok.swf"), ok);
    swf::MovieSpec sair = movieSpec("SAIR", 48, 23);
    sair.moving = false;
    sair.buttonSendsCommand = true;
    sair.buttonCommand = {"Sair", ""};
    writeMovie(configFolder + QStringLiteral("/Sair.swf"), sair);
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
    seenBox.geometry = box->frameGeometry();
    const QList<QAbstractButton *> buttons = box->buttons();
    for (QAbstractButton *button : buttons)
        seenBox.buttons << button->text();
    seen.push_back(seenBox);
    box->accept();
}

} // namespace testing
