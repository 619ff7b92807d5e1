#include "shape.h"

#include <QPainter>

Shape::Shape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setPenColor(const QColor &colour)
{
    m_penColor = colour;
    update();
}

void Shape::setPenWidth(int width)
{
    m_penWidth = width;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The pen lies wholly inside the bounds, as the frame is drawn on the
    // surface it sits on.
    const int half = m_penWidth / 2;
    painter.setPen(QPen(m_penColor, m_penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(half, half, -(m_penWidth - half), -(m_penWidth - half)));
}
