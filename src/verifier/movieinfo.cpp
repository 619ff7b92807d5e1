#include "movieinfo.h"

#include "treefile.h"

#include <QByteArray>

#include <zlib.h>

namespace verifier {

namespace {

// The stage rectangle: 5 bits of field size, then x min, x max, y min,
// y max in twips.
bool readStage(const QByteArray &bytes, MovieInfo *info)
{
    if (bytes.isEmpty())
        return false;
    const auto bit = [&bytes](int index) {
        return (static_cast<unsigned char>(bytes[index / 8]) >> (7 - index % 8)) & 1;
    };
    const int bits = static_cast<unsigned char>(bytes[0]) >> 3;
    if (5 + 4 * bits > bytes.size() * 8)
        return false;
    std::int64_t values[4];
    for (int field = 0; field < 4; ++field) {
        std::int64_t value = 0;
        for (int i = 0; i < bits; ++i)
            value = (value << 1) | bit(5 + field * bits + i);
        if (bits > 0 && (value >> (bits - 1)) & 1)
            value -= std::int64_t(1) << bits;
        values[field] = value;
    }
    info->width = static_cast<int>((values[1] - values[0]) / 20);
    info->height = static_cast<int>((values[3] - values[2]) / 20);
    return true;
}

QByteArray inflateStart(const QByteArray &compressed, int wanted)
{
    QByteArray out(wanted, '\0');
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return QByteArray();
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_SYNC_FLUSH);
    const int produced = out.size() - static_cast<int>(stream.avail_out);
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END)
        return QByteArray();
    out.truncate(produced);
    return out;
}

} // namespace

bool readMovieInfo(const QString &localPath, MovieInfo *info)
{
    content::RegularFile file(localPath, std::int64_t(1) << 40);
    QByteArray head;
    if (!file.isOpen() || !file.readAll(&head, 4096) || head.size() < 8)
        return false;
    if ((head[0] != 'F' && head[0] != 'C' && head[0] != 'Z') || head[1] != 'W' || head[2] != 'S')
        return false;
    info->compression = head[0];
    info->version = static_cast<unsigned char>(head[3]);
    const auto byte = [&head](int i) { return std::int64_t(static_cast<unsigned char>(head[i])); };
    info->declaredLength = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
    if (info->compression == 'F')
        readStage(head.mid(8), info);
    else if (info->compression == 'C')
        readStage(inflateStart(head.mid(8), 32), info);
    return true;
}

} // namespace verifier
