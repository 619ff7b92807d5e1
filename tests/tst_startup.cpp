// The program's start before its application object exists. Qt takes the
// first thread that makes one of its objects for its main thread: one made
// on the preloader's thread while that thread still runs, as the
// application object comes, leaves the program without a main thread of
// its own (Qt warns that the application was not created in the main()
// thread, and the window may come up black). So nothing may make a Qt
// object before the application object, on any thread. This program
// starts as the menu does, but waits for the preloader to finish before it
// makes its application object, as the menu's start does on a loaded
// machine; every object Qt makes meanwhile is counted.
#include "jpegimage.h"
#include "preloader.h"
#include "webloader.h"

#include <QApplication>
#include <QFile>
#include <QObject>
#include <QTest>

#include <private/qhooks_p.h>

#include <atomic>

namespace {

std::atomic<int> s_objects{0};
std::atomic<int> s_objectsBeforeTheApplication{0};
std::atomic<bool> s_applicationComing{false};
QHooks::AddQObjectCallback s_nextHook = nullptr;

// Called by Qt for every object it makes, on whatever thread makes it.
void countObject(QObject *object)
{
    ++s_objects;
    if (!s_applicationComing)
        ++s_objectsBeforeTheApplication;
    if (s_nextHook)
        s_nextHook(object);
}

} // namespace

class TestStartUp final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noQtObjectBeforeTheApplication();
    void preloadedBackgroundIsTheResource();
};

void TestStartUp::noQtObjectBeforeTheApplication()
{
    // The count sees Qt's objects, wherever they are made …
    const int before = s_objects.load();
    {
        QObject probe;
    }
    QVERIFY(s_objects.load() > before);
    // … and none was made before the application object.
    QCOMPARE(s_objectsBeforeTheApplication.load(), 0);
}

void TestStartUp::preloadedBackgroundIsTheResource()
{
    // What the preloader decoded is the picture compiled into the program.
    QFile file(QStringLiteral(":/menu/background.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage expected = decodeJpeg(file.readAll());
    QCOMPARE(expected.size(), QSize(800, 600));
    QCOMPARE(loadJpegResource(QStringLiteral(":/menu/background.jpg")), expected);
}

int main(int argc, char **argv)
{
    s_nextHook = reinterpret_cast<QHooks::AddQObjectCallback>(qtHookData[QHooks::AddQObject]);
    qtHookData[QHooks::AddQObject] = reinterpret_cast<quintptr>(&countObject);
    {
        Preloader preloader;
    }
    WebLoader::prepareApplication();
    s_applicationComing = true;
    QApplication app(argc, argv);
    WebLoader::applicationMade();
    TestStartUp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
