#include "Main.h"

#include "ui_Main.h"

#include "apptitle.h"
#include "clientdataset.h"
#include "copypass.h"
#include "errorbox.h"
#include "treenames.h"
#include "windowfit.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

// Copies the plan on a thread of its own, so that the window keeps
// repainting. Until the progress dialog is up (after about a second; short
// passes never show it) the window takes no input, as while the pass used to
// run on this thread; from then on the dialog is modal. Cancel stops the
// pass after the copy in progress, which is completed or left no trace.
void runWithProgress(QWidget *owner, const catalog::CopyPlan &plan)
{
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false};
    std::unique_ptr<QThread> worker(QThread::create([&] { catalog::runCopies(plan, &done, &cancel); }));
    const int total = static_cast<int>(plan.copies.size());
    QProgressDialog dialog(owner);
    dialog.setWindowTitle(content::applicationTitle(QApplication::applicationFilePath()));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(1000);
    dialog.setRange(0, total);
    dialog.setValue(0); // starts the clock that shows the dialog
    worker->start();
    int shown = -1;
    while (!worker->wait(QDeadlineTimer(15))) {
        const int now = done.load();
        if (now != shown && now < total) {
            shown = now;
            dialog.setLabelText(QStringLiteral("Copiando para %1 (%2 de %3)")
                                    .arg(plan.copies[static_cast<std::size_t>(now)].folder)
                                    .arg(now + 1)
                                    .arg(total));
            dialog.setValue(now);
        }
        if (dialog.wasCanceled())
            cancel = true;
        QCoreApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                           : QEventLoop::ExcludeUserInputEvents);
    }
}

} // namespace

void TFRMmain::Button1Click(QObject *)
{
    try {
        // Read afresh on every press, so each press makes a whole pass: the
        // dataset walks on from where the last pass stopped while it stays
        // open, and the catalog may have been mended since (the action is
        // for the people who maintain the collection, who press it again
        // after fixing a record).
        m_cdxtb->close();
        m_cdxtb->setFileName(m_configDirectory + QLatin1String(treenames::kCatalog));
        m_cdxtb->open();
        runWithProgress(this, catalog::planCopies(*m_cdxtb, m_baseDirectory));
    } catch (const std::exception &error) {
        showErrorBox(this, QString::fromUtf8(error.what()));
        return;
    }
    // Centred on the screen, not on the window; modal all the same.
    QMessageBox box(QMessageBox::NoIcon,
                    content::applicationTitle(QApplication::applicationFilePath()),
                    QStringLiteral("fim da copia"), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    windowfit::centreWhenShown(&box);
    box.exec();
}
