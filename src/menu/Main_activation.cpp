#include "Main.h"

#include "ui_Main.h"

#include "contentpath.h"
#include "errorbox.h"
#include "globals.h"
#include "launcher.h"
#include "selection.h"
#include "treefile.h"
#include "treenames.h"
#include "weblibrary.h"
#include "webloader.h"

#include <QDialog>
#include <QMessageBox>

namespace {

// How long the reloaded movies wait after the activation started a program:
// four players loading at once take a school machine's processor for about
// that long, which the reader or the diary needs to bring its window up.
constexpr int kStartedProgramFirstMs = 300;

} // namespace

void TFRMmain::SWFinfEnter(QObject *)
{
    ui->Shape1->setPenColor(Qt::red);
    if (vetor[0] < 2)
        limpavetor(1);
    ++vetor[0];
    if (vetor[0] < 2)
        ui->P1->setFocus(Qt::OtherFocusReason);
    if (vetor[0] == 2) {
        ui->P1->setFocus(Qt::OtherFocusReason);
        vetor[0] = 0;
        ui->btok->click();
    }
}

void TFRMmain::SWFokFSCommand(QObject *, const QString &, const QString &)
{
    // Only a person's press starts a program: a movie that sends its command
    // on its own (as it loads, on a timer, on every loop) activates nothing,
    // and one press activates once.
    if (ui->SWFok->takePersonsPress())
        ui->btok->click();
}

void TFRMmain::SWFsairFSCommand(QObject *, const QString &command, const QString &)
{
    if (command == QLatin1String("Sair"))
        close();
}

// The manual of the checked button of the selector the series code came
// from: a level code reads the level buttons, a year code the year buttons.
// Both groups keep their checked button (rb3a stays checked after rbn21 is
// chosen), so a checked button alone does not say what the person chose
// last; the series code, set by the last handler that ran, does. Before any
// choice (empty code) a checked year wins over a checked level, as the years
// come last in the manual table.
QString TFRMmain::checkedManual() const
{
    QAbstractButton *level = ui->levelGroup->checkedButton();
    QAbstractButton *year = ui->yearGroup->checkedButton();
    QAbstractButton *chosen = nullptr;
    if (selection::isLevelCode(m_seriesCode))
        chosen = level;
    else if (!m_seriesCode.isEmpty())
        chosen = year;
    else
        chosen = year ? year : level;
    return chosen ? selection::manualFor(chosen->objectName()) : QString();
}

bool TFRMmain::startManual(const QString &manual)
{
    const QString reader = m_baseDirectory + QLatin1String(treenames::kReader);
    const QString document = m_baseDirectory + manual;
    manualCommandLine = reader + QLatin1Char(' ') + document;
    const QString root = content::toLocalPath(m_baseDirectory);
    if (content::launchProgram(root, reader, {document}))
        return true;
    // A tree made for Windows holds a reader this system cannot run; the
    // desktop's own PDF application opens the manual instead, when the
    // manual is the tree's own file.
    const QString pdf = content::regularFileInside(content::toLocalPath(document), root);
    return !pdf.isEmpty() && content::openWithDesktop(root, pdf);
}

void TFRMmain::btokClick(QObject *)
{
    manualCommandLine.clear();
    if (ui->Shape1->penColor() == QColor(Qt::black)) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Atenção"),
                        QStringLiteral("Selecione uma das opções.  "), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    SWFdesativa();
    bool started = false;
    if (ui->rb1->isChecked()) {
        const QString manual = checkedManual();
        if (!manual.isEmpty())
            started = startManual(manual);
    }
    if (ui->rb2->isChecked()) {
        if (WebLibrary *library = WebLoader::library(WebLoader::OnFailure::ReturnNone)) {
            QDialog *viewer =
                library->createViewer(this, [] { return FRMmain ? FRMmain->seriesCode() : QString(); });
            viewer->setWindowState(Qt::WindowMaximized);
            viewer->repaint();
            viewer->exec(); // the viewer deletes itself on close
        } else {
            showErrorBox(this, QStringLiteral("Não foi possível abrir o navegador: %1").arg(WebLoader::loadError()));
        }
    }
    if (ui->rb3->isChecked())
        started = content::launchProgram(content::toLocalPath(m_baseDirectory),
                                         m_baseDirectory + QLatin1String(treenames::kDiary));
    // The program just started comes up first; the movies follow.
    if (started) {
        if (WebLibrary *library = WebLoader::loadedLibrary())
            library->holdPlayersBack(kStartedProgramFirstMs);
    }
    SWFmostra();
    clearFirstCounters();
}
