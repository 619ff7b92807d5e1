#pragma once

#include <QRadioButton>

// A radio button with the platform rules the menu's handlers rely on:
// - Click() fires only when the button goes from unchecked to checked, after
//   the other buttons of its group (same parent) are unchecked;
// - it is a Tab stop only while checked;
// - getting the focus while unchecked by any means but a mouse press (the
//   window's first activation, arrow keys, a program) checks it, which fires
//   Click().
class RadioButton final : public QRadioButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RadioButton)

public:
    explicit RadioButton(QWidget *parent = nullptr);

Q_SIGNALS:
    void Click(RadioButton *sender);

protected:
    void checkStateSet() override;
    void focusInEvent(QFocusEvent *event) override;
};
