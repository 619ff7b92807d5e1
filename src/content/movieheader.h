#pragma once

// A movie file is looked at before any player gets it: its header must be a
// SWF header (FWS plain, CWS zlib, ZWS LZMA), and the size it declares for
// the whole movie, uncompressed, must be one a menu animation could have.

#include <QString>

#include <cstdint>

namespace content {

// The menu's animations are tens to hundreds of kilobytes. 64 MiB leaves
// room for any real animation while a small compressed file that would
// expand to gigabytes in the engine (whose memory every player shares, and
// which would stall all of them while it inflates) is refused.
constexpr std::int64_t kMaxMovieSize = std::int64_t(64) << 20;

enum class MovieCheck {
    Playable,
    Unreadable,  // missing, not a regular file, or unreadable
    NotAMovie,   // no SWF header
    TooLarge,    // declares more than kMaxMovieSize
};

MovieCheck checkMovieHeader(const QString &localPath);

// The canonical path of a movie the players may take: localPath, with every
// link resolved, is a regular file inside root whose header is Playable.
// Empty for anything else (a folder, a missing file, a link out of the tree,
// a broken or oversized movie), which blanks a player.
QString playableMovie(const QString &localPath, const QString &root);

} // namespace content
