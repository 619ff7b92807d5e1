#pragma once

// A movie file is looked at before any player gets it: its header must be a
// SWF header (FWS plain, CWS zlib, ZWS LZMA), the size it declares for the
// whole movie, uncompressed, must be one a menu animation could have, and
// the start of its body must decode to the stage rectangle, frame rate and
// frame count, which the engine reads before anything else and without which
// it shows nothing. The menu's players and the collection checker read a
// movie's header here, so that they agree on what is shown.
//
// A ZWS file is "ZWS", the version, the uncompressed length (uint32, with
// the eight header bytes), the compressed length (uint32, which the engine
// ignores, and so does this), five bytes of LZMA properties and the raw LZMA
// data, without the eight-byte size of an .lzma file's header.

#include <QByteArray>
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
    BrokenBody,  // the body's start does not decode to a stage and frames
};

struct MovieHeader
{
    MovieCheck check = MovieCheck::Unreadable;
    char compression = 0;  // 'F' plain, 'C' zlib, 'Z' LZMA; 0 when not a movie
    int version = 0;
    std::int64_t declaredLength = 0;  // uncompressed, with the header's 8 bytes
    int width = -1;   // the stage in pixels, when the body's start decoded
    int height = -1;
};

// Reads the header and decodes only the body's first bytes (a few dozen),
// whatever the movie declares.
MovieHeader readMovieHeader(const QString &localPath);
MovieCheck checkMovieHeader(const QString &localPath);

// Decodes at most wanted bytes of a ZWS body (bodyLength bytes long, as its
// header declares, less the header's 8) from afterLengths, the file from its
// property bytes on. *broken is set when the data does not decode (a cut
// stream is not broken: what it gave is returned).
QByteArray lzmaMovieBody(const QByteArray &afterLengths, std::int64_t bodyLength, qsizetype wanted, bool *broken);

// The canonical path of a movie the players may take: localPath, with every
// link resolved, is a regular file inside root whose header is Playable.
// Empty for anything else (a folder, a missing file, a link out of the tree,
// a broken or oversized movie), which blanks a player.
QString playableMovie(const QString &localPath, const QString &root);

} // namespace content
