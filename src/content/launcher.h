#pragma once

#include <QString>
#include <QStringList>

namespace content {

// Starts a program of the content tree without waiting for it and without a
// shell: the program path and each argument reach the new process exactly as
// given, whatever spaces, quotes or shell characters they hold. Both are
// content paths. Returns false when the program could not be started (missing,
// not executable, not a program for this system).
bool launchProgram(const QString &program, const QStringList &arguments = {});

// Opens a document with the desktop's default application (xdg-open).
bool openWithDesktop(const QString &localPath);

} // namespace content
