#include "moviefeatures.h"

#include "movieheader.h"
#include "treefile.h"

#include <QByteArrayView>

#include <algorithm>
#include <array>
#include <cstdint>

#include <zlib.h>

namespace content {

namespace {

enum Tag {
    kEnd = 0,
    kDefineButton = 7,
    kDoAction = 12,
    kPlaceObject2 = 26,
    kDefineButton2 = 34,
    kDefineSprite = 39,
    kDoInitAction = 59,
    kPlaceObject3 = 70,
    kDoAbcDefine = 72,
    kDoAbc = 82,
    kPlaceObject4 = 94,
};

// The first flag byte of PlaceObject2, 3 and 4.
enum : unsigned {
    kMove = 0x01,
    kHasCharacter = 0x02,
    kHasMatrix = 0x04,
    kHasColourTransform = 0x08,
    kHasRatio = 0x10,
    kHasName = 0x20,
    kHasClipDepth = 0x40,
    kHasClipActions = 0x80,
};

// The second flag byte of PlaceObject3 and 4.
enum : unsigned {
    kHasFilterList = 0x01,
    kHasBlendMode = 0x02,
    kHasCacheAsBitmap = 0x04,
    kHasClassName = 0x08,
    kHasImage = 0x10,
    kHasVisible = 0x20,
    kOpaqueBackground = 0x40,
};

// A DefineButton2 state record's flag byte (the low four bits are the
// states it is shown in).
enum : unsigned {
    kButtonHasFilterList = 0x10,
    kButtonHasBlendMode = 0x20,
};

// Flash authoring nests sprites only through the symbols they place, so a
// sprite's own tags hold no sprite; this leaves real files room and keeps a
// hostile one off the stack.
constexpr int kMostNesting = 8;

// What a script names to make a filter or a blend mode as it runs, in
// ActionScript 2 constant pools and ActionScript 3 string tables alike.
// GlowFilter and BevelFilter are also found inside their gradient forms.
// "filters" alone is not looked for: it is the package's name too, and a
// script that sets an object's filters has to make them with one of these
// classes first (or copies them from an object that already has them).
constexpr std::array<const char *, 9> kEffectNames = {
    "DropShadowFilter", "GlowFilter", "BlurFilter", "BevelFilter", "ColorMatrixFilter", "ConvolutionFilter",
    "DisplacementMapFilter", "ShaderFilter", "blendMode"};

bool namesAnEffect(const unsigned char *data, qsizetype size)
{
    if (size <= 0)
        return false;
    const QByteArrayView text(data, size);
    return std::any_of(kEffectNames.begin(), kEffectNames.end(),
                       [&text](const char *name) { return text.contains(QByteArrayView(name)); });
}

// The blend modes, as the placement tags number them, that the canvas
// renderer draws wrong: subtract (as difference), invert, alpha and erase
// (as normal). Layer is drawn as normal too, which looks the same unless a
// child is alpha or erase, and those are caught themselves.
bool canvasMisdraws(unsigned blendMode)
{
    return blendMode >= 9 && blendMode <= 12;
}

// Reads a record field by field. A read past the end reads zeros and marks
// the reader failed; every caller checks ok() before it believes a value
// that decides anything.
class Reader
{
public:
    Reader(const unsigned char *data, qsizetype size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    qsizetype left() const { return m_ok ? m_size - m_at : 0; }
    const unsigned char *here() const { return m_data + m_at; }

    unsigned u8()
    {
        align();
        if (!need(1))
            return 0;
        return m_data[m_at++];
    }
    unsigned u16()
    {
        const unsigned low = u8();
        return low | u8() << 8;
    }
    std::uint32_t u32()
    {
        const std::uint32_t low = u16();
        return low | std::uint32_t(u16()) << 16;
    }
    void skip(qsizetype count)
    {
        align();
        if (need(count))
            m_at += count;
    }
    // A string ends at its zero byte, which must be inside the record.
    void skipString()
    {
        align();
        while (m_ok && u8() != 0) {
        }
    }
    unsigned bits(int count)
    {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            if (!need(1))
                return 0;
            value = value << 1 | ((m_data[m_at] >> (7 - m_bit)) & 1u);
            if (++m_bit == 8) {
                m_bit = 0;
                ++m_at;
            }
        }
        return value;
    }
    void skipBits(qsizetype count)
    {
        const qsizetype to = m_at * 8 + m_bit + count;
        if (!m_ok || to > m_size * 8) {
            m_ok = false;
            return;
        }
        m_at = to / 8;
        m_bit = int(to % 8);
    }
    void align()
    {
        if (m_bit != 0) {
            m_bit = 0;
            ++m_at;
        }
    }

    void skipMatrix()
    {
        if (bits(1)) { // scale
            skipBits(2 * qsizetype(bits(5)));
        }
        if (bits(1)) { // rotation and skew
            skipBits(2 * qsizetype(bits(5)));
        }
        skipBits(2 * qsizetype(bits(5))); // translation
        align();
    }
    // The colour transform with alpha, as PlaceObject2 and later and
    // DefineButton2 carry it: four terms a kind.
    void skipColourTransform()
    {
        const unsigned add = bits(1);
        const unsigned multiply = bits(1);
        skipBits(4 * qsizetype(bits(4)) * (add + multiply));
        align();
    }

private:
    bool need(qsizetype count)
    {
        if (m_ok && count >= 0 && count <= m_size - m_at)
            return true;
        m_ok = false;
        return false;
    }

    const unsigned char *m_data;
    qsizetype m_size;
    qsizetype m_at = 0;
    int m_bit = 0;
    bool m_ok = true;
};

// PlaceObject2, 3 and 4 share one layout; the later two add a second flag
// byte and fields between the clip depth and the clip actions, which come
// last (PlaceObject4's own data after them is searched with them, and holds
// no script).
bool placementNeedsIt(const unsigned char *body, qsizetype size, int code)
{
    Reader r(body, size);
    const unsigned flags = r.u8();
    const unsigned more = code == kPlaceObject2 ? 0 : r.u8();
    r.skip(2); // depth
    if ((more & kHasClassName) || ((more & kHasImage) && (flags & kHasCharacter)))
        r.skipString();
    if (flags & kHasCharacter)
        r.skip(2);
    if (flags & kHasMatrix)
        r.skipMatrix();
    if (flags & kHasColourTransform)
        r.skipColourTransform();
    if (flags & kHasRatio)
        r.skip(2);
    if (flags & kHasName)
        r.skipString();
    if (flags & kHasClipDepth)
        r.skip(2);
    // An empty filter list draws nothing of its own.
    if ((more & kHasFilterList) && r.u8() > 0)
        return true;
    if ((more & kHasBlendMode) && canvasMisdraws(r.u8()))
        return true;
    if (more & kHasCacheAsBitmap)
        r.skip(1);
    if (more & kHasVisible)
        r.skip(1);
    if (more & kOpaqueBackground)
        r.skip(4);
    return (flags & kHasClipActions) && r.ok() && namesAnEffect(r.here(), r.left());
}

// A DefineButton2's state records, up to a zero byte, each with its own
// optional filter list and blend mode; then the conditions' actions, from
// where the action offset (counted from its own field) says.
bool buttonNeedsIt(const unsigned char *body, qsizetype size)
{
    Reader r(body, size);
    r.skip(2 + 1); // id, menu flag
    const qsizetype actions = r.u16();
    if (!r.ok())
        return false;
    if (actions != 0 && 3 + actions < size && namesAnEffect(body + 3 + actions, size - 3 - actions))
        return true;
    for (;;) {
        const unsigned flags = r.u8();
        if (!r.ok() || flags == 0)
            return false;
        r.skip(2 + 2); // character, depth
        r.skipMatrix();
        r.skipColourTransform();
        if ((flags & kButtonHasFilterList) && r.u8() > 0)
            return true;
        if ((flags & kButtonHasBlendMode) && canvasMisdraws(r.u8()))
            return true;
    }
}

// One list of tags: the movie's own, or a sprite's. A length that claims
// more than the list holds ends it, as the engine stops reading there too.
bool tagsNeedIt(const unsigned char *data, qsizetype size, int nesting)
{
    Reader r(data, size);
    while (r.left() >= 2) {
        const unsigned header = r.u16();
        const int code = int(header >> 6);
        qsizetype length = header & 0x3f;
        if (length == 0x3f)
            length = r.u32();
        if (!r.ok() || code == kEnd || length > r.left())
            return false;
        const unsigned char *body = r.here();
        r.skip(length);
        switch (code) {
        case kPlaceObject2:
        case kPlaceObject3:
        case kPlaceObject4:
            if (placementNeedsIt(body, length, code))
                return true;
            break;
        case kDefineButton2:
            if (buttonNeedsIt(body, length))
                return true;
            break;
        case kDefineSprite:
            if (nesting < kMostNesting && length > 4 && tagsNeedIt(body + 4, length - 4, nesting + 1))
                return true;
            break;
        case kDoInitAction:
            if (length > 2 && namesAnEffect(body + 2, length - 2))
                return true;
            break;
        // The old button's records hold no text, so its actions are
        // searched with them.
        case kDefineButton:
        case kDoAction:
        case kDoAbcDefine:
        case kDoAbc:
            if (namesAnEffect(body, length))
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

// The movie after its eight-byte header: the stage rectangle, the frame
// rate and count, then the tags.
bool bodyNeedsIt(const unsigned char *body, qsizetype size)
{
    Reader r(body, size);
    r.skipBits(4 * qsizetype(r.bits(5)));
    r.skip(2 + 2);
    return r.ok() && tagsNeedIt(r.here(), r.left(), 0);
}

// A zlib movie's body, never more than it declares: a small file that
// would inflate to gigabytes stops there, and the buffer grows only as the
// stream really fills it. A broken or cut stream gives what it gave before
// it broke, as the engine plays that much too.
QByteArray inflated(const unsigned char *data, qsizetype size, qsizetype wanted)
{
    QByteArray out;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return out;
    stream.next_in = const_cast<Bytef *>(data);
    stream.avail_in = uInt(size);
    qsizetype produced = 0;
    while (produced < wanted) {
        if (produced == out.size())
            out.resize(std::min(wanted, std::max<qsizetype>(2 * out.size(), qsizetype(1) << 16)));
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + produced);
        stream.avail_out = uInt(out.size() - produced);
        const int result = inflate(&stream, Z_NO_FLUSH);
        produced = out.size() - qsizetype(stream.avail_out);
        // Z_OK means it moved on; anything else is the end, a broken
        // stream, or a cut one that has nothing more to give.
        if (result != Z_OK)
            break;
    }
    inflateEnd(&stream);
    out.truncate(produced);
    return out;
}

} // namespace

bool needsFullRenderer(const QByteArray &movie)
{
    if (movie.size() < 8)
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(movie.constData());
    const char kind = movie[0];
    if ((kind != 'F' && kind != 'C' && kind != 'Z') || movie[1] != 'W' || movie[2] != 'S' || movie[3] == 0)
        return false;
    // What the header declares counts the header's own eight bytes.
    const std::int64_t declared = std::int64_t(bytes[4]) | std::int64_t(bytes[5]) << 8
        | std::int64_t(bytes[6]) << 16 | std::int64_t(bytes[7]) << 24;
    // The players refuse such a movie (movieheader.h), so no renderer is
    // wanted for it.
    if (declared < 8 || declared > kMaxMovieSize)
        return false;
    if (kind == 'Z')
        return true;
    if (kind == 'F')
        return bodyNeedsIt(bytes + 8, std::min<qsizetype>(movie.size(), qsizetype(declared)) - 8);
    const QByteArray body = inflated(bytes + 8, movie.size() - 8, qsizetype(declared) - 8);
    return bodyNeedsIt(reinterpret_cast<const unsigned char *>(body.constData()), body.size());
}

bool needsFullRenderer(const QString &movieFile)
{
    // Opened without blocking, and only when it is a regular file; an LZMA
    // movie is told from its header, without reading the rest.
    RegularFile file(movieFile, kMaxMovieSize);
    QByteArray movie;
    if (!file.isOpen() || !file.readAll(&movie, 8) || movie.size() < 8)
        return false;
    if (movie[0] != 'Z') {
        QByteArray rest;
        if (!file.readAll(&rest, kMaxMovieSize - 8))
            return false;
        movie.append(rest);
    }
    return needsFullRenderer(movie);
}

} // namespace content
