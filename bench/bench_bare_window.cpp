// Baseline: a bare Qt Widgets window of the menu's size, to its first paint.
#include "benchclock.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {
class Window final : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), QColor(0x2f, 0x7f, 0xc1));
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, qApp, [] {
                printMark("painted");
                QCoreApplication::quit();
            });
        }
    }

private:
    bool m_painted = false;
};
} // namespace

int main(int argc, char **argv)
{
    printMark("main");
    QApplication app(argc, argv);
    printMark("app");
    Window window;
    window.setFixedSize(790, 536);
    window.show();
    return QApplication::exec();
}
