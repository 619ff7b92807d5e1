#pragma once

#include <QString>

namespace content {

class RegularFile;

// Copies a regular file to a destination that must not exist yet, never
// overwriting and never leaving a partial file behind, even when the process
// is killed: the bytes go to an unnamed file in the destination's folder
// (a hidden temporary one where the file system has no unnamed files), which
// is named only when complete. The copy gets the source's permission bits
// without setuid, setgid or sticky. No folder is created. Both paths are
// local. Returns true when the copy is in place.
bool copyWithoutOverwrite(const QString &source, const QString &destination);

// The same from a file already open and checked: its bytes are read from its
// start, wherever the descriptor stands, so that one opened file serves a
// whole pass of copies whatever happens to its name meanwhile.
bool copyWithoutOverwrite(const RegularFile &source, const QString &destination);

} // namespace content
