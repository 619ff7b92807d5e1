#pragma once

#include <QString>

namespace content {

// The application's title as message boxes show it: the executable's file
// name up to its first dot, its first letter as is and the rest in lower case.
QString applicationTitle(const QString &executablePath);

} // namespace content
