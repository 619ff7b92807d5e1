#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// A picture stretched over the whole widget. The form names the JPEG data
// (a resource) and libjpeg decodes it.
class Picture final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Picture)
    Q_PROPERTY(QString jpegResource READ jpegResource WRITE setJpegResource)

public:
    explicit Picture(QWidget *parent = nullptr);

    QString jpegResource() const { return m_resource; }
    void setJpegResource(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QString m_resource;
    QImage m_image;
    QImage m_scaled;
};
