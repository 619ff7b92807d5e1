// The year and level buttons: each sets the series code, the label and the
// preview of its row.

#include "Main.h"

#include "ui_Main.h"

#include "selection.h"

void TFRMmain::applyChoice(const selection::Row &row)
{
    m_seriesCode = QString::fromUtf8(row.code);
    setSeriesCaption(QString::fromUtf8(row.caption));
    ui->SWFinf->setMovie(m_configDirectory + QString::fromUtf8(row.movie));
}

// Each handler takes its button's row; ui->button fails to build when the
// form has no such button, and the assertion when the table has no row.
#define DEFINE_SELECTOR_HANDLER(button)                                                            \
    void TFRMmain::button##Click(QObject *)                                                        \
    {                                                                                              \
        static_assert(selection::rowFor(#button) != nullptr, "no row for " #button);               \
        applyChoice(*selection::rowFor(#button));                                                  \
    }
MENU_SELECTORS(DEFINE_SELECTOR_HANDLER)
#undef DEFINE_SELECTOR_HANDLER

void TFRMmain::wireSelectors()
{
#define WIRE_SELECTOR(button) connect(ui->button, &RadioButton::Click, this, &TFRMmain::button##Click);
    MENU_SELECTORS(WIRE_SELECTOR)
#undef WIRE_SELECTOR
}
