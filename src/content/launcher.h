#pragma once

#include <QString>
#include <QStringList>

namespace content {

// Starts a program of the content tree without waiting for it and without a
// shell: the program path and each argument reach the new process exactly as
// given, whatever spaces, quotes or shell characters they hold. Both are
// content paths. The program runs only when, with every link resolved, it is
// a regular file inside treeRoot (a local folder): a link to /bin/sh or to
// anything else outside the tree starts nothing. Returns false when the
// program could not be started (missing, outside the tree, not executable,
// not a program for this system).
bool launchProgram(const QString &treeRoot, const QString &program, const QStringList &arguments = {});

// Opens a document with the desktop's default application: the xdg-open
// found on the absolute folders of PATH, never one in the current folder or
// in treeRoot.
bool openWithDesktop(const QString &treeRoot, const QString &localPath);

} // namespace content
