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
    // The publisher's server chooses Portuguese pages by this.
    m_profile->setHttpAcceptLanguage(QStringLiteral("pt-BR,pt"));
    m_page = new WebPage(m_profile, this);
    ui->WebBrowser1->setPage(m_page);
    m_router = new KeyRouter(ui->WebBrowser1, this);

    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(ui->Button1); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { Button2Click(ui->Button2); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { Button3Click(ui->Button3); });
    connect(ui->Button4, &QPushButton::clicked, this, [this] { Button4Click(ui->Button4); });
    connect(ui->b1, &QPushButton::clicked, this, [this] { b1Click(ui->b1); });

    // What a screen reader says for each button: the captions' arrows and
    // the title strip's "X" are not words.
    ui->b1->setAccessibleName(QStringLiteral("Fechar"));
    ui->Button4->setAccessibleName(QStringLiteral("Fechar"));
    ui->Button2->setAccessibleName(QStringLiteral("Anterior"));
    ui->Button1->setAccessibleName(QStringLiteral("Início"));
    ui->Button3->setAccessibleName(QStringLiteral("Próximo"));

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
    // The window system may report a focus it gave before the window was
    // closed only after the close: a closed viewer takes the slot no more.
    if (m_filterInstalled || m_closed)
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
    m_closed = true;
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
