#include "Main.h"

#include "ui_Main.h"

#include "contentpath.h"
#include "f_web.h"
#include "globals.h"
#include "launcher.h"
#include "selection.h"

#include <QMessageBox>

namespace {

const char *const kLevelButtons[] = {"rbn11", "rbn12", "rbn13", "rbn21", "rbn22",
                                     "rbn23", "rbn31", "rbn32", "rbn33"};
const char *const kYearButtons[] = {"rb1a", "rb2a", "rb3a", "rb4a", "rb5a"};

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
    ui->btok->click();
}

void TFRMmain::SWFsairFSCommand(QObject *, const QString &command, const QString &)
{
    if (command == QLatin1String("Sair"))
        close();
}

// The manual of the checked button of the selector the series code came
// from: a level code reads the level buttons, a year code the year buttons.
// Before any choice (empty code) every row is read, the last checked wins.
QString TFRMmain::checkedManual() const
{
    const bool level = selection::isLevelCode(m_seriesCode);
    const bool year = !level && !m_seriesCode.isEmpty();
    QString manual;
    const auto scan = [&](const char *const *buttons, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto *button = findChild<const QRadioButton *>(QLatin1String(buttons[i]));
            if (button && button->isChecked())
                manual = selection::manualFor(QLatin1String(buttons[i]));
        }
    };
    if (!year)
        scan(kLevelButtons, std::size(kLevelButtons));
    if (!level)
        scan(kYearButtons, std::size(kYearButtons));
    return manual;
}

void TFRMmain::startManual(const QString &manual)
{
    const QString reader = m_baseDirectory + QStringLiteral("\\MANUAIS\\READER.exe");
    const QString document = m_baseDirectory + manual;
    manualCommandLine = reader + QLatin1Char(' ') + document;
    if (content::launchProgram(reader, {document}))
        return;
    // A tree made for Windows holds a reader this system cannot run; the
    // desktop's own PDF application opens the manual instead.
    if (content::fileExists(document))
        content::openWithDesktop(content::toLocalPath(document));
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
    if (ui->rb1->isChecked()) {
        const QString manual = checkedManual();
        if (!manual.isEmpty())
            startManual(manual);
    }
    if (ui->rb2->isChecked()) {
        auto *viewer = new Tfrmweb(this, [] { return FRMmain ? FRMmain->seriesCode() : QString(); });
        frmweb = viewer;
        viewer->setWindowState(Qt::WindowMaximized);
        viewer->repaint();
        viewer->exec(); // the viewer deletes itself on close
    }
    if (ui->rb3->isChecked())
        content::launchProgram(m_baseDirectory + QStringLiteral("\\agenda\\RedNotebookPortable.exe"));
    SWFmostra();
    for (std::size_t i = 0; i < 6; ++i)
        vetor[i] = 0;
}
