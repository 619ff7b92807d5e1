#pragma once

// Content paths are Windows-style text: the base directory followed by a
// relative path that starts with a backslash, joined by plain concatenation
// and never quoted or normalised ("/media/disco\manuais\3ano.PDF"). They stay
// text everywhere in the program and become local paths only here, at the
// moment a file is touched: backslashes turn into slashes, empty components
// (a doubled separator) are skipped, and a component that does not exist with
// its exact spelling is matched case-insensitively, as Windows would.
//
// The work a path costs is bounded by the system's own limits: a path longer
// than PATH_MAX or a component longer than NAME_MAX names nothing and is not
// looked up, and a folder is listed once however its path is spelled.

#include <QString>

#include <cstdint>

namespace content {

// The process's current directory as the menu's base directory.
QString baseDirectory();

// The local file-system path named by a content path. Components that do not
// exist under any spelling are kept as written, so the result names a file
// that does not exist. A trailing separator is kept.
QString toLocalPath(const QString &contentPath);

// What the lookup has done since the program started: the folders it listed
// for a case-insensitive match, the entries those listings held, and the
// paths taken as too long to name a file. Lets a test or a benchmark see
// that the work stays bounded.
struct LookupWork
{
    std::uint64_t listings = 0;
    std::uint64_t entriesListed = 0;
    std::uint64_t tooLong = 0;
};
LookupWork lookupWork();

// True when the content path names an existing regular file.
bool fileExists(const QString &contentPath);

} // namespace content
