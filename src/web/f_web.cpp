#include "f_web.h"

#include "ui_f_web.h"

#include "appfilter.h"
#include "contentserver.h"
#include "keyrouter.h"
#include "webpage.h"

#include <QCloseEvent>
#include <QScreen>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QtMath>

#include <functional>

Tfrmweb *frmweb = nullptr;

Tfrmweb::Tfrmweb(QWidget *owner, std::function<QString()> seriesCode)
    : QDialog(owner), ui(std::make_unique<Ui::Tfrmweb>()), m_seriesCode(std::move(seriesCode))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // The form's own place, which the form loader leaves out for a window:
    // where the viewer goes when it is not maximised.
    move(240, 154);
    setAttribute(Qt::WA_DeleteOnClose);

    // Off the record: no cache, cookies or storage on disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page = new WebPage(m_profile, this);
    ui->WebBrowser1->setPage(m_page);
    m_router = new KeyRouter(ui->WebBrowser1, this);

    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(ui->Button1); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(ui->Button2); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { Button3Click(ui->Button3); });
    connect(ui->Button4, &QPushButton::clicked, this, [this] { Button4Click(ui->Button4); });
    connect(ui->b1, &QPushButton::clicked, this, [this] { b1Click(ui->b1); });

    ui->Button1->setFocus(Qt::OtherFocusReason);
    FormCreate(this);
}

Tfrmweb::~Tfrmweb()
{
    if (appfilter::current() == m_router)
        appfilter::install(m_savedFilter);
    if (frmweb == this)
        frmweb = nullptr;
    // The page must go before the profile it belongs to.
    ui->WebBrowser1->setPage(nullptr);
    delete m_page;
    m_page = nullptr;
}

void Tfrmweb::FormCreate(QObject *)
{
    navigateToStartPage();
}

void Tfrmweb::navigateToStartPage()
{
    const QUrl page = web::startPageFor(m_seriesCode ? m_seriesCode() : QString());
    if (!page.isEmpty())
        ui->WebBrowser1->load(page);
}

void Tfrmweb::Button1Click(QObject *)
{
    navigateToStartPage();
}

void Tfrmweb::Button2Click(QObject *)
{
    ui->WebBrowser1->back();
}

void Tfrmweb::Button3Click(QObject *)
{
    ui->WebBrowser1->forward();
}

void Tfrmweb::Button4Click(QObject *)
{
    close();
}

void Tfrmweb::b1Click(QObject *)
{
    close();
}

void Tfrmweb::FormActivate(QObject *)
{
    if (m_filterInstalled)
        return;
    m_savedFilter = appfilter::current();
    appfilter::install(m_router);
    m_filterInstalled = true;
}

void Tfrmweb::FormDeactivate(QObject *)
{
    if (!m_filterInstalled)
        return;
    appfilter::install(m_savedFilter);
    m_filterInstalled = false;
}

bool Tfrmweb::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate(this);
    else if (event->type() == QEvent::WindowDeactivate)
        FormDeactivate(this);
    return QDialog::event(event);
}

void Tfrmweb::closeEvent(QCloseEvent *event)
{
    FormDeactivate(this);
    if (frmweb == this)
        frmweb = nullptr;
    // Accepted here rather than through QDialog, which would turn the close
    // into reject(); hiding ends the modal showing all the same.
    event->accept();
}

void Tfrmweb::reject()
{
    // Escape does not close the viewer; "Fechar" and "X" do.
}

void Tfrmweb::showEvent(QShowEvent *event)
{
    // Without a window manager nothing acts on the maximised state; take the
    // screen's work area ourselves.
    if (windowState() & Qt::WindowMaximized) {
        if (const QScreen *current = screen())
            setGeometry(current->availableGeometry());
    }
    QDialog::showEvent(event);
}

void Tfrmweb::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutStrips();
}

void Tfrmweb::layoutStrips()
{
    const int width = this->width();
    const int height = this->height();
    ui->p3->setGeometry(0, 0, width, 30);
    ui->p2->setGeometry(0, height - 74, width, 74);
    ui->p1->setGeometry(0, 30, width, qMax(0, height - 104));
    ui->WebBrowser1->setGeometry(2, 2, qMax(0, width - 4), qMax(0, height - 108));
    // The close button keeps its centre's proportional place in the strip.
    ui->b1->move(qRound(725.0 * width / 741.0) - 17, 1);
}
