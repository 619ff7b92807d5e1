#pragma once

// What a movie draws that the engine's canvas renderer leaves out: filters
// (drop shadow, glow, blur, bevel, colour matrix …) and blend modes, which
// only its WebGL renderer draws. The players give a movie the WebGL
// renderer only when it needs it (it costs several times the processor on a
// machine without a graphics card), and the program asks before its
// application object exists: nothing here makes a Qt object.

#include <QByteArray>
#include <QString>

namespace content {

// Whether the movie (the whole file) places anything with a filter list or
// a blend mode, at any depth of its sprites and buttons, or holds a script
// that names a filter class or blendMode (which would make one as it
// runs). An LZMA-compressed movie, whose body is not read here, is taken to
// need it; a file that is not a movie, or that cannot be read, does not.
bool needsFullRenderer(const QByteArray &movie);
bool needsFullRenderer(const QString &movieFile);

} // namespace content
