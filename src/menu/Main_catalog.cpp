#include "Main.h"

#include "ui_Main.h"

#include "apptitle.h"
#include "clientdataset.h"
#include "copypass.h"
#include "errorbox.h"

#include <QApplication>
#include <QMessageBox>

void TFRMmain::Button1Click(QObject *)
{
    try {
        // Read afresh on every press, so each press makes a whole pass.
        m_cdxtb->close();
        m_cdxtb->setFileName(m_configDirectory + QStringLiteral("educ1.xml"));
        m_cdxtb->open();
        catalog::copyMarkedRecords(*m_cdxtb, m_baseDirectory);
    } catch (const std::exception &error) {
        showErrorBox(this, QString::fromUtf8(error.what()));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon,
                    content::applicationTitle(QApplication::applicationFilePath()),
                    QStringLiteral("fim da copia"), QMessageBox::Ok, this);
    box.exec();
}
