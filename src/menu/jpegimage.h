#pragma once

#include <QByteArray>
#include <QImage>

// Decodes JPEG data with libjpeg into an RGB image; a null image when the
// data is not a JPEG picture libjpeg can read.
QImage decodeJpeg(const QByteArray &data);
