// makeicons: draws the program's icon (the shapes of
// packaging/br.com.lumivark.apostilas.svg) as PNG files of the given sizes,
// for the icon theme: makeicons FOLDER SIZE… writes FOLDER/SIZE.png.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

namespace {

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 128.0, size / 128.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2f, 0x7f, 0xc1));
    painter.drawRoundedRect(QRectF(4, 4, 120, 120), 22, 22);
    const auto page = [&painter](const QPointF &edge, const QPointF &control, const QPointF &spine,
                                 const QColor &colour) {
        QPainterPath path(edge);
        path.quadTo(control, spine);
        path.lineTo(spine.x(), 100);
        path.quadTo(QPointF(control.x(), 90), QPointF(edge.x(), 98));
        path.closeSubpath();
        painter.setBrush(colour);
        painter.drawPath(path);
    };
    page({20, 36}, {42, 28}, {62, 38}, Qt::white);
    page({108, 36}, {86, 28}, {66, 38}, QColor(0xff, 0xf6, 0xd8));
    painter.setPen(QPen(QColor(0x8a, 0xa9, 0xc8), 3, Qt::SolidLine, Qt::RoundCap));
    for (int row = 0; row < 3; ++row) {
        painter.drawLine(QPointF(28, 50 + 12 * row), QPointF(54, 52 + 12 * row));
        painter.drawLine(QPointF(74, 52 + 12 * row), QPointF(100, 50 + 12 * row));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf6, 0xc3, 0x44));
    painter.drawEllipse(QPointF(100, 26), 12, 12);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: makeicons FOLDER SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0 || !drawIcon(size).save(folder + QStringLiteral("/%1.png").arg(size))) {
            std::fprintf(stderr, "makeicons: cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
