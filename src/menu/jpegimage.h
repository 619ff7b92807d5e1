#pragma once

#include <QByteArray>
#include <QImage>

// Decodes JPEG data with libjpeg into an RGB image; a null image when the
// data is not a JPEG picture libjpeg can read.
QImage decodeJpeg(const QByteArray &data);

#include <QString>

// A JPEG resource decoded ahead of time, on whatever thread calls
// preloadJpegResource; the first loadJpegResource of it takes the picture,
// waiting for the decoding if it is still running. Any other resource is
// decoded by loadJpegResource itself. A null image when the resource cannot
// be read or decoded.
void preloadJpegResource(const QString &resource);
QImage loadJpegResource(const QString &resource);
