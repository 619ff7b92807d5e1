// The menu measured from inside, one mode per run:
//   window      prints "painted" when the main window's background is on screen
//   movies      prints "movies" when all four movies show their first frame,
//               then the PSS of every process of the program and the share
//               of the processor the program takes while the menu waits
//   activation  50 activations on a tree whose reader records its start, each
//               from a settled menu: prints each delay from the second preview
//               entry to the reader running
//   preview     10 series changes: prints each delay from the click to the
//               new preview's first frame
//   web         10 activations with "Educativos" against a loopback server:
//               prints each delay to the start page loaded
//   catalog     the copy pass over a generated catalog of 100,000 records
//   climbing    planning hostile catalogs beside a 50,000-file folder: 20
//               records climbing in and out of it ("\big\S\.." 800 times,
//               within PATH_MAX, and the longer shape past it), and one
//               caminho2 of ten million "\a" parts (its peak memory); the
//               tree is left in the folder given, for the checker's turn
//   hidden      the processor share with the movies on screen, then with the
//               window minimised, then whether showing it again reloaded or
//               lost any movie
//   bomb        on a tree whose logo movie keeps doubling a string: the
//               largest memory the program's processes held in all, and the
//               largest any one of them held, until the logo's movie failed
//               and the other movies played again
// The current directory is the content tree, as for the menu.
#include "Main.h"
#include "benchclock.h"
#include "benchprocess.h"
#include "clientdataset.h"
#include "copypass.h"
#include "datapacket.h"
#include "flash.h"
#include "webloader.h"
#include "webtesting.h"
#include "fonts.h"
#include "preloader.h"
#include "globals.h"
#include "radiobutton.h"
#include "safecopy.h"
#include "contentpath.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <functional>
#include <map>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

// Processor time (user + system) of all the program's processes, in clock
// ticks; with perThread, each thread's (by process and name) is added to it.
long long processorTicks(std::map<QString, long long> *perThread = nullptr)
{
    long long ticks = 0;
    const QStringList family = programProcesses();
    for (const QString &pid : family) {
        if (perThread) {
            const QStringList threads = QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            for (const QString &tid : threads) {
                QFile task(QStringLiteral("/proc/%1/task/%2/stat").arg(pid, tid));
                if (!task.open(QIODevice::ReadOnly))
                    continue;
                const QByteArray stat = task.readAll();
                const QString name = QString::fromLatin1(stat.mid(stat.indexOf('(') + 1, stat.lastIndexOf(')') - stat.indexOf('(') - 1));
                const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
                (*perThread)[pid + QLatin1Char(' ') + name] += fields.value(11).toLongLong() + fields.value(12).toLongLong();
            }
        }
        QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = file.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        // utime and stime are the 14th and 15th fields of the whole line.
        ticks += fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    return ticks;
}

void runWindow(TFRMmain &window)
{
    auto *image = window.findChild<QWidget *>(QStringLiteral("Image1"));
    struct PaintWatch final : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !done) {
                done = true;
                QTimer::singleShot(0, qApp, [] {
                    printMark("painted");
                    QCoreApplication::quit();
                });
            }
            return false;
        }
        bool done = false;
    };
    auto *watch = new PaintWatch;
    watch->setParent(&window);
    image->installEventFilter(watch);
}

// The processor share of the program's processes over the next
// milliseconds, then done(share).
// With BENCH_THREADS set, the busiest threads go to stderr.
void measureProcessor(int milliseconds, std::function<void(double)> done)
{
    auto threads = std::make_shared<std::map<QString, long long>>();
    const bool perThread = qEnvironmentVariableIsSet("BENCH_THREADS");
    const long long before = processorTicks(perThread ? threads.get() : nullptr);
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer::singleShot(milliseconds, qApp, [before, elapsed, done, threads, perThread] {
        std::map<QString, long long> after;
        const double seconds = (processorTicks(perThread ? &after : nullptr) - before) / double(sysconf(_SC_CLK_TCK));
        for (const auto &[thread, ticks] : after) {
            const long long used = ticks - (threads->count(thread) ? threads->at(thread) : 0);
            if (used > 0)
                std::fprintf(stderr, "thread %-40s %lld ticks\n", qPrintable(thread), used);
        }
        done(100.0 * seconds / (elapsed.elapsed() / 1000.0));
    });
}

// Runs then once, as soon as all the movies show their first frame.
void whenAllShowing(const QList<TShockwaveFlash *> &movies, const std::function<void()> &then)
{
    auto done = std::make_shared<bool>(false);
    auto check = [movies, then, done] {
        const bool all = std::all_of(movies.begin(), movies.end(),
                                     [](TShockwaveFlash *movie) { return movie->isShowingMovie(); });
        if (!all || *done)
            return;
        *done = true;
        then();
    };
    for (TShockwaveFlash *movie : movies)
        QObject::connect(movie, &TShockwaveFlash::firstFrameShown, qApp, check);
}

void runMovies(TFRMmain &window)
{
    whenAllShowing(window.findChildren<TShockwaveFlash *>(), [] {
        printMark("movies");
        // Let them play a little, then weigh the whole program and see how
        // much of the processor it takes while the menu waits for a choice.
        QTimer::singleShot(3000, qApp, [] {
            printMemory();
            measureProcessor(5000, [](double share) {
                std::printf("idle_cpu_percent %.0f\n", share);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        });
    });
}

// The movies playing on screen, then the window minimised, then shown
// again: the processor share in each state, and whether anything was
// reloaded or stopped showing on the way back.
void runHidden(TFRMmain &window)
{
    const QList<TShockwaveFlash *> movies = window.findChildren<TShockwaveFlash *>();
    static int reloads = 0;
    for (TShockwaveFlash *movie : movies)
        QObject::connect(movie, &TShockwaveFlash::movieRequested, qApp, [] { ++reloads; });
    whenAllShowing(movies, [movies, &window] {
        QTimer::singleShot(3000, qApp, [movies, &window] {
            // Ten seconds: the movies' frames come in bursts the length of
            // their loops, and five seconds' worth varied by a fifth.
            measureProcessor(10000, [movies, &window](double shown) {
                std::printf("shown_cpu_percent %.1f\n", shown);
                reloads = 0;
                window.showMinimized();
                QTimer::singleShot(3000, qApp, [movies, &window] {
                    measureProcessor(5000, [movies, &window](double hidden) {
                        std::printf("hidden_cpu_percent %.1f\n", hidden);
                        window.showNormal();
                        QTimer::singleShot(2000, qApp, [movies] {
                            const bool showing = std::all_of(movies.begin(), movies.end(), [](TShockwaveFlash *movie) {
                                return movie->isShowingMovie();
                            });
                            std::printf("after_restore_reloads %d\nafter_restore_showing %d\n", reloads, showing ? 1 : 0);
                            std::fflush(stdout);
                            QCoreApplication::quit();
                        });
                    });
                });
            });
        });
    });
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5));
    return values[index];
}

// A click on a series button → that series' preview showing its first frame,
// alternating between two years, once the menu is up.
void runPreviews(TFRMmain &window)
{
    auto *preview = window.findChild<TShockwaveFlash *>(QStringLiteral("SWFinf"));
    const QList<QRadioButton *> buttons{window.findChild<QRadioButton *>(QStringLiteral("rb2a")),
                                        window.findChild<QRadioButton *>(QStringLiteral("rb4a"))};
    static std::vector<double> delays;
    static std::int64_t start = 0;
    static int clicks = 0;
    const auto next = [buttons] {
        start = wallNanoseconds();
        buttons[clicks++ % 2]->click();
    };
    QObject::connect(preview, &TShockwaveFlash::firstFrameShown, qApp, [next] {
        if (start == 0) { // the menu's own first preview
            QTimer::singleShot(2000, qApp, next);
            return;
        }
        delays.push_back((wallNanoseconds() - start) / 1e6);
        if (delays.size() == 10) {
            std::printf("preview_ms_median %.1f\npreview_ms_p95 %.1f\n", percentile(delays, 0.5),
                        percentile(delays, 0.95));
            QCoreApplication::quit();
            return;
        }
        QTimer::singleShot(300, qApp, next);
    });
}

void runActivations(TFRMmain &window)
{
    // The reader of this tree records when it started.
    const QString manual = window.baseDirectory() + QStringLiteral("/manuais/3ano.PDF");
    auto *rb3a = window.findChild<QRadioButton *>(QStringLiteral("rb3a"));
    QTimer::singleShot(3000, qApp, [&window, rb3a, manual] {
        rb3a->click();
        std::vector<double> delays;
        const QList<TShockwaveFlash *> movies = window.findChildren<TShockwaveFlash *>();
        for (int i = 0; i < 50; ++i) {
            // Each activation from a settled menu, as a user makes it: the
            // movies the last one reloaded are showing again.
            QElapsedTimer settle;
            settle.start();
            const auto settled = [&movies] {
                return std::all_of(movies.begin(), movies.end(),
                                   [](TShockwaveFlash *movie) { return movie->isShowingMovie(); });
            };
            while ((!settled() || settle.elapsed() < 300) && settle.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QFile::remove(manual + QStringLiteral(".started"));
            window.SWFinfEnter(nullptr); // first entry
            const std::int64_t start = wallNanoseconds();
            window.SWFinfEnter(nullptr); // second entry: activation
            QElapsedTimer wait;
            wait.start();
            while (!QFileInfo(manual + QStringLiteral(".started")).size() && wait.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QFile file(manual + QStringLiteral(".started"));
            if (!file.open(QIODevice::ReadOnly)) {
                std::printf("activation failed\n");
                continue;
            }
            delays.push_back((file.readAll().trimmed().toLongLong() - start) / 1e6);
        }
        std::printf("activation_ms_median %.2f\nactivation_ms_p95 %.2f\n", percentile(delays, 0.5),
                    percentile(delays, 0.95));
        QCoreApplication::quit();
    });
}

// Serves the start pages on 127.0.0.1.
class StartPages final : public QTcpServer
{
public:
    StartPages()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    const QByteArray body = "<html><head><title>fund</title></head><body>ok</body></html>";
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
};

// Hears a web view's loadFinished without linking the web engine.
class LoadWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit LoadWatcher(std::function<void(bool)> onFinished, QObject *parent)
        : QObject(parent), m_onFinished(std::move(onFinished))
    {
    }

public Q_SLOTS:
    void finished(bool ok) { m_onFinished(ok); }

private:
    std::function<void(bool)> m_onFinished;
};

void runWeb(TFRMmain &window)
{
    static StartPages server;
    WebLoader::library(WebLoader::OnFailure::EndProgram);
    testing::setContentServer(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    QTimer::singleShot(3000, qApp, [&window] {
        window.findChild<QRadioButton *>(QStringLiteral("rb3a"))->click();
        window.findChild<QRadioButton *>(QStringLiteral("rb2"))->setChecked(true);
        std::vector<double> delays;
        for (int i = 0; i < 10; ++i) {
            std::int64_t start = 0;
            QTimer watcher;
            QObject::connect(&watcher, &QTimer::timeout, qApp, [&] {
                QWidget *viewer = QApplication::activeModalWidget();
                if (!viewer || viewer->property("watched").toBool())
                    return;
                viewer->setProperty("watched", true);
                auto *view = viewer->findChild<QWidget *>(QStringLiteral("WebBrowser1"));
                auto *watcher = new LoadWatcher(
                    [&delays, &start, viewer](bool ok) {
                        if (ok)
                            delays.push_back((wallNanoseconds() - start) / 1e6);
                        viewer->close();
                    },
                    viewer);
                QObject::connect(view, SIGNAL(loadFinished(bool)), watcher, SLOT(finished(bool)));
            });
            watcher.start(0);
            start = wallNanoseconds();
            window.btokClick(nullptr);
        }
        std::printf("web_ms_median %.1f\nweb_ms_p95 %.1f\n", percentile(delays, 0.5), percentile(delays, 0.95));
        QCoreApplication::quit();
    });
}

int runCatalog()
{
    QTemporaryDir dir;
    const QString base = dir.path();
    QFile proj(base + QStringLiteral("/proj.exe"));
    if (!proj.open(QIODevice::WriteOnly))
        return 1;
    proj.write(QByteArray(64 * 1024, 'p'));
    proj.close();
    QByteArray xml = "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                     "<FIELD attrname=\"cod_360\" fieldtype=\"r8\"/>"
                     "<FIELD attrname=\"disciplina\" fieldtype=\"string\" WIDTH=\"255\"/>"
                     "<FIELD attrname=\"descri\" fieldtype=\"string\" WIDTH=\"255\"/>"
                     "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
                     "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
                     "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (int i = 0; i < 100000; ++i) {
        const bool marked = i % 10 == 0;
        const QByteArray folder = "&#092;escolas&#092;e" + QByteArray::number(i);
        if (marked)
            QDir().mkpath(base + QStringLiteral("/escolas/e%1").arg(i));
        xml += "<ROW cod_360=\"" + QByteArray::number(i) + "\" disciplina=\"Matem\xE1tica\" descri=\"Aula "
            + QByteArray::number(i) + " de revis\xE3o\" TEM_XML=\"" + (marked ? "S" : "N") + "\" caminho2=\""
            + folder + "\"/>\n";
    }
    xml += "</ROWDATA></DATAPACKET>\n";
    QDir().mkpath(base + QStringLiteral("/config"));
    QFile catalog(base + QStringLiteral("/config/educ1.xml"));
    if (!catalog.open(QIODevice::WriteOnly))
        return 1;
    catalog.write(xml);
    catalog.close();

    std::vector<double> parses;
    for (int i = 0; i < 5; ++i) {
        catalog::DataPacket packet;
        QElapsedTimer timer;
        timer.start();
        packet.parse(xml);
        parses.push_back(timer.nsecsElapsed() / 1e6);
    }
    // The first parse is the one the menu makes: its memory is fresh.
    const double firstParseMs = parses.front();
    const double parseMs = percentile(parses, 0.5);

    QElapsedTimer pass;
    pass.start();
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(base + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    const catalog::CopyResult result = catalog::copyMarkedRecords(dataset, base);
    const double passMs = pass.nsecsElapsed() / 1e6;

    // The copies alone, into a second set of folders.
    for (int i = 0; i < 100000; i += 10)
        QDir().mkpath(base + QStringLiteral("/again/e%1").arg(i));
    QElapsedTimer copies;
    copies.start();
    for (int i = 0; i < 100000; i += 10)
        content::copyWithoutOverwrite(base + QStringLiteral("/proj.exe"),
                                      base + QStringLiteral("/again/e%1/proj.exe").arg(i));
    const double copiesMs = copies.nsecsElapsed() / 1e6;

    std::printf("catalog_first_parse_ms %.1f\ncatalog_first_parse_mb_s %.0f\n", firstParseMs,
                xml.size() / 1e6 / (firstParseMs / 1e3));
    std::printf("catalog_bytes %lld\ncatalog_parse_ms %.1f\ncatalog_parse_mb_s %.0f\n"
                "catalog_pass_ms %.1f\ncatalog_copies_only_ms %.1f\ncatalog_copied %d\n",
                static_cast<long long>(xml.size()), parseMs, xml.size() / 1e6 / (parseMs / 1e3), passMs,
                copiesMs, result.copied);
    return result.copied == 10000 ? 0 : 1;
}


void runBomb(TFRMmain &window)
{
    struct Peaks
    {
        long total = 0;
        long largest = 0;
        QElapsedTimer since;
        qint64 failedMs = -1;
    };
    auto peaks = std::make_shared<Peaks>();
    peaks->since.start();
    auto *sampler = new QTimer(&window);
    sampler->setTimerType(Qt::PreciseTimer);
    QObject::connect(sampler, &QTimer::timeout, qApp, [peaks] {
        long total = 0;
        for (const QString &pid : programProcesses()) {
            const long resident = residentKilobytes(pid);
            total += resident;
            peaks->largest = std::max(peaks->largest, resident);
        }
        peaks->total = std::max(peaks->total, total);
    });
    sampler->start(20);
    auto *logo = window.findChild<TShockwaveFlash *>(QStringLiteral("SWF1"));
    const auto report = [peaks] {
        std::printf("bomb_failed_ms %lld\nbomb_peak_total_mb %.0f\nbomb_peak_process_mb %.0f\n",
                    static_cast<long long>(peaks->failedMs), peaks->total / 1024.0, peaks->largest / 1024.0);
        std::fflush(stdout);
        QCoreApplication::quit();
    };
    QObject::connect(logo, &TShockwaveFlash::movieFailed, qApp, [peaks, report] {
        if (peaks->failedMs >= 0)
            return;
        peaks->failedMs = peaks->since.elapsed();
        // The replacement engine's pages and movies are counted too.
        QTimer::singleShot(5000, qApp, report);
    });
    QTimer::singleShot(60000, qApp, report);
}

// A click on a year whose movie is missing, in a config folder of 300,000
// files: the name is looked up ignoring case, as the click's setMovie does.
int runLookup()
{
    QTemporaryDir dir;
    const QString base = dir.path();
    const QByteArray config = QFile::encodeName(base + QStringLiteral("/config/"));
    QDir().mkpath(base + QStringLiteral("/config"));
    const int files = 300000;
    for (int i = 0; i < files; ++i) {
        const int fd = ::open((config + "f" + QByteArray::number(i) + ".swf").constData(),
                              O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return 1;
        ::close(fd);
    }
    const QString missing = base + QStringLiteral("\\config\\3ano.swf");
    QElapsedTimer first;
    first.start();
    bool found = content::fileExists(missing);
    const double firstMs = first.nsecsElapsed() / 1e6;
    std::vector<double> clicks;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        found = content::fileExists(missing) || found;
        clicks.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("lookup_files %d\nlookup_first_ms %.2f\nlookup_ms_median %.3f\nlookup_ms_p95 %.3f\n", files,
                firstMs, percentile(clicks, 0.5), percentile(clicks, 0.95));
    return found ? 1 : 0;
}

// The climbing catalogs' tree in folder: proj.exe, big/ with 50,000 files
// and a folder "s", and config/educ1.xml with the records given.
bool writeClimbingTree(const QString &folder, const QByteArray &caminho2, int records)
{
    QDir().mkpath(folder + QStringLiteral("/big/s"));
    QDir().mkpath(folder + QStringLiteral("/config"));
    QFile proj(folder + QStringLiteral("/proj.exe"));
    if (!proj.open(QIODevice::WriteOnly) || proj.write(QByteArray(64 * 1024, 'p')) != 64 * 1024)
        return false;
    const QByteArray big = QFile::encodeName(folder + QStringLiteral("/big/"));
    for (int i = 0; i < 50000; ++i) {
        const int fd = ::open((big + "f" + QByteArray::number(i) + ".swf").constData(),
                              O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    QByteArray xml = "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                     "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
                     "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
                     "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (int i = 0; i < records; ++i)
        xml += "<ROW TEM_XML=\"S\" caminho2=\"" + caminho2 + "\"/>";
    xml += "</ROWDATA></DATAPACKET>";
    QFile catalog(folder + QStringLiteral("/config/educ1.xml"));
    return catalog.open(QIODevice::WriteOnly) && catalog.write(xml) == xml.size();
}

// Plans the pass over folder's catalog: milliseconds, folders listed.
std::pair<double, quint64> planClimbing(const QString &folder)
{
    catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
    dataset.setFileName(folder + QStringLiteral("\\config\\educ1.xml"));
    dataset.open();
    const quint64 listed = content::lookupWork().listings;
    QElapsedTimer timer;
    timer.start();
    const catalog::CopyPlan plan = catalog::planCopies(dataset, folder);
    return {timer.nsecsElapsed() / 1e6, content::lookupWork().listings - listed};
}

int runClimbing(const QString &keep)
{
    // Within PATH_MAX: every part is looked up, and "big" is the same
    // folder however it is reached.
    const QString within = keep + QStringLiteral("/within");
    if (!writeClimbingTree(within, "\\big" + QByteArray("\\S\\..").repeated(800), 20))
        return 1;
    const auto [withinMs, withinListings] = planClimbing(within);
    // The shape as a hostile tree wrote it, "\big\S\..\S\.." 800 times:
    // past PATH_MAX, it names nothing.
    const QString past = keep + QStringLiteral("/past");
    if (!writeClimbingTree(past, QByteArray("\\big\\S\\..\\S\\..").repeated(800), 20))
        return 1;
    const auto [pastMs, pastListings] = planClimbing(past);
    std::printf("climbing_within_ms %.1f\nclimbing_within_listings %llu\n"
                "climbing_past_ms %.1f\nclimbing_past_listings %llu\n",
                withinMs, static_cast<unsigned long long>(withinListings), pastMs,
                static_cast<unsigned long long>(pastListings));

    // One caminho2 of ten million parts, planned in a child of its own so
    // that its peak memory is its own.
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/config"));
    {
        QFile proj(dir.path() + QStringLiteral("/proj.exe"));
        QFile catalog(dir.path() + QStringLiteral("/config/educ1.xml"));
        const QByteArray xml = "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                               "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
                               "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
                               "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW TEM_XML=\"S\" caminho2=\""
            + QByteArray("\\a").repeated(10000000) + "\"/></ROWDATA></DATAPACKET>";
        if (!proj.open(QIODevice::WriteOnly) || proj.write("p", 1) != 1 || !catalog.open(QIODevice::WriteOnly)
            || catalog.write(xml) != xml.size())
            return 1;
        std::printf("huge_catalog_mb %.1f\n", xml.size() / 1e6);
    }
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        struct rusage usage;
        ::getrusage(RUSAGE_SELF, &usage);
        const long before = usage.ru_maxrss;
        QElapsedTimer timer;
        timer.start();
        catalog::ClientDataSet dataset(QStringLiteral("cdxtb"));
        dataset.setFileName(dir.path() + QStringLiteral("\\config\\educ1.xml"));
        dataset.open();
        const catalog::CopyPlan plan = catalog::planCopies(dataset, dir.path());
        const catalog::CopyResult result = catalog::runCopies(plan);
        const double ms = timer.nsecsElapsed() / 1e6;
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("huge_ms %.1f\nhuge_peak_mb %.1f\nhuge_peak_growth_mb %.1f\nhuge_copied %d\n", ms,
                    usage.ru_maxrss / 1024.0, (usage.ru_maxrss - before) / 1024.0, result.copied);
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && withinListings <= 2 && pastListings == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("window");
    if (mode == "main") { // how long the dynamic loader takes before main()
        printMark("main");
        return 0;
    }
    if (mode == "catalog") {
        QCoreApplication app(argc, argv);
        return runCatalog();
    }
    if (mode == "lookup") {
        QCoreApplication app(argc, argv);
        return runLookup();
    }
    if (mode == "climbing" && argc > 2) {
        QCoreApplication app(argc, argv);
        return runClimbing(QString::fromLocal8Bit(argv[2]));
    }
    if (mode == "window")
        printMark("main");
    auto preloader = std::make_unique<Preloader>();
    WebLoader::prepareApplication();
    QApplication app(argc, argv);
    WebLoader::applicationMade();
    installFontSubstitutes();
    if (mode == "window")
        printMark("app");
    auto window = std::make_unique<TFRMmain>();
    preloader.reset();
    if (mode == "window")
        printMark("created");
    if (mode == "window")
        runWindow(*window);
    else if (mode == "movies")
        runMovies(*window);
    else if (mode == "activation")
        runActivations(*window);
    else if (mode == "web")
        runWeb(*window);
    else if (mode == "preview")
        runPreviews(*window);
    else if (mode == "hidden")
        runHidden(*window);
    else if (mode == "bomb")
        runBomb(*window);
    window->show();
    window->activateWindow();
    const int result = QApplication::exec();
    window.reset();
    return result;
}

#include "bench_menu.moc"
