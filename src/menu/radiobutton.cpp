#include "radiobutton.h"

#include <QFocusEvent>

RadioButton::RadioButton(QWidget *parent) : QRadioButton(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked)
            Q_EMIT Click(this);
    });
}

void RadioButton::checkStateSet()
{
    QRadioButton::checkStateSet();
    setFocusPolicy(isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void RadioButton::focusInEvent(QFocusEvent *event)
{
    QRadioButton::focusInEvent(event);
    if (!isChecked() && event->reason() != Qt::MouseFocusReason)
        setChecked(true);
}
