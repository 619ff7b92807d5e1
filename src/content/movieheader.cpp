#include "movieheader.h"

#include "treefile.h"

#include <QByteArray>

#include <lzma.h>
#include <zlib.h>

#include <algorithm>

namespace content {

namespace {

// The stage rectangle (5 bits of field size, then x min, x max, y min and
// y max in twips), the frame rate and the frame count: at most 21 bytes.
constexpr qsizetype kLongestStart = 17 + 2 + 2;
// Enough of the file for any encoder's first few dozen bytes out.
constexpr qsizetype kHeadRead = qsizetype(16) << 10;

std::uint32_t le32(const unsigned char *bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
        | std::uint32_t(bytes[3]) << 24;
}

// The stage's size from the body's start; false when the start is too short
// to hold the rectangle, the frame rate and the frame count.
bool readStage(const QByteArray &start, MovieHeader *header)
{
    if (start.isEmpty())
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(start.constData());
    const int bits = bytes[0] >> 3;
    const qsizetype rectangle = (5 + 4 * bits + 7) / 8;
    if (start.size() < rectangle + 4)
        return false;
    const auto bit = [bytes](int index) { return (bytes[index / 8] >> (7 - index % 8)) & 1; };
    std::int64_t values[4];
    for (int field = 0; field < 4; ++field) {
        std::int64_t value = 0;
        for (int i = 0; i < bits; ++i)
            value = (value << 1) | bit(5 + field * bits + i);
        if (bits > 0 && (value >> (bits - 1)) & 1)
            value -= std::int64_t(1) << bits;
        values[field] = value;
    }
    header->width = int((values[1] - values[0]) / 20);
    header->height = int((values[3] - values[2]) / 20);
    return true;
}

QByteArray inflateStart(const QByteArray &compressed)
{
    QByteArray out(kLongestStart, '\0');
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return QByteArray();
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    // A broken stream gives what came before the break, as the engine reads
    // that much too.
    inflate(&stream, Z_SYNC_FLUSH);
    out.truncate(out.size() - qsizetype(stream.avail_out));
    inflateEnd(&stream);
    return out;
}

} // namespace

QByteArray lzmaMovieBody(const QByteArray &afterLengths, std::int64_t bodyLength, qsizetype wanted, bool *broken)
{
    // The data is decoded as an .lzma stream whose header is the movie's
    // five property bytes and an unknown size, stopped at the body's length
    // as the engine stops there: an end marker or the file's end before it
    // is a cut body, a data error a broken one. The dictionary a decoder
    // keeps never needs to be longer than what it is to produce, so a file
    // that claims a 4 GiB dictionary costs no more than a small one.
    *broken = true;
    if (afterLengths.size() < 5 || bodyLength < 0)
        return QByteArray();
    const auto *props = reinterpret_cast<const unsigned char *>(afterLengths.constData());
    const std::int64_t dictionary =
        std::max<std::int64_t>(4096, std::min<std::int64_t>(le32(props + 1), std::min<std::int64_t>(bodyLength, wanted)));
    unsigned char head[13];
    head[0] = props[0];
    for (int i = 0; i < 4; ++i)
        head[1 + i] = (std::uint64_t(dictionary) >> (8 * i)) & 0xff;
    for (int i = 0; i < 8; ++i)
        head[5 + i] = 0xff;

    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&stream, UINT64_MAX) != LZMA_OK)
        return QByteArray();
    const qsizetype limit = std::min<qsizetype>(wanted, qsizetype(bodyLength));
    QByteArray out;
    qsizetype produced = 0;
    lzma_ret result = LZMA_OK;
    const auto feed = [&](const unsigned char *in, std::size_t size) {
        stream.next_in = in;
        stream.avail_in = size;
        while (result == LZMA_OK && produced < limit && (stream.avail_in > 0 || stream.avail_out == 0)) {
            if (produced == out.size())
                out.resize(std::min(limit, std::max<qsizetype>(2 * out.size(), 4096)));
            stream.next_out = reinterpret_cast<uint8_t *>(out.data() + produced);
            stream.avail_out = std::size_t(out.size() - produced);
            result = lzma_code(&stream, LZMA_RUN);
            produced = out.size() - qsizetype(stream.avail_out);
        }
    };
    feed(head, sizeof head);
    feed(props + 5, std::size_t(afterLengths.size() - 5));
    lzma_end(&stream);
    // A data error or a refused property byte (liblzma takes lc + lp up to
    // 4, as every SWF encoder writes them).
    *broken = result != LZMA_OK && result != LZMA_STREAM_END;
    out.truncate(produced);
    return out;
}

MovieHeader readMovieHeader(const QString &localPath)
{
    MovieHeader header;
    RegularFile file(localPath, kMaxMovieSize);
    if (file.refusal() == FileRefusal::TooLarge) {
        header.check = MovieCheck::TooLarge;
        return header;
    }
    QByteArray head;
    if (!file.isOpen() || !file.readAll(&head, kHeadRead))
        return header;
    header.check = MovieCheck::NotAMovie;
    if (head.size() < 8 || (head[0] != 'F' && head[0] != 'C' && head[0] != 'Z') || head[1] != 'W'
        || head[2] != 'S' || head[3] == 0)
        return header;
    const auto *bytes = reinterpret_cast<const unsigned char *>(head.constData());
    header.compression = head[0];
    header.version = bytes[3];
    header.declaredLength = le32(bytes + 4);
    if (header.declaredLength < 8)
        return header;
    if (header.declaredLength > kMaxMovieSize) {
        header.check = MovieCheck::TooLarge;
        return header;
    }
    QByteArray start;
    if (header.compression == 'F') {
        start = head.mid(8, kLongestStart);
    } else if (header.compression == 'C') {
        start = inflateStart(head.mid(8));
    } else {
        // The engine takes nothing of an LZMA body that fails to decode.
        bool broken = false;
        start = lzmaMovieBody(head.mid(12), header.declaredLength - 8, kLongestStart, &broken);
        if (broken)
            start.clear();
    }
    header.check = readStage(start, &header) ? MovieCheck::Playable : MovieCheck::BrokenBody;
    return header;
}

MovieCheck checkMovieHeader(const QString &localPath)
{
    return readMovieHeader(localPath).check;
}

QString playableMovie(const QString &localPath, const QString &root)
{
    const QString canonical = regularFileInside(localPath, root);
    if (canonical.isEmpty() || checkMovieHeader(canonical) != MovieCheck::Playable)
        return QString();
    return canonical;
}

} // namespace content
