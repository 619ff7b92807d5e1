#include "moviefeatures.h"

#include "movieheader.h"
#include "treefile.h"

#include <QtEndian>

#include <array>
#include <cstdint>

#include <zlib.h>

namespace content {

namespace {

// The tags that place or define what the renderer draws.
constexpr int kDefineButton2 = 34;
constexpr int kDefineSprite = 39;
constexpr int kPlaceObject3 = 70;
constexpr int kPlaceObject4 = 94;
// Sprites hold sprites only through the symbols they place, so their tags
// nest one level; a hostile file gets no deeper than this.
constexpr int kMostNesting = 8;

// The names a script uses to make a filter or a blend mode as it runs.
constexpr std::array<const char *, 11> kScriptNames = {
    "DropShadowFilter", "GlowFilter", "BlurFilter", "BevelFilter", "ColorMatrixFilter", "ConvolutionFilter",
    "GradientGlowFilter", "GradientBevelFilter", "DisplacementMapFilter", "ShaderFilter", "blendMode"};

// Reads bit fields, most significant first, as the movie's records are
// packed; past the end it reads zeros and says so.
class Bits
{
public:
    Bits(const QByteArray &bytes, qsizetype at, qsizetype end) : m_bytes(bytes), m_at(at), m_end(end) {}
    std::uint32_t take(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_at >= m_end) {
                m_overrun = true;
                return 0;
            }
            const int bit = (static_cast<unsigned char>(m_bytes[m_at]) >> (7 - m_bit)) & 1;
            value = value << 1 | std::uint32_t(bit);
            if (++m_bit == 8) {
                m_bit = 0;
                ++m_at;
            }
        }
        return value;
    }
    void align()
    {
        if (m_bit != 0) {
            m_bit = 0;
            ++m_at;
        }
    }
    qsizetype position() const { return m_at; }
    bool overrun() const { return m_overrun || m_at > m_end; }

private:
    const QByteArray &m_bytes;
    qsizetype m_at;
    qsizetype m_end;
    int m_bit = 0;
    bool m_overrun = false;
};

void skipMatrix(Bits &bits)
{
    if (bits.take(1)) { // scale
        const int n = int(bits.take(5));
        bits.take(2 * n);
    }
    if (bits.take(1)) { // rotate and skew
        const int n = int(bits.take(5));
        bits.take(2 * n);
    }
    const int n = int(bits.take(5)); // translate
    bits.take(2 * n);
    bits.align();
}

void skipColourTransformWithAlpha(Bits &bits)
{
    const bool add = bits.take(1);
    const bool mult = bits.take(1);
    const int n = int(bits.take(4));
    bits.take((mult ? 4 * n : 0) + (add ? 4 * n : 0));
    bits.align();
}

// Whether a DefineButton2's records place a state with a filter list or a
// blend mode; the records end at a zero byte.
bool buttonNeedsIt(const QByteArray &body, qsizetype at, qsizetype end)
{
    at += 2 + 1 + 2; // id, flags, action offset
    while (at < end) {
        const unsigned flags = static_cast<unsigned char>(body[at]);
        if (flags == 0)
            return false;
        if (flags & 0x30) // a filter list or a blend mode
            return true;
        Bits bits(body, at + 1 + 2 + 2, end); // flags, character, depth
        skipMatrix(bits);
        skipColourTransformWithAlpha(bits);
        if (bits.overrun())
            return false;
        at = bits.position();
    }
    return false;
}

// Walks one list of tags, from at to end: a placement with a filter list or
// a blend mode, or a button that has one, is what the canvas leaves out.
bool tagsNeedIt(const QByteArray &body, qsizetype at, qsizetype end, int nesting)
{
    while (at + 2 <= end) {
        const quint16 header = qFromLittleEndian<quint16>(body.constData() + at);
        at += 2;
        const int code = header >> 6;
        qint64 length = header & 0x3f;
        if (length == 0x3f) {
            if (at + 4 > end)
                return false;
            length = qFromLittleEndian<quint32>(body.constData() + at);
            at += 4;
        }
        if (code == 0 || length > end - at)
            return false; // the end, or a length that claims more than there is
        const qsizetype tagEnd = at + qsizetype(length);
        if ((code == kPlaceObject3 || code == kPlaceObject4) && length >= 2) {
            // The second flag byte: bit 0 a filter list, bit 1 a blend mode.
            if (static_cast<unsigned char>(body[at + 1]) & 0x03)
                return true;
        } else if (code == kDefineButton2 && buttonNeedsIt(body, at, tagEnd)) {
            return true;
        } else if (code == kDefineSprite && nesting < kMostNesting && length >= 4
                   && tagsNeedIt(body, at + 4, tagEnd, nesting + 1)) {
            return true;
        }
        at = tagEnd;
    }
    return false;
}

// The body of a zlib-compressed movie, never more than it declares: a
// small file that would inflate to gigabytes stops there.
QByteArray inflated(const QByteArray &movie, qsizetype declared)
{
    QByteArray body(declared, Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return QByteArray();
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(movie.constData() + 8));
    stream.avail_in = uInt(movie.size() - 8);
    stream.next_out = reinterpret_cast<Bytef *>(body.data());
    stream.avail_out = uInt(body.size());
    const int result = inflate(&stream, Z_FINISH);
    const qsizetype produced = qsizetype(stream.total_out);
    inflateEnd(&stream);
    if (result != Z_STREAM_END && result != Z_BUF_ERROR && result != Z_OK)
        return QByteArray();
    body.truncate(produced);
    return body;
}

} // namespace

bool needsFullRenderer(const QByteArray &movie)
{
    if (movie.size() < 8 || movie[1] != 'W' || movie[2] != 'S')
        return false;
    const std::int64_t declared = qFromLittleEndian<quint32>(movie.constData() + 4);
    if (declared < 8 || declared > kMaxMovieSize)
        return false;
    QByteArray body;
    if (movie[0] == 'F') {
        body = movie.mid(8, qsizetype(declared) - 8);
    } else if (movie[0] == 'C') {
        body = inflated(movie, qsizetype(declared) - 8);
    } else {
        return movie[0] == 'Z';
    }
    if (body.isEmpty())
        return false;
    for (const char *name : kScriptNames) {
        if (body.contains(name))
            return true;
    }
    // The frame size's rectangle, then the frame rate and count.
    Bits bits(body, 0, body.size());
    const int n = int(bits.take(5));
    bits.take(4 * n);
    bits.align();
    const qsizetype tags = bits.position() + 4;
    return !bits.overrun() && tagsNeedIt(body, tags, body.size(), 0);
}

bool needsFullRenderer(const QString &movieFile)
{
    // Opened without blocking, and only when it is a regular file.
    RegularFile file(movieFile, kMaxMovieSize);
    QByteArray bytes;
    if (!file.isOpen() || !file.readAll(&bytes, kMaxMovieSize))
        return false;
    return needsFullRenderer(bytes);
}

} // namespace content
