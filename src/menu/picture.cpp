#include "picture.h"

#include "jpegimage.h"

#include <QPainter>

Picture::Picture(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Picture::setJpegResource(const QString &resource)
{
    m_resource = resource;
    m_image = loadJpegResource(resource);
    m_scaled = QImage();
    update();
}

void Picture::resizeEvent(QResizeEvent *event)
{
    m_scaled = QImage();
    QWidget::resizeEvent(event);
}

void Picture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    // Scaled once per size, not on every repaint under the animations.
    if (m_scaled.size() != size())
        m_scaled = m_image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(0, 0, m_scaled);
}
