// The web viewer against a real HTTP server on 127.0.0.1, under Xvfb.
#include "appfilter.h"
#include "contentserver.h"
#include "f_web.h"
#include "keyrouter.h"
#include "pagetesting.h"
#include "testsupport.h"
#include "webtesting.h"

#include <QAccessible>
#include <QLoggingCategory>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// Serves a handful of fixed pages; "/slow.html" answers after two seconds.
class PageServer final : public QObject
{
public:
    PageServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    QStringList requested;
    QStringList acceptLanguages; // one per request, empty when none was sent

private:
    void answer(QTcpSocket *socket)
    {
        // The whole head first; the engine's GET requests have no body.
        const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.contains("\r\n\r\n") || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
        const QList<QByteArray> request = lines.value(0).split(' ');
        const QByteArray path = request.value(1);
        // The engine asks for an icon after each page, on its own schedule
        // (sometimes once the next case has begun): not the viewer's asking.
        if (path != "/favicon.ico") {
            requested << QString::fromLatin1(path);
            QByteArray language;
            for (const QByteArray &line : lines) {
                if (line.toLower().startsWith("accept-language:"))
                    language = line.mid(line.indexOf(':') + 1).trimmed();
            }
            acceptLanguages << QString::fromLatin1(language);
        }
        QByteArray status = "200 OK";
        QByteArray body;
        // Each target fills a 60-pixel band, so a click at y = 30 + 60 n hits
        // the n-th: next, slow, blank, open.
        const QByteArray links =
            "<style>body{margin:0} a,button{display:block;width:400px;height:60px;margin:0}</style>"
            "<a id=\"next\" href=\"/page2.html\">next</a>"
            "<a id=\"slow\" href=\"/slow.html\">slow</a>"
            "<a id=\"blank\" target=\"_blank\" href=\"/page3.html\">blank</a>"
            "<button id=\"open\" onclick=\"window.open('/page3.html')\">open</button>"
            "<script>window.keys = []; addEventListener('keydown', function (e) { keys.push(e.key); }, true);"
            "window.hovered = ''; addEventListener('mousemove', function (e) { hovered = e.target.id; }, true);</script>";
        if (path == "/infantil/index.php")
            body = "<html><head><title>infantil</title></head><body>" + links + "</body></html>";
        else if (path == "/fund/index.php")
            body = "<html><head><title>fund</title></head><body>" + links + "</body></html>";
        else if (path == "/page2.html" || path == "/page3.html" || path == "/slow.html")
            body = "<html><head><title>" + path.mid(1, 5) + "</title></head><body>" + links + "</body></html>";
        else
            status = "404 Not Found";
        const QByteArray response = "HTTP/1.0 " + status
            + "\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        const int delay = path == "/slow.html" ? 2000 : 0;
        QTimer::singleShot(delay, socket, [socket, response] {
            socket->write(response);
            socket->disconnectFromHost();
        });
    }
    QTcpServer m_server;
};

} // namespace

class TestWebViewer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void startPages_data();
    void startPages();
    void backAndForwardQuietlyAtTheEnds();
    void newWindowsAreRefused_data();
    void newWindowsAreRefused();
    void keysGoToThePageOnce();
    void noShortcutsWhileLoading();
    void closeButtonsFreeTheWindow_data();
    void closeButtonsFreeTheWindow();
    void layoutAtTwoWidths_data();
    void layoutAtTwoWidths();
    void unreachableServerIsTheViewsBusiness();
    void restoredPlaceIsTheForms();
    void lateActivationAfterCloseTakesNothing();
    void acceptLanguageIsPortuguese();
    void buttonsHaveSpokenNames_data();
    void buttonsHaveSpokenNames();
    void consoleGoesToItsCategoryOnly_data();
    void consoleGoesToItsCategoryOnly();

private:
    Tfrmweb *open(const QString &code);
    QWebEngineView *view(Tfrmweb *viewer) const;
    QString title(Tfrmweb *viewer) const;
    void clickPage(Tfrmweb *viewer, int band);
    void click(Tfrmweb *viewer, const char *button);
    bool waitForTitle(Tfrmweb *viewer, const QString &title);

    std::unique_ptr<PageServer> m_server;
    QString m_code;
};

void TestWebViewer::initTestCase()
{
    m_server = std::make_unique<PageServer>();
    QVERIFY(testing::setContentServer(m_server->host()));
}

void TestWebViewer::cleanup()
{
    // Nothing of one function's viewer is left for the next: the window is
    // gone and the key filter slot is empty again.
    // A function that failed half-way leaves its viewer open.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *viewer = qobject_cast<Tfrmweb *>(window))
            viewer->close();
    }
    const auto viewersLeft = [] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::count_if(windows.begin(), windows.end(),
                             [](QWidget *window) { return qobject_cast<Tfrmweb *>(window) != nullptr; });
    };
    WAIT_COMPARE(viewersLeft(), 0, 10000);
    WAIT_VERIFY(frmweb == nullptr && appfilter::current() == nullptr, 10000);
}

Tfrmweb *TestWebViewer::open(const QString &code)
{
    m_code = code;
    auto *viewer = new Tfrmweb(nullptr, [this] { return m_code; });
    frmweb = viewer;
    viewer->show();
    viewer->activateWindow();
    if (!testing::waitForActive(viewer))
        qWarning("viewer did not become active");
    return viewer;
}

QWebEngineView *TestWebViewer::view(Tfrmweb *viewer) const
{
    return viewer->findChild<QWebEngineView *>(QStringLiteral("WebBrowser1"));
}

QString TestWebViewer::title(Tfrmweb *viewer) const
{
    return view(viewer)->url().isEmpty() ? QString() : view(viewer)->title();
}

void TestWebViewer::clickPage(Tfrmweb *viewer, int band)
{
    // A real click: script-made navigations right after a load count as
    // redirects and replace the history entry.
    QWidget *page = view(viewer)->focusProxy();
    QVERIFY(page);
    // A page that has loaded may not take input yet (its first frame is
    // not drawn): the pointer is moved over the target until the page says
    // it is there, and only then pressed, once.
    static const char *const targets[] = {"next", "slow", "blank", "open"};
    const QPoint at(100, 30 + 60 * band);
    int nudge = 0;
    const bool over = testing::waitUntil(
        [&] {
            QTest::mouseMove(page, at + QPoint(++nudge % 2, 0));
            return testing::evaluate(view(viewer)->page(), QStringLiteral("hovered"))
                == QLatin1String(targets[band]);
        },
        15000);
    QVERIFY2(over, "the page never saw the pointer");
    QTest::mouseClick(page, Qt::LeftButton, {}, at);
}

void TestWebViewer::click(Tfrmweb *viewer, const char *button)
{
    QTest::mouseClick(testing::child<QPushButton>(viewer, button), Qt::LeftButton);
}

bool TestWebViewer::waitForTitle(Tfrmweb *viewer, const QString &expected)
{
    const bool reached = testing::waitUntil(
        [&] { return title(viewer) == expected && !viewer->keyRouter()->isBusy(); }, 15000);
    if (!reached)
        qWarning() << "title" << title(viewer) << view(viewer)->url() << viewer->keyRouter()->isBusy();
    return reached;
}

void TestWebViewer::startPages_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("page");
    QTest::newRow("1S") << "1S" << "/infantil/index.php";
    for (const char *code : {"2S", "3S", "4S", "5S"})
        QTest::newRow(code) << code << "/fund/index.php";
    for (const char *code : {"N1", "N2", "N3", "", "1s", "6S"})
        QTest::newRow(*code ? code : "empty") << code << "";
}

void TestWebViewer::startPages()
{
    QFETCH(QString, code);
    QFETCH(QString, page);
    m_server->requested.clear();
    QPointer<Tfrmweb> viewer = open(code);
    QVERIFY(view(viewer)->page()->profile()->isOffTheRecord());
    if (page.isEmpty()) {
        click(viewer, "Button1"); // "Inicio" does nothing either
        QVERIFY(view(viewer)->url().isEmpty());
        // A page the test loads itself is the first request the server sees.
        view(viewer)->load(QUrl(QStringLiteral("http://") + m_server->host() + QStringLiteral("/later")));
        WAIT_VERIFY(!m_server->requested.isEmpty(), 15000);
        QCOMPARE(m_server->requested, QStringList{QStringLiteral("/later")});
    } else {
        WAIT_COMPARE(view(viewer)->url().toString(),
                     QStringLiteral("http://") + m_server->host() + page, 15000);
        QCOMPARE(m_server->requested.value(0), page);
    }
    viewer->close();
}

void TestWebViewer::backAndForwardQuietlyAtTheEnds()
{
    testing::BoxWatcher boxes;
    QPointer<Tfrmweb> viewer = open(QStringLiteral("3S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("fund")));
    click(viewer, "Button2"); // nothing earlier
    click(viewer, "Button3"); // nothing later
    QCOMPARE(title(viewer), QStringLiteral("fund"));
    clickPage(viewer, 0);
    QVERIFY(waitForTitle(viewer, QStringLiteral("page2")));
    QCOMPARE(view(viewer)->history()->count(), 2);
    click(viewer, "Button2");
    QVERIFY(waitForTitle(viewer, QStringLiteral("fund")));
    click(viewer, "Button3");
    QVERIFY(waitForTitle(viewer, QStringLiteral("page2")));
    click(viewer, "Button3");
    QCOMPARE(title(viewer), QStringLiteral("page2"));
    QCOMPARE(view(viewer)->history()->currentItemIndex(), 1);
    // "Inicio" goes back to the series' start page.
    click(viewer, "Button1");
    QVERIFY(waitForTitle(viewer, QStringLiteral("fund")));
    QCOMPARE(view(viewer)->history()->count(), 3);
    QVERIFY(boxes.seen.empty());
    viewer->close();
}

void TestWebViewer::newWindowsAreRefused_data()
{
    QTest::addColumn<int>("band");
    QTest::newRow("link with a target") << 2;
    QTest::newRow("window.open") << 3;
}

void TestWebViewer::newWindowsAreRefused()
{
    QFETCH(int, band);
    QPointer<Tfrmweb> viewer = open(QStringLiteral("1S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("infantil")));
    const int windows = QApplication::topLevelWidgets().size();
    m_server->requested.clear();
    clickPage(viewer, band);
    // The next click's page comes after anything the first one opened.
    clickPage(viewer, 0);
    QVERIFY(waitForTitle(viewer, QStringLiteral("page2")));
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    QCOMPARE(view(viewer)->history()->count(), 2);
    QVERIFY(!m_server->requested.contains(QStringLiteral("/page3.html")));
    viewer->close();
}

void TestWebViewer::keysGoToThePageOnce()
{
    QPointer<Tfrmweb> viewer = open(QStringLiteral("1S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("infantil")));
    clickPage(viewer, 0);
    QVERIFY(waitForTitle(viewer, QStringLiteral("page2")));
    QCOMPARE(appfilter::current(), viewer->keyRouter());

    // Keys the page leaves alone do not come back to the window.
    int keysAtWindow = 0;
    struct Counter final : QObject
    {
        int *count;
        explicit Counter(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::KeyPress)
                ++*count;
            return false;
        }
    } counter(&keysAtWindow);
    viewer->installEventFilter(&counter);
    testing::child<QWidget>(viewer, "p1")->installEventFilter(&counter);

    QWidget *page = view(viewer)->focusProxy();
    QVERIFY(page);
    page->setFocus(Qt::MouseFocusReason);
    // Keys sent before the page has the focus would go nowhere.
    WAIT_VERIFY(testing::evaluate(view(viewer)->page(), QStringLiteral("document.hasFocus()")) == QLatin1String("true"), 10000);
    for (Qt::Key key : {Qt::Key_A, Qt::Key_Escape, Qt::Key_F1, Qt::Key_Backspace, Qt::Key_Left,
                        Qt::Key_Right, Qt::Key_Z})
        QTest::keyClick(page, key);
    // The page has seen the last key: whatever the others did is done.
    WAIT_VERIFY(testing::evaluate(view(viewer)->page(), QStringLiteral("keys.join()")).endsWith(QLatin1String("z")), 10000);
    QCOMPARE(title(viewer), QStringLiteral("page2")); // Backspace did not go back
    QCOMPARE(keysAtWindow, 0);
    QVERIFY(viewer->isVisible());                     // nor did Escape close it

    QTest::keyClick(page, Qt::Key_Left, Qt::AltModifier);
    QVERIFY(waitForTitle(viewer, QStringLiteral("infantil")));
    QTest::keyClick(page, Qt::Key_Right, Qt::AltModifier);
    QVERIFY(waitForTitle(viewer, QStringLiteral("page2")));

    // The window's own buttons still get their keys.
    auto *fechar = testing::child<QPushButton>(viewer, "Button4");
    fechar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(fechar, Qt::Key_Space);
    WAIT_VERIFY(viewer.isNull() || !viewer->isVisible(), 5000);
    QCOMPARE(appfilter::current(), nullptr);
}

void TestWebViewer::noShortcutsWhileLoading()
{
    QPointer<Tfrmweb> viewer = open(QStringLiteral("1S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("infantil")));
    clickPage(viewer, 1);
    QVERIFY(testing::waitUntil([&] { return viewer->keyRouter()->isBusy(); }, 5000));
    QWidget *page = view(viewer)->focusProxy();
    page->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(page, Qt::Key_Left, Qt::AltModifier);
    QVERIFY(waitForTitle(viewer, QStringLiteral("slow.")));
    // The shortcut was dropped, not put off: the slow page is the last.
    QCOMPARE(view(viewer)->history()->currentItemIndex(), view(viewer)->history()->count() - 1);
    QCOMPARE(title(viewer), QStringLiteral("slow."));
    viewer->close();
}

void TestWebViewer::closeButtonsFreeTheWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key"); // 0: a click
    QTest::newRow("Fechar") << "Button4" << 0;
    QTest::newRow("X") << "b1" << 0;
    // A focused button takes Return and Enter as a click, as Space.
    QTest::newRow("Fechar, Return") << "Button4" << int(Qt::Key_Return);
    QTest::newRow("Fechar, Enter") << "Button4" << int(Qt::Key_Enter);
    QTest::newRow("Fechar, Space") << "Button4" << int(Qt::Key_Space);
    QTest::newRow("X, Return") << "b1" << int(Qt::Key_Return);
}

void TestWebViewer::closeButtonsFreeTheWindow()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QObject *before = appfilter::current();
    QPointer<Tfrmweb> viewer = open(QStringLiteral("2S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("fund")));
    QCOMPARE(frmweb, viewer.data());
    QCOMPARE(testing::child<QPushButton>(viewer, "Button4")->text(), QStringLiteral("Fechar"));
    auto *pressed = viewer->findChild<QPushButton *>(button);
    if (key == 0) {
        QTest::mouseClick(pressed, Qt::LeftButton);
    } else {
        pressed->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pressed, Qt::Key(key));
    }
    WAIT_COMPARE(frmweb, nullptr, 5000);
    WAIT_VERIFY(viewer.isNull(), 5000);
    QCOMPARE(appfilter::current(), before);
}

void TestWebViewer::layoutAtTwoWidths_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("closeLeft");
    QTest::addColumn<int>("nextShown"); // pixels of "Proximo>>" inside the strip
    QTest::newRow("design") << 741 << 708 << 0;
    QTest::newRow("850") << 850 << 815 << 42;
    QTest::newRow("1024") << 1024 << 985 << 90;
}

void TestWebViewer::layoutAtTwoWidths()
{
    QFETCH(int, width);
    QFETCH(int, closeLeft);
    QFETCH(int, nextShown);
    QPointer<Tfrmweb> viewer = open(QStringLiteral("N1"));
    viewer->resize(width, 600);
    QCOMPARE(testing::child<QWidget>(viewer, "p3")->geometry(), QRect(0, 0, width, 30));
    QCOMPARE(testing::child<QWidget>(viewer, "p2")->geometry(), QRect(0, 526, width, 74));
    QCOMPARE(testing::child<QWidget>(viewer, "p1")->geometry(), QRect(0, 30, width, 496));
    QCOMPARE(view(viewer)->geometry(), QRect(2, 2, width - 4, 492));
    QCOMPARE(testing::child<QWidget>(viewer, "b1")->geometry(), QRect(closeLeft, 1, 34, 25));
    QCOMPARE(testing::child<QWidget>(viewer, "Button4")->geometry(), QRect(176, 24, 95, 25));
    QCOMPARE(testing::child<QWidget>(viewer, "Button2")->geometry(), QRect(360, 24, 95, 25));
    QCOMPARE(testing::child<QWidget>(viewer, "Button1")->geometry(), QRect(594, 24, 75, 25));
    auto *next = testing::child<QWidget>(viewer, "Button3");
    QCOMPARE(next->geometry(), QRect(808, 24, 90, 25));
    QCOMPARE(next->visibleRegion().boundingRect().width(), nextShown);
    viewer->close();
}

void TestWebViewer::unreachableServerIsTheViewsBusiness()
{
    testing::BoxWatcher boxes;
    QVERIFY(testing::setContentServer(QStringLiteral("127.0.0.1:1")));
    QPointer<Tfrmweb> viewer = open(QStringLiteral("1S"));
    QSignalSpy finished(view(viewer), &QWebEngineView::loadFinished);
    WAIT_VERIFY(finished.count() >= 1, 15000);
    QCOMPARE(finished.first().first().toBool(), false);
    click(viewer, "Button1");
    click(viewer, "Button2");
    click(viewer, "Button3");
    // A box would have been shown, and answered, within the click.
    QVERIFY(viewer->isVisible());
    QVERIFY(boxes.seen.empty());
    click(viewer, "b1");
    WAIT_VERIFY(viewer.isNull(), 5000);
    QVERIFY(testing::setContentServer(m_server->host()));
}

void TestWebViewer::restoredPlaceIsTheForms()
{
    QPointer<Tfrmweb> viewer = open(QStringLiteral("N1"));
    QCOMPARE(viewer->geometry(), QRect(240, 154, 741, 526));
    // Maximised, as the activation shows it, it keeps that place to go back to.
    viewer->setWindowState(Qt::WindowMaximized);
    QCOMPARE(viewer->normalGeometry(), QRect(240, 154, 741, 526));
    viewer->close();
    WAIT_VERIFY(viewer.isNull(), 5000);
}

void TestWebViewer::lateActivationAfterCloseTakesNothing()
{
    QPointer<Tfrmweb> viewer = open(QStringLiteral("N1"));
    QCOMPARE(appfilter::current(), viewer->keyRouter());
    click(viewer, "b1");
    QVERIFY(!viewer.isNull()); // freed later, from the event loop
    QCOMPARE(appfilter::current(), nullptr);
    // A focus the window system gave before the close, reported after it.
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(viewer, &activate);
    QCOMPARE(appfilter::current(), nullptr);
    WAIT_VERIFY(viewer.isNull(), 5000);
}

void TestWebViewer::acceptLanguageIsPortuguese()
{
    m_server->requested.clear();
    m_server->acceptLanguages.clear();
    QPointer<Tfrmweb> viewer = open(QStringLiteral("4S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("fund")));
    QCOMPARE(m_server->requested.value(0), QStringLiteral("/fund/index.php"));
    // Brazilian Portuguese first, any Portuguese next, nothing else.
    QStringList languages;
    for (const QString &entry : m_server->acceptLanguages.value(0).split(QLatin1Char(',')))
        languages << entry.section(QLatin1Char(';'), 0, 0).trimmed();
    QCOMPARE(languages, (QStringList{QStringLiteral("pt-BR"), QStringLiteral("pt")}));
    click(viewer, "b1");
}

void TestWebViewer::buttonsHaveSpokenNames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    QTest::newRow("X") << "b1" << "Fechar";
    QTest::newRow("Fechar") << "Button4" << "Fechar";
    QTest::newRow("<<Anterior") << "Button2" << "Anterior";
    QTest::newRow("Inicio") << "Button1" << "Início";
    QTest::newRow("Proximo>>") << "Button3" << "Próximo";
}

void TestWebViewer::buttonsHaveSpokenNames()
{
    QFETCH(QString, button);
    QFETCH(QString, name);
    QPointer<Tfrmweb> viewer = open(QStringLiteral("N1"));
    auto *pressed = testing::child<QPushButton>(viewer, button.toLatin1().constData());
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(pressed);
    QVERIFY(spoken);
    QCOMPARE(spoken->text(QAccessible::Name), name);
    QCOMPARE(spoken->role(), QAccessible::Button);
    click(viewer, "b1");
}

namespace {
QStringList s_consoleLines;
QtMessageHandler s_previousHandler = nullptr;
void keepConsoleLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && QByteArray(context.category) == "apostilas.viewer.console")
        s_consoleLines << message;
    else
        s_previousHandler(type, context, message);
}
} // namespace

void TestWebViewer::consoleGoesToItsCategoryOnly_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<bool>("shown");
    QTest::newRow("off by default") << QString() << false;
    QTest::newRow("asked for") << QStringLiteral("apostilas.viewer.console.debug=true") << true;
}

void TestWebViewer::consoleGoesToItsCategoryOnly()
{
    QFETCH(QString, rules);
    QFETCH(bool, shown);
    QPointer<Tfrmweb> viewer = open(QStringLiteral("2S"));
    QVERIFY(waitForTitle(viewer, QStringLiteral("fund")));
    QLoggingCategory::setFilterRules(rules);
    s_consoleLines.clear();
    s_previousHandler = qInstallMessageHandler(keepConsoleLines);
    // The page's answer to a later script comes after its console line.
    bool answered = false;
    view(viewer)->page()->runJavaScript(QStringLiteral("console.log('marker from the page'); 1"),
                                        [&answered](const QVariant &) { answered = true; });
    const bool done = testing::waitUntil([&] { return answered && (!shown || !s_consoleLines.isEmpty()); }, 15000);
    answered = false;
    view(viewer)->page()->runJavaScript(QStringLiteral("2"), [&answered](const QVariant &) { answered = true; });
    testing::waitUntil([&] { return answered; }, 15000);
    qInstallMessageHandler(s_previousHandler);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(done);
    QCOMPARE(s_consoleLines.size(), shown ? 1 : 0);
    if (shown)
        QVERIFY2(s_consoleLines.first().contains(QLatin1String("marker from the page")), qPrintable(s_consoleLines.first()));
    click(viewer, "b1");
    WAIT_VERIFY(viewer.isNull(), 5000);
}

MENU_TEST_MAIN(TestWebViewer)
#include "tst_webviewer.moc"
