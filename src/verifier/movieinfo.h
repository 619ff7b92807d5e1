#pragma once

// What a movie file's header says: compression, version, declared length
// and the stage's size (read from the stage rectangle, inflating the start
// of a zlib movie; not read for LZMA movies).

#include <QString>

#include <cstdint>

namespace verifier {

struct MovieInfo
{
    char compression = 0;  // 'F' plain, 'C' zlib, 'Z' LZMA
    int version = 0;
    std::int64_t declaredLength = 0;
    int width = -1;   // pixels, -1 when not read
    int height = -1;
};

// False when the file does not start like a movie (see content's own check
// for what the players accept).
bool readMovieInfo(const QString &localPath, MovieInfo *info);

} // namespace verifier
