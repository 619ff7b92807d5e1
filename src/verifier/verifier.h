#pragma once

// The publisher's check of a content tree: what the menu will find in it,
// found by the menu's own code (content paths matched as the menu matches
// them, the same tree-file and movie checks, the same catalog reader and
// copy plan). It reads only: nothing is written and no program is started.
//
// checkTree() gives findings grouped as a person reads them (Séries, Níveis,
// Animações, Leitor, Catálogo, Mídia), each "ok", "aviso" or "erro" with
// the file's path as the tree spells it. Paths and texts come from the tree
// as they are; toText() shows them through visible(), toJson() escapes them
// as JSON does.

#include <QByteArray>
#include <QString>

#include <vector>

namespace verifier {

enum class Level { Ok, Warning, Error };

struct Finding
{
    QString group;
    Level level = Level::Ok;
    QString path;     // relative to the tree, as spelt on disk when found
    QString message;  // Portuguese, for a person
};

struct Report
{
    QString folder;          // the tree's root, resolved
    bool isCollection = false;
    QString notCollection;   // why not, when it is not
    std::vector<Finding> findings;

    int count(Level level) const;
    // 0 nothing is an error (warnings included), 1 something is, 2 not a
    // collection at all.
    int exitStatus() const;
};

// Checks the tree at folder. Changes the process's current folder to it, as
// the menu runs in its tree.
Report checkTree(const QString &folder);

// text with what a terminal would act on made visible: control characters
// ("\x1b", "\n", "\r", "\t"), C1 controls and the marks that reorder text
// ("\u009b", "\u202e"), and bytes of a file name that were not UTF-8
// ("\xff").
QString visible(const QString &text);

QString toText(const Report &report);
QByteArray toJson(const Report &report);

} // namespace verifier
