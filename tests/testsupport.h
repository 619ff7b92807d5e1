#pragma once

// What the tests share: a main() that prepares the web engine the way the
// program does, movie writing, a person's taps through the window system,
// and a watcher that answers modal message boxes while recording what they
// said.

#include "swfwriter.h"
#include "webloader.h"

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <stdexcept>
#include <vector>

class QWindow;

namespace testing {

// Runs the test object's functions in a QApplication prepared as the
// program prepares it (the tests that need a display), or, for the unit
// tests, in a QCoreApplication, which needs none.
enum class Needs { Display, Nothing };
int runTests(QObject *test, int argc, char **argv, Needs needs = Needs::Display);

// Waits in a real event loop until the condition holds or the time is up.
// QTest's own waits spin processEvents(), which starves the web engine's
// message pump when several views load at once.
bool waitUntil(const std::function<bool()> &condition, int milliseconds);
void pause(int milliseconds);
bool waitForActive(QWidget *window);

// What a person presses with: a mouse button, a finger on a touch screen,
// a pen on an interactive whiteboard.
enum class Pointer { Mouse, Finger, Pen };
// A press and its release at a point of the window (in its coordinates),
// handed to the window system as the display server would.
void tap(QWindow *window, Pointer pointer, const QPoint &at);

// Writes a file (creating its folder); returns the path.
QString writeFile(const QString &path, const QByteArray &bytes = QByteArray("x"));
void writeMovie(const QString &path, const swf::MovieSpec &spec);
swf::MovieSpec movieSpec(const std::string &label, int width = 120, int height = 90);
// A movie that sends "tick" on every loop, fifteen times a second.
swf::MovieSpec tickingMovie();
// The resident memory of a process in bytes, or 0 when it cannot be read.
qint64 residentMemory(qint64 pid);
// Every movie the menu plays, in the given configuration folder.
void writeMenuMovies(const QString &configFolder);
// Thrown by child() when a named child is missing: the test function fails
// and the test program goes on with the next one (see runTests).
class MissingChild : public std::runtime_error
{
public:
    MissingChild(const char *name, const char *testFunction);
    QByteArray testFunction;
};

// Finds a named child (a radio button, label or window of a widget's tree)
// or fails the current test function.
template <typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        throw MissingChild(name, QTest::currentTestFunction());
    return found;
}

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QRect geometry; // where it was on screen
};

// Answers every modal message box that opens while it lives (OK), keeping
// what each one showed.
class BoxWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit BoxWatcher(QObject *parent = nullptr);
    std::vector<SeenBox> seen;

private:
    void poll();
    QTimer m_timer;
};

} // namespace testing

Q_DECLARE_METATYPE(testing::Pointer)

#define WAIT_VERIFY(expression, milliseconds)                                                     \
    QVERIFY2(testing::waitUntil([&]() -> bool { return (expression); }, (milliseconds)), #expression)
#define WAIT_COMPARE(actual, expected, milliseconds)                                              \
    do {                                                                                          \
        (void)testing::waitUntil([&]() -> bool { return (actual) == (expected); }, (milliseconds)); \
        QCOMPARE(actual, expected);                                                               \
    } while (false)

#define MENU_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char **argv)                                                               \
    {                                                                                             \
        TestClass test;                                                                           \
        return testing::runTests(&test, argc, argv);                                              \
    }

// For the unit tests: no display, no web engine.
#define MENU_UNIT_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char **argv)                                                               \
    {                                                                                             \
        TestClass test;                                                                           \
        return testing::runTests(&test, argc, argv, testing::Needs::Nothing);                     \
    }
