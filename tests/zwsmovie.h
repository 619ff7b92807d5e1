#pragma once

// A plain (FWS) movie made into an LZMA one (ZWS) by liblzma's own encoder.

#include <QByteArray>

#include <lzma.h>

namespace testing {

// The movie as a ZWS file, made by liblzma's own encoder: "ZWS", the
// version, the uncompressed length, the compressed length, the five
// property bytes and the raw data (the .lzma header's size field dropped).
inline QByteArray lzmaMovie(const QByteArray &plain, QByteArray *data)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK)
        return QByteArray();
    QByteArray out(plain.size() + 1024, '\0');
    stream.next_in = reinterpret_cast<const uint8_t *>(plain.constData()) + 8;
    stream.avail_in = std::size_t(plain.size() - 8);
    stream.next_out = reinterpret_cast<uint8_t *>(out.data());
    stream.avail_out = std::size_t(out.size());
    lzma_ret result = LZMA_OK;
    while (result == LZMA_OK)
        result = lzma_code(&stream, LZMA_FINISH);
    out.truncate(out.size() - qsizetype(stream.avail_out));
    lzma_end(&stream);
    if (result != LZMA_STREAM_END || out.size() < 13)
        return QByteArray();
    *data = out.mid(13);
    const auto le32 = [](quint32 value) {
        QByteArray bytes;
        for (int shift = 0; shift < 32; shift += 8)
            bytes += char((value >> shift) & 0xff);
        return bytes;
    };
    return QByteArray("ZWS", 3) + plain[3] + le32(quint32(plain.size())) + le32(quint32(data->size()))
        + out.left(5) + *data;
}

} // namespace testing
