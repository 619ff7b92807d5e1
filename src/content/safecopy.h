#pragma once

#include <QString>

namespace content {

// Copies a file to a destination that must not exist yet, never overwriting
// and never leaving a partial file behind: the bytes go to a temporary file
// in the destination's folder, which is put in place only when complete. No
// folder is created. Both paths are local. Returns true when the copy is in
// place.
bool copyWithoutOverwrite(const QString &source, const QString &destination);

} // namespace content
