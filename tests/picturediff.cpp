#include "picturediff.h"

#include <QColor>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace testing {

namespace {

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Whether some pixel of other within one pixel of (x, y) is within
// tolerance of colour.
bool nearbyMatch(const QImage &other, int x, int y, QRgb colour, int tolerance)
{
    for (int dy = -1; dy <= 1; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= other.height())
            continue;
        const auto *line = reinterpret_cast<const QRgb *>(other.constScanLine(yy));
        for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx;
            if (xx >= 0 && xx < other.width() && channelDistance(line[xx], colour) <= tolerance)
                return true;
        }
    }
    return false;
}

QRgb meanColour(const QImage &image, const QRect &rect)
{
    long long r = 0, g = 0, b = 0, n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
            ++n;
        }
    }
    return n ? qRgb(int(r / n), int(g / n), int(b / n)) : 0;
}

QString colourName(QRgb colour)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(qRed(colour)).arg(qGreen(colour)).arg(qBlue(colour));
}

} // namespace

QString PictureDiff::describe() const
{
    return QStringLiteral("%1 of %2 pixels differ (%3 %); worst block %4x%5 at %6,%7: %8 differ, mean %9 against %10")
        .arg(differing)
        .arg(total)
        .arg(100.0 * fraction(), 0, 'f', 2)
        .arg(worst.width())
        .arg(worst.height())
        .arg(worst.x())
        .arg(worst.y())
        .arg(worstCount)
        .arg(colourName(worstFirst), colourName(worstSecond));
}

PictureDiff comparePictures(const QImage &firstImage, const QImage &secondImage, int tolerance, int blockSize)
{
    PictureDiff diff;
    const QImage first = firstImage.convertToFormat(QImage::Format_RGB32);
    const QImage second = secondImage.convertToFormat(QImage::Format_RGB32);
    diff.total = std::max(1, first.width() * first.height());
    if (first.size() != second.size() || first.isNull()) {
        diff.differing = diff.total;
        diff.marked = first;
        diff.worst = first.rect();
        return diff;
    }
    diff.marked = QImage(first.size(), QImage::Format_RGB32);
    const int columns = (first.width() + blockSize - 1) / blockSize;
    const int rows = (first.height() + blockSize - 1) / blockSize;
    std::vector<int> blocks(static_cast<size_t>(columns * rows), 0);
    for (int y = 0; y < first.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(first.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(second.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(diff.marked.scanLine(y));
        for (int x = 0; x < first.width(); ++x) {
            const bool differs =
                !nearbyMatch(second, x, y, a[x], tolerance) || !nearbyMatch(first, x, y, b[x], tolerance);
            if (differs) {
                ++diff.differing;
                ++blocks[static_cast<size_t>((y / blockSize) * columns + x / blockSize)];
                out[x] = qRgb(255, 0, 0);
            } else {
                const int grey = qGray(a[x]) / 3 + 128;
                out[x] = qRgb(grey, grey, grey);
            }
        }
    }
    const auto worst = std::max_element(blocks.begin(), blocks.end());
    const int index = int(worst - blocks.begin());
    diff.worstCount = *worst;
    diff.worst = QRect((index % columns) * blockSize, (index / columns) * blockSize, blockSize, blockSize)
                     .intersected(first.rect());
    diff.worstFirst = meanColour(first, diff.worst);
    diff.worstSecond = meanColour(second, diff.worst);
    return diff;
}

} // namespace testing
