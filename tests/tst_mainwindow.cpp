// The main window under Xvfb on the real engine: its definition, start-up
// state, the radio-button rules and the year and level selection.
#include "Main.h"
#include "flash.h"
#include "globals.h"
#include "jpegimage.h"
#include "radiobutton.h"
#include "shape.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <thread>

class TestMainWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void windowDefinition();
    void artworkLoads_data();
    void artworkLoads();
    void controls_data();
    void controls();
    void labelsLieUnderThePanel();
    void panelBandCoversThePicture();
    void tabOrder();
    void startUpSeries_data();
    void startUpSeries();
    void missingContentStillComesUp();
    void selection_data();
    void selection();
    void checkedButtonRunsNoHandler();
    void yearAndLevelStayChecked();
    void tabReachesOnlyCheckedButtons();
    void arrowKeysCheckInEachGroup_data();
    void arrowKeysCheckInEachGroup();
    void mousePressFocusesWithoutChecking();
    void keyboardFocusChecks();
    void showAndBlankTheAnimations();

private:
    // A window on a tree with every movie and the given intro manuals,
    // shown and active unless told otherwise.
    std::unique_ptr<TFRMmain> openWindow(const QList<int> &intros = {}, bool activate = true);
    QString movieName(TFRMmain *window, const char *control);
    // One window for all the rows of the current test function, closed
    // before the next function starts and before the application ends,
    // whichever rows run.
    TFRMmain *windowForTheRows(bool activate);

    std::unique_ptr<TFRMmain> m_rowsWindow;
    QByteArray m_rowsFunction;

    QTemporaryDir m_root;
    QString m_previousDirectory;
    std::vector<std::unique_ptr<QTemporaryDir>> m_trees;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_previousDirectory = QDir::currentPath();
}

void TestMainWindow::init()
{
    if (m_rowsFunction != QTest::currentTestFunction())
        m_rowsWindow.reset();
}

void TestMainWindow::cleanupTestCase()
{
    m_rowsWindow.reset();
}

TFRMmain *TestMainWindow::windowForTheRows(bool activate)
{
    if (!m_rowsWindow) {
        m_rowsWindow = openWindow({}, activate);
        m_rowsFunction = QTest::currentTestFunction();
    }
    return m_rowsWindow.get();
}

void TestMainWindow::cleanup()
{
    // Trees live until the end: a window kept across data rows still plays
    // from its own.
    QDir::setCurrent(m_previousDirectory);
}

std::unique_ptr<TFRMmain> TestMainWindow::openWindow(const QList<int> &intros, bool activate)
{
    m_trees.push_back(std::make_unique<QTemporaryDir>(m_root.path() + QStringLiteral("/tree-XXXXXX")));
    const QString root = m_trees.back()->path();
    testing::writeMenuMovies(root + QStringLiteral("/config"));
    for (int year : intros)
        testing::writeFile(root + QStringLiteral("/manuais/%1ano_intro.PDF").arg(year));
    QDir::setCurrent(root);
    auto window = std::make_unique<TFRMmain>();
    if (activate) {
        window->show();
        window->activateWindow();
        if (!testing::waitForActive(window.get()))
            qWarning("main window did not become active");
    }
    return window;
}

QString TestMainWindow::movieName(TFRMmain *window, const char *control)
{
    const QString file = testing::child<TShockwaveFlash>(window, control)->movieFile();
    return file.isEmpty() ? QString() : QFileInfo(file).fileName();
}

void TestMainWindow::artworkLoads_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<bool>("preloaded");
    QTest::addColumn<QSize>("size");
    const QString background = QStringLiteral(":/menu/background.jpg");
    QTest::newRow("decoded at once") << background << false << QSize(800, 600);
    QTest::newRow("preloaded") << background << true << QSize(800, 600);
    QTest::newRow("missing, preloaded") << QStringLiteral(":/menu/none.jpg") << true << QSize(0, 0);
    QTest::newRow("not a JPEG, preloaded") << QStringLiteral(":/menu/icon.png") << true << QSize(0, 0);
}

void TestMainWindow::artworkLoads()
{
    QFETCH(QString, resource);
    QFETCH(bool, preloaded);
    QFETCH(QSize, size);
    Q_INIT_RESOURCE(resources);
    QImage expected;
    if (QFile file(resource); file.open(QIODevice::ReadOnly))
        expected = decodeJpeg(file.readAll());
    // The preload runs on its own thread, as at start-up, and may still be
    // decoding when the picture is asked for.
    std::thread preload;
    if (preloaded)
        preload = std::thread([resource] { preloadJpegResource(resource); });
    const QImage image = loadJpegResource(resource);
    if (preload.joinable())
        preload.join();
    QCOMPARE(image.size(), size);
    QCOMPARE(image, expected);
    // Taken once: the next load decodes again and gets the same picture.
    QCOMPARE(loadJpegResource(resource), expected);
}

void TestMainWindow::windowDefinition()
{
    auto window = openWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Apostilas -Demonstração"));
    QCOMPARE(window->objectName(), QStringLiteral("FRMmain"));
    QCOMPARE(FRMmain, window.get());
    QCOMPARE(window->size(), QSize(790, 536));
    QCOMPARE(window->minimumSize(), QSize(790, 536));
    QCOMPARE(window->maximumSize(), QSize(790, 536));
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(window->windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(window->geometry().center().y() - screen.center().y()) <= 1);
    // The background is the 800 x 600 picture stretched over the client area.
    const QImage shot = window->grab().toImage();
    const QColor sky = shot.pixelColor(20, 20);
    QVERIFY2(sky.blue() > 200 && sky.red() < 230, qPrintable(sky.name()));
    window.reset();
    QCOMPARE(FRMmain, nullptr);
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, const char *parent, QRect geometry, bool visible,
                        const QString &text) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << geometry
                            << visible << text;
    };
    row("Image1", "FRMmain", {0, 0, 790, 536}, true, {});
    row("SWF1", "FRMmain", {337, 11, 121, 69}, true, {});
    row("SWFok", "FRMmain", {689, 486, 48, 23}, true, {});
    row("SWFsair", "FRMmain", {618, 487, 48, 23}, true, {});
    row("P1", "FRMmain", {54, 112, 690, 344}, true, {});
    row("ScrollBox1", "P1", {3, 3, 684, 338}, true, {});
    row("Shape1", "ScrollBox1", {152, 13, 385, 292}, true, {});
    row("SWFinf", "ScrollBox1", {156, 17, 373, 280}, true, {});
    row("Button1", "ScrollBox1", {24, 304, 75, 25}, false, QStringLiteral("Copia"));
    row("RadioGroup1", "ScrollBox1", {552, 16, 119, 289}, true, QStringLiteral("Séries"));
    row("rb1a", "ScrollBox1", {569, 42, 73, 17}, true, QStringLiteral("1ºAno"));
    row("rb2a", "ScrollBox1", {568, 68, 73, 17}, true, QStringLiteral("2ºAno"));
    row("rb4a", "ScrollBox1", {568, 117, 73, 17}, true, QStringLiteral("4ºAno"));
    row("rb3a", "ScrollBox1", {568, 92, 73, 17}, true, QStringLiteral("3ºAno"));
    row("rb5a", "ScrollBox1", {568, 143, 73, 17}, true, QStringLiteral("5ºAno"));
    row("Panel1", "ScrollBox1", {3, 6, 143, 57}, false, {});
    row("rb1", "Panel1", {12, 18, 115, 27}, false, QStringLiteral("Apostila"));
    row("rb2", "Panel1", {8, 67, 137, 17}, false, QStringLiteral("Educativos"));
    row("rb3", "Panel1", {9, 113, 137, 20}, false, QStringLiteral("Agenda"));
    row("Panel2", "ScrollBox1", {3, 70, 143, 226}, true, {});
    row("rbn11", "Panel2", {20, 10, 84, 17}, true, QStringLiteral("Nível I-1"));
    row("rbn12", "Panel2", {20, 31, 83, 17}, true, QStringLiteral("Nível I-2 "));
    row("rbn13", "Panel2", {20, 52, 89, 17}, true, QStringLiteral("Nível I-3"));
    row("rbn21", "Panel2", {20, 73, 84, 17}, true, QStringLiteral("Nível II-1"));
    row("rbn22", "Panel2", {20, 95, 83, 17}, true, QStringLiteral("Nível II-2 "));
    row("rbn23", "Panel2", {20, 116, 89, 17}, true, QStringLiteral("Nível II-3"));
    row("rbn31", "Panel2", {20, 137, 94, 17}, true, QStringLiteral("Nível III-1"));
    row("rbn32", "Panel2", {20, 158, 96, 17}, true, QStringLiteral("Nível III-2 "));
    row("rbn33", "Panel2", {20, 180, 100, 17}, true, QStringLiteral("Nível III-3"));
    row("btok", "FRMmain", {542, 424, 27, 25}, false, QString());
    // Labels size themselves to their text: only the top-left corner is fixed.
    row("Label2", "FRMmain", {534, 399, -1, -1}, true, QStringLiteral("Fundamental II"));
    row("Label4", "FRMmain", {130, 400, -1, -1}, true, QStringLiteral("Fundamental I"));
    // Label7 keeps its box, which reaches under P1.
    row("Label7", "FRMmain", {224, 92, 334, 24}, true, QStringLiteral("Lumivark - Tecnologia  e  Educação"));
}

void TestMainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);
    QFETCH(QString, text);
    TFRMmain *const window = windowForTheRows(false);
    auto *control = window->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    // Inside the scroll box, positions count from its client area, inside
    // its sunken border; inside panels and the window, from their edge.
    if (parent == QLatin1String("ScrollBox1")) {
        QFrame *box = testing::child<QFrame>(window, "ScrollBox1");
        QVERIFY(box->frameWidth() > 0);
        QCOMPARE(box->contentsRect().topLeft(), QPoint(box->frameWidth(), box->frameWidth()));
        geometry.translate(box->contentsRect().topLeft());
    }
    if (geometry.width() < 0) {
        QCOMPARE(control->pos(), geometry.topLeft());
        QCOMPARE(control->size(), control->sizeHint());
    } else {
        QCOMPARE(control->geometry(), geometry);
    }
    QCOMPARE(control->isVisibleTo(window), visible);
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        QCOMPARE(button->text(), text);
    else if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    else if (auto *group = qobject_cast<QGroupBox *>(control))
        QCOMPARE(group->title(), text);
    if (name == QLatin1String("Shape1"))
        QCOMPARE(control->mapTo(window, QPoint(0, 0)), QPoint(211, 130));
}

void TestMainWindow::labelsLieUnderThePanel()
{
    auto window = openWindow({}, false);
    for (const char *name : {"Label2", "Label4"}) {
        auto *label = testing::child<QLabel>(window.get(), name);
        QVERIFY(window->childAt(label->geometry().center()) != label);
    }
    // P1 covers the lowest four pixel rows of Label7's box, not the rest.
    auto *label7 = testing::child<QLabel>(window.get(), "Label7");
    auto *panel = testing::child<QFrame>(window.get(), "P1");
    QCOMPARE(label7->geometry().bottom() - panel->geometry().top() + 1, 4);
    for (int y = panel->geometry().top(); y <= label7->geometry().bottom(); ++y) {
        QWidget *top = window->childAt(QPoint(label7->x() + 40, y));
        QVERIFY(top == panel || panel->isAncestorOf(top));
    }
    // Every row the label paints above the panel is its own on screen.
    const QImage text = label7->grab().toImage();
    int painted = 0;
    for (int y = 0; y < text.height() && label7->y() + y < panel->geometry().top(); ++y) {
        for (int x = 0; x < text.width(); ++x) {
            if (text.pixelColor(x, y) == QColor(0, 64, 128)) {
                QCOMPARE(window->childAt(label7->pos() + QPoint(x, y)), label7);
                ++painted;
                break;
            }
        }
    }
    QVERIFY(painted > 8);
}

void TestMainWindow::panelBandCoversThePicture()
{
    // Between P1's one-pixel bevel and the scroll box lies a two-pixel band
    // in the panel's colour; the picture does not show through it.
    auto window = openWindow({}, false);
    auto *panel = testing::child<QFrame>(window.get(), "P1");
    auto *box = testing::child<QFrame>(window.get(), "ScrollBox1");
    const QImage image = window->grab().toImage();
    const QColor colour = panel->palette().color(QPalette::Window);
    for (const int y : {panel->y() + 60, panel->y() + 200, panel->y() + 300}) {
        for (int x = panel->x() + panel->lineWidth(); x < panel->x() + box->x(); ++x)
            QCOMPARE(image.pixelColor(x, y), colour);
    }
}

void TestMainWindow::tabOrder()
{
    auto window = openWindow({}, false);
    const QStringList expected = {
        QStringLiteral("SWF1"),  QStringLiteral("SWFok"), QStringLiteral("SWFsair"),
        QStringLiteral("SWFinf"), QStringLiteral("Button1"), QStringLiteral("rb1a"),
        QStringLiteral("rb2a"),  QStringLiteral("rb4a"),  QStringLiteral("rb3a"),
        QStringLiteral("rb5a"),  QStringLiteral("rb1"),   QStringLiteral("rb2"),
        QStringLiteral("rb3"),   QStringLiteral("rbn11"), QStringLiteral("rbn12"),
        QStringLiteral("rbn13"), QStringLiteral("rbn21"), QStringLiteral("rbn22"),
        QStringLiteral("rbn23"), QStringLiteral("rbn31"), QStringLiteral("rbn32"),
        QStringLiteral("rbn33"), QStringLiteral("btok")};
    QStringList chain;
    QWidget *start = testing::child<QWidget>(window.get(), "SWF1");
    QWidget *widget = start;
    do {
        if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != start);
    QCOMPARE(chain, expected);
}

void TestMainWindow::startUpSeries_data()
{
    QTest::addColumn<QList<int>>("intros");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none") << QList<int>{} << QString() << QStringLiteral("4º Ano");
    QTest::newRow("2 and 4") << QList<int>{2, 4} << QStringLiteral("4S") << QStringLiteral("4º Ano");
    QTest::newRow("1 only") << QList<int>{1} << QStringLiteral("1S") << QStringLiteral("1º Ano");
    QTest::newRow("all") << QList<int>{1, 2, 3, 4, 5} << QStringLiteral("5S") << QStringLiteral("5º Ano");
    QTest::newRow("3 and 5") << QList<int>{5, 3} << QStringLiteral("5S") << QStringLiteral("5º Ano");
}

void TestMainWindow::startUpSeries()
{
    QFETCH(QList<int>, intros);
    QFETCH(QString, code);
    QFETCH(QString, caption);
    auto window = openWindow(intros, false);
    auto *lser = testing::child<QLabel>(window.get(), "lser");
    QCOMPARE(window->seriesCode(), code);
    QCOMPARE(lser->text(), caption);
    // The derivation does not reload the preview: it plays the empty code's movie.
    QCOMPARE(movieName(window.get(), "SWFinf"), QStringLiteral("ano.swf"));
    QVERIFY(!testing::child<RadioButton>(window.get(), "rb1a")->isChecked());
    QCOMPARE(vetor[0], 0);

    // The first activation checks "1ºAno" and runs its handler.
    window->show();
    window->activateWindow();
    QVERIFY(testing::waitForActive(window.get()));
    WAIT_VERIFY(testing::child<RadioButton>(window.get(), "rb1a")->isChecked(), 5000);
    QCOMPARE(window->seriesCode(), QStringLiteral("1S"));
    QCOMPARE(lser->text(), QStringLiteral("1º Ano"));
    QCOMPARE(movieName(window.get(), "SWFinf"), QStringLiteral("1ano.swf"));
}

void TestMainWindow::missingContentStillComesUp()
{
    m_trees.push_back(std::make_unique<QTemporaryDir>(m_root.path() + QStringLiteral("/empty-XXXXXX")));
    const QString root = m_trees.back()->path();
    QDir::setCurrent(root);
    TFRMmain window;
    window.show();
    window.activateWindow();
    QVERIFY(testing::waitForActive(&window));
    WAIT_COMPARE(window.seriesCode(), QStringLiteral("1S"), 5000);
    for (const char *name : {"SWF1", "SWFinf", "SWFok", "SWFsair"})
        QVERIFY(testing::child<TShockwaveFlash>(&window, name)->movieFile().isEmpty());
    QCOMPARE(window.configDirectory(), root + QStringLiteral("\\config\\"));
    QCOMPARE(window.baseDirectory(), root);
}

void TestMainWindow::selection_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("movie");
    const auto row = [](const char *button, const char *code, const char *caption, const char *movie) {
        QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(code)
                              << QString::fromUtf8(caption) << QString::fromLatin1(movie);
    };
    row("rb2a", "2S", "2º Ano", "2ano.swf");
    row("rb3a", "3S", "3º Ano", "3ano.swf");
    row("rb4a", "4S", "4º Ano", "4ano.swf");
    row("rb5a", "5S", "5º Ano", "5ano.swf");
    row("rbn11", "N1", "Nível I", "n1.swf");
    row("rbn12", "N1", "Nível I", "n1.swf");
    row("rbn13", "N1", "Nível I", "n1.swf");
    row("rbn21", "N2", "Nível II", "n2.swf");
    row("rbn22", "N2", "Nível II", "n2.swf");
    row("rbn23", "N2", "Nível II", "n2.swf");
    row("rbn31", "N3", "Nível III", "n3.swf");
    row("rbn32", "N3", "Nível III", "n3.swf");
    row("rbn33", "N3", "Nível III", "n3.swf");
}

void TestMainWindow::selection()
{
    QFETCH(QString, button);
    QFETCH(QString, code);
    QFETCH(QString, caption);
    QFETCH(QString, movie);
    TFRMmain *const window = windowForTheRows(true);
    // Back to year 1 and no level, as after start-up.
    testing::child<RadioButton>(window, "rb1a")->click();
    QButtonGroup *levels = testing::child<RadioButton>(window, "rbn11")->group();
    QVERIFY(levels);
    levels->setExclusive(false);
    for (QAbstractButton *level : levels->buttons())
        level->setChecked(false);
    levels->setExclusive(true);
    auto *radio = window->findChild<RadioButton *>(button);
    QVERIFY(radio);
    auto *lser = testing::child<QLabel>(window, "lser");
    auto *shape = testing::child<Shape>(window, "Shape1");
    auto *preview = testing::child<TShockwaveFlash>(window, "SWFinf");
    const std::array<std::int32_t, 10> counters = vetor;
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
    QVERIFY(radio->isChecked());
    QCOMPARE(window->seriesCode(), code);
    QCOMPARE(lser->text(), caption);
    QCOMPARE(movieName(window, "SWFinf"), movie);
    // Nothing else moves: the label's left edge, the frame, the counters, the preview.
    // Its left edge stays where the form puts it, in the scroll box's client area.
    const QPoint client = testing::child<QFrame>(window, "ScrollBox1")->contentsRect().topLeft();
    QCOMPARE(lser->geometry(), QRect(QPoint(322, 307) + client, lser->sizeHint()));
    QCOMPARE(shape->penColor(), QColor(Qt::red));
    QCOMPARE(vetor, counters);
    QVERIFY(preview->isVisible());
    // The other selector keeps its check.
    if (button.startsWith(QLatin1String("rbn")))
        QVERIFY(testing::child<RadioButton>(window, "rb1a")->isChecked());
}

void TestMainWindow::checkedButtonRunsNoHandler()
{
    auto window = openWindow();
    auto *rb3a = testing::child<RadioButton>(window.get(), "rb3a");
    QTest::mouseClick(rb3a, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(window->seriesCode(), QStringLiteral("3S"));
    auto *rbn21 = testing::child<RadioButton>(window.get(), "rbn21");
    QTest::mouseClick(rbn21, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(window->seriesCode(), QStringLiteral("N2"));
    QSignalSpy reloads(testing::child<TShockwaveFlash>(window.get(), "SWFinf"),
                       &TShockwaveFlash::movieRequested);
    // rb3a is still checked: clicking it again changes nothing.
    QTest::mouseClick(rb3a, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(window->seriesCode(), QStringLiteral("N2"));
    QCOMPARE(reloads.count(), 0);
}

void TestMainWindow::yearAndLevelStayChecked()
{
    auto window = openWindow();
    auto *rb3a = testing::child<RadioButton>(window.get(), "rb3a");
    auto *rbn21 = testing::child<RadioButton>(window.get(), "rbn21");
    QTest::mouseClick(rb3a, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(rbn21, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(rb3a->isChecked());
    QVERIFY(rbn21->isChecked());
    QVERIFY(!testing::child<RadioButton>(window.get(), "rb1a")->isChecked());
    QCOMPARE(window->seriesCode(), QStringLiteral("N2"));
    QCOMPARE(testing::child<QLabel>(window.get(), "lser")->text(), QStringLiteral("Nível II"));
    // The content-kind group is its own: "Apostila" stays checked.
    QVERIFY(testing::child<RadioButton>(window.get(), "rb1")->isChecked());
    // A year chosen after the level leaves the level and the kind checked.
    auto *rb5a = testing::child<RadioButton>(window.get(), "rb5a");
    QTest::mouseClick(rb5a, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(rb5a->isChecked());
    QVERIFY(!rb3a->isChecked());
    QVERIFY(rbn21->isChecked());
    QVERIFY(testing::child<RadioButton>(window.get(), "rb1")->isChecked());
    QCOMPARE(window->seriesCode(), QStringLiteral("5S"));
}

void TestMainWindow::tabReachesOnlyCheckedButtons()
{
    auto window = openWindow();
    WAIT_VERIFY(testing::child<RadioButton>(window.get(), "rb1a")->hasFocus(), 5000);
    QTest::mouseClick(testing::child<RadioButton>(window.get(), "rbn22"), Qt::LeftButton, {},
                      QPoint(8, 8));
    // From the checked year the Tab key goes straight to the checked level,
    // past four unchecked years and the hidden content kinds, and on out of
    // the radio buttons; Shift+Tab comes back the same way.
    auto *rb1a = testing::child<RadioButton>(window.get(), "rb1a");
    auto *rbn22 = testing::child<RadioButton>(window.get(), "rbn22");
    rb1a->setFocus(Qt::TabFocusReason);
    QTest::keyClick(rb1a, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), rbn22);
    QTest::keyClick(rbn22, Qt::Key_Tab);
    QVERIFY(!qobject_cast<RadioButton *>(QApplication::focusWidget()));
    rbn22->setFocus(Qt::TabFocusReason);
    QTest::keyClick(rbn22, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), rb1a);
    QTest::keyClick(rb1a, Qt::Key_Backtab);
    QVERIFY(!qobject_cast<RadioButton *>(QApplication::focusWidget()));
    QCOMPARE(window->seriesCode(), QStringLiteral("N2"));
}

void TestMainWindow::arrowKeysCheckInEachGroup_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("reached");
    QTest::addColumn<QString>("code");
    QTest::newRow("year down") << "rb1a" << int(Qt::Key_Down) << "rb2a" << "2S";
    QTest::newRow("year down past 2") << "rb2a" << int(Qt::Key_Down) << "rb3a" << "3S";
    QTest::newRow("year up") << "rb4a" << int(Qt::Key_Up) << "rb3a" << "3S";
    QTest::newRow("level down") << "rbn21" << int(Qt::Key_Down) << "rbn22" << "N2";
    QTest::newRow("level down to III") << "rbn23" << int(Qt::Key_Down) << "rbn31" << "N3";
    QTest::newRow("level up to I") << "rbn21" << int(Qt::Key_Up) << "rbn13" << "N1";
}

void TestMainWindow::arrowKeysCheckInEachGroup()
{
    QFETCH(QString, start);
    QFETCH(int, key);
    QFETCH(QString, reached);
    QFETCH(QString, code);
    auto window = openWindow();
    auto *from = window->findChild<RadioButton *>(start);
    auto *to = window->findChild<RadioButton *>(reached);
    QTest::mouseClick(from, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(from->hasFocus());
    QTest::keyClick(from, static_cast<Qt::Key>(key));
    WAIT_VERIFY(to->hasFocus(), 5000);
    QVERIFY(to->isChecked());
    QVERIFY(!from->isChecked());
    QCOMPARE(window->seriesCode(), code);
}

void TestMainWindow::mousePressFocusesWithoutChecking()
{
    auto window = openWindow();
    auto *rb4a = testing::child<RadioButton>(window.get(), "rb4a");
    QTest::mousePress(rb4a, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(rb4a->hasFocus());
    QVERIFY(!rb4a->isChecked());
    QCOMPARE(window->seriesCode(), QStringLiteral("1S"));
    QTest::mouseRelease(rb4a, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(rb4a->isChecked());
    QCOMPARE(window->seriesCode(), QStringLiteral("4S"));
}

void TestMainWindow::keyboardFocusChecks()
{
    auto window = openWindow();
    auto *rbn32 = testing::child<RadioButton>(window.get(), "rbn32");
    rbn32->setFocus(Qt::OtherFocusReason);
    QVERIFY(rbn32->isChecked());
    QCOMPARE(window->seriesCode(), QStringLiteral("N3"));
    QCOMPARE(rbn32->focusPolicy(), Qt::StrongFocus);
    auto *rbn33 = testing::child<RadioButton>(window.get(), "rbn33");
    QCOMPARE(rbn33->focusPolicy(), Qt::ClickFocus);
}

void TestMainWindow::showAndBlankTheAnimations()
{
    auto window = openWindow();
    auto *preview = testing::child<TShockwaveFlash>(window.get(), "SWFinf");
    QTest::mouseClick(testing::child<RadioButton>(window.get(), "rbn21"), Qt::LeftButton, {},
                      QPoint(8, 8));
    window->SWFdesativa();
    QVERIFY(!preview->isVisible());
    QCOMPARE(movieName(window.get(), "SWF1"), QString());
    QCOMPARE(movieName(window.get(), "SWFinf"), QString());
    QCOMPARE(movieName(window.get(), "SWFok"), QStringLiteral("Ok.swf"));
    window->SWFmostra();
    QVERIFY(preview->isVisible());
    QCOMPARE(movieName(window.get(), "SWF1"), QStringLiteral("logo.swf"));
    // A level code shows its level's preview (not "Nano.swf").
    QCOMPARE(movieName(window.get(), "SWFinf"), QStringLiteral("n2.swf"));
    QCOMPARE(movieName(window.get(), "SWFok"), QStringLiteral("Ok.swf"));
    QCOMPARE(movieName(window.get(), "SWFsair"), QStringLiteral("Sair.swf"));
    QSignalSpy frames(preview, &TShockwaveFlash::firstFrameShown);
    WAIT_VERIFY(frames.count() == 1 || preview->isShowingMovie(), 30000);
}

MENU_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
