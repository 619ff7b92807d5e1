#include "movieheader.h"

#include "treefile.h"

#include <QByteArray>

namespace content {

MovieCheck checkMovieHeader(const QString &localPath)
{
    RegularFile file(localPath, kMaxMovieSize);
    if (file.refusal() == FileRefusal::TooLarge)
        return MovieCheck::TooLarge;
    QByteArray header;
    if (!file.isOpen() || !file.readAll(&header, 8))
        return MovieCheck::Unreadable;
    if (header.size() < 8 || (header[0] != 'F' && header[0] != 'C' && header[0] != 'Z') || header[1] != 'W'
        || header[2] != 'S' || header[3] == 0)
        return MovieCheck::NotAMovie;
    const auto byte = [&header](int i) { return std::uint32_t(static_cast<unsigned char>(header[i])); };
    const std::int64_t declared = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
    if (declared < 8)
        return MovieCheck::NotAMovie;
    return declared > kMaxMovieSize ? MovieCheck::TooLarge : MovieCheck::Playable;
}

QString playableMovie(const QString &localPath, const QString &root)
{
    const QString canonical = regularFileInside(localPath, root);
    if (canonical.isEmpty() || checkMovieHeader(canonical) != MovieCheck::Playable)
        return QString();
    return canonical;
}

} // namespace content
