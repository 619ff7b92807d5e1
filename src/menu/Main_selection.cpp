#include "Main.h"

#include "ui_Main.h"

#include "selection.h"

void TFRMmain::applyChoice(const char *button)
{
    const selection::Choice choice = selection::choiceFor(QLatin1String(button));
    m_seriesCode = choice.seriesCode;
    setSeriesCaption(choice.caption);
    ui->SWFinf->setMovie(m_configDirectory + choice.previewMovie);
}

void TFRMmain::rb1aClick(QObject *) { applyChoice("rb1a"); }
void TFRMmain::rb2aClick(QObject *) { applyChoice("rb2a"); }
void TFRMmain::rb3aClick(QObject *) { applyChoice("rb3a"); }
void TFRMmain::rb4aClick(QObject *) { applyChoice("rb4a"); }
void TFRMmain::rb5aClick(QObject *) { applyChoice("rb5a"); }
void TFRMmain::rbn11Click(QObject *) { applyChoice("rbn11"); }
void TFRMmain::rbn12Click(QObject *) { applyChoice("rbn12"); }
void TFRMmain::rbn13Click(QObject *) { applyChoice("rbn13"); }
void TFRMmain::rbn21Click(QObject *) { applyChoice("rbn21"); }
void TFRMmain::rbn22Click(QObject *) { applyChoice("rbn22"); }
void TFRMmain::rbn23Click(QObject *) { applyChoice("rbn23"); }
void TFRMmain::rbn31Click(QObject *) { applyChoice("rbn31"); }
void TFRMmain::rbn32Click(QObject *) { applyChoice("rbn32"); }
void TFRMmain::rbn33Click(QObject *) { applyChoice("rbn33"); }
