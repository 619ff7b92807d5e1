#pragma once

// Which renderer a movie needs. The engine's canvas renderer is cheap on
// machines without a graphics card but leaves some things out: no filter
// (drop shadow, glow, blur, bevel, colour matrix, convolution, gradient glow
// and bevel, displacement map, shader) and not every blend mode (subtract,
// invert, alpha and erase come out wrong). Only the WebGL renderer draws
// those, at a much higher processor cost, so it is asked for only for the
// movies that have them. The answer is wanted before the application object
// exists, so nothing here makes a QObject.

#include <QByteArray>
#include <QString>

namespace content {

// Whether the movie file draws something the engine's canvas renderer leaves
// out: a filter, a blend mode it cannot draw, or a script that may make
// either. A file that cannot be read or is not a movie: false. An
// LZMA-compressed movie (ZWS), whose body is not read here: true.
bool needsFullRenderer(const QString &movieFile);
// The same for movie bytes already in memory (the whole file).
bool needsFullRenderer(const QByteArray &movie);

} // namespace content
