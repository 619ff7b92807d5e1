#pragma once

// What the programs the menu starts (the tree's reader and diary, the
// desktop's opener) inherit. The menu changes its own environment as it
// starts (the web engine's switches, the sound and bus libraries' paths);
// started programs get the environment the menu was started with instead,
// with every search list cleaned of entries that would make a helper come
// from the content tree.

#include <QProcessEnvironment>
#include <QString>

namespace content {

// Keeps the process's environment as it is now; called first thing in
// main(), before anything changes it. Until it is called, the current
// environment stands in for it.
void keepStartingEnvironment();

// The starting environment for a program started on treeRoot: in the
// search lists (PATH, XDG_DATA_DIRS, XDG_CONFIG_DIRS, LD_LIBRARY_PATH and
// the like) every relative or empty entry and every folder inside the tree
// is dropped; a single-folder variable (XDG_CONFIG_HOME, TMPDIR …) that is
// relative or inside the tree is removed; LD_PRELOAD and LD_AUDIT are
// removed. PATH is never left empty.
QProcessEnvironment programEnvironment(const QString &treeRoot);

} // namespace content
