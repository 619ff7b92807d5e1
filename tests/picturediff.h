#pragma once

// Two pictures of the same movie, told apart the way a person would: a
// pixel only counts as different when nothing within a pixel of it in the
// other picture comes close, so that edges anti-aliased a little
// differently by two renderers do not count, but a wrong colour, a missing
// shape or a frame from the wrong moment do.

#include <QImage>
#include <QRect>
#include <QString>

namespace testing {

struct PictureDiff
{
    int differing = 0;  // pixels
    int total = 0;
    QImage marked;      // the first picture dimmed, differing pixels in red
    QRect worst;        // the block with the most differing pixels
    int worstCount = 0;
    QRgb worstFirst = 0; // mean colours of each picture in that block
    QRgb worstSecond = 0;

    double fraction() const { return total ? double(differing) / total : 1.0; }
    QString describe() const;
};

// Pictures of different sizes differ everywhere.
PictureDiff comparePictures(const QImage &first, const QImage &second, int channelTolerance,
                            int blockSize = 16);

} // namespace testing
