#pragma once

#include <QColor>
#include <QWidget>

// An unfilled rectangle drawn with a wide pen: the selection frame round the
// preview. The activation reads its pen colour (black means "nothing chosen").
class Shape final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Shape)
    Q_PROPERTY(QColor penColor READ penColor WRITE setPenColor)
    Q_PROPERTY(int penWidth READ penWidth WRITE setPenWidth)

public:
    explicit Shape(QWidget *parent = nullptr);

    QColor penColor() const { return m_penColor; }
    void setPenColor(const QColor &colour);
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_penColor = Qt::red;
    int m_penWidth = 4;
};
