#include "Main.h"

#include "ui_Main.h"

#include "clientdataset.h"
#include "contentpath.h"
#include "globals.h"
#include "jpegimage.h"
#include "selection.h"
#include "treenames.h"
#include "webloader.h"
#include "windowfit.h"


static void initMenuResources()
{
    // The artwork is compiled into this static library; its registration
    // must be called for by name.
    Q_INIT_RESOURCE(resources);
}

void TFRMmain::preloadArtwork()
{
    initMenuResources();
    // Image1's picture.
    preloadJpegResource(QStringLiteral(":/menu/background.jpg"));
}

TFRMmain::TFRMmain(QWidget *parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::TFRMmain>()),
      m_cdxtb(std::make_unique<catalog::ClientDataSet>(QLatin1String(treenames::kCatalogDataSet)))
{
    initMenuResources();
    FRMmain = this;
    try {
        ui->setupUi(this);
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                       | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                       | Qt::WindowCloseButtonHint);
        setFixedSize(790, 536);
        // A scroll box places its controls in its client area, inside its
        // border; a frame's children are placed from its outer edge.
        const QPoint client = ui->ScrollBox1->contentsRect().topLeft();
        const QList<QWidget *> boxed = ui->ScrollBox1->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *child : boxed)
            child->move(child->pos() + client);
        for (QLabel *label : {ui->Label2, ui->Label4, ui->lser})
            label->adjustSize();
        // Label7 keeps the form's box, its text drawn from the top, so that
        // the panel below covers its lowest rows whatever the face's height.
        ui->Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The panel's band is drawn in its own colour over the picture.
        ui->P1->setAutoFillBackground(true);
        wireHandlers();
        FormCreate(this);
    } catch (...) {
        FRMmain = nullptr;
        throw;
    }
    // Centred with the window manager's frame round it.
    windowfit::placeCentred(this);
    // The window's first activation puts the focus here, which checks the
    // button and runs its handler.
    ui->rb1a->setFocus(Qt::OtherFocusReason);
}

TFRMmain::~TFRMmain()
{
    if (FRMmain == this)
        FRMmain = nullptr;
}

void TFRMmain::wireHandlers()
{
    wireSelectors();

    connect(ui->SWFinf, &TShockwaveFlash::OnEnter, this, &TFRMmain::SWFinfEnter);
    connect(ui->SWFok, &TShockwaveFlash::OnFSCommand, this, &TFRMmain::SWFokFSCommand);
    connect(ui->SWFsair, &TShockwaveFlash::OnFSCommand, this, &TFRMmain::SWFsairFSCommand);
    connect(ui->btok, &QPushButton::clicked, this, [this] { btokClick(ui->btok); });
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(ui->Button1); });
}

void TFRMmain::FormCreate(QObject *)
{
    m_baseDirectory = content::baseDirectory();
    m_configDirectory = m_baseDirectory + QLatin1String(treenames::kConfigFolder);
    // Movies are served from the whole tree, so that a movie that is a link
    // to another file of the tree plays; nothing outside it is served.
    WebLoader::setContentTree(m_baseDirectory);
    SWFmostra();
    clearFirstCounters();
    // The highest year whose intro manual the tree holds. The base directory
    // is read through FRMmain, which is set before this handler runs, as
    // the activation and the web viewer read the window's fields: a handler
    // run for another window (none today) would still read the main one's.
    for (int year = treenames::kFirstIntroYear; year <= treenames::kLastIntroYear; ++year) {
        if (content::fileExists(FRMmain->m_baseDirectory + treenames::introManual(year))) {
            m_seriesCode = treenames::introSeriesCode(year);
            setSeriesCaption(treenames::introCaption(year));
        }
    }
}

void TFRMmain::SWFmostra()
{
    ui->SWF1->setMovie(m_configDirectory + QLatin1String(treenames::kLogoMovie));
    ui->SWFinf->setMovie(m_configDirectory + selection::previewMovieFor(m_seriesCode));
    ui->SWFok->setMovie(m_configDirectory + QLatin1String(treenames::kOkMovie));
    ui->SWFsair->setMovie(m_configDirectory + QLatin1String(treenames::kExitMovie));
    for (TShockwaveFlash *movie : {ui->SWF1, ui->SWFinf, ui->SWFok, ui->SWFsair})
        movie->setVisible(true);
}

void TFRMmain::SWFdesativa()
{
    ui->SWFinf->setVisible(false);
    ui->SWF1->setMovie(m_configDirectory);
    ui->SWFinf->setMovie(m_configDirectory);
}

void TFRMmain::setSeriesCaption(const QString &caption)
{
    // The label grows to its text with its left edge fixed.
    ui->lser->setText(caption);
    ui->lser->adjustSize();
}
