// swfcheck: reads back the movies the writer makes, tag by tag and bit by
// bit, with a reader of its own, and fails on the first one that a player
// would stumble on: a tag whose length does not match what it holds, a
// shape outline left open, a character used before it is defined, an
// action that jumps into the middle of another, a sound whose sample count
// is not what its data holds. It then holds each named movie to what
// swfwriter.h promises of it: its stop frame, its frame rate, when its
// sounds start and how much soundtrack each frame carries.
//   swfcheck            checks them all; prints what failed, exits 1 if anything did
#include "swfwriter.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Fault : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string &what)
{
    throw Fault(what);
}

class Reader
{
public:
    Reader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint32_t ub(int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (m_pos >= m_size)
                fail("read past the end");
            v = (v << 1) | ((m_data[m_pos] >> (7 - m_bit)) & 1u);
            if (++m_bit == 8) {
                m_bit = 0;
                ++m_pos;
            }
        }
        return v;
    }
    std::int32_t sb(int n)
    {
        if (n == 0)
            return 0;
        std::int64_t v = ub(n);
        if (v & (std::int64_t(1) << (n - 1)))
            v -= std::int64_t(1) << n;
        return static_cast<std::int32_t>(v);
    }
    void align()
    {
        if (m_bit) {
            m_bit = 0;
            ++m_pos;
        }
    }
    std::uint8_t u8()
    {
        align();
        if (m_pos >= m_size)
            fail("read past the end");
        return m_data[m_pos++];
    }
    std::uint16_t u16()
    {
        const std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32()
    {
        const std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::string string()
    {
        std::string s;
        for (std::uint8_t c = u8(); c; c = u8())
            s.push_back(static_cast<char>(c));
        return s;
    }
    std::array<std::int32_t, 4> rect()
    {
        const int n = static_cast<int>(ub(5));
        std::array<std::int32_t, 4> r{sb(n), sb(n), sb(n), sb(n)};
        align();
        if (r[0] > r[1] || r[2] > r[3])
            fail("a rectangle whose minimum is past its maximum");
        return r;
    }
    void matrix()
    {
        if (ub(1)) {
            const int n = static_cast<int>(ub(5));
            sb(n);
            sb(n);
        }
        if (ub(1)) {
            const int n = static_cast<int>(ub(5));
            sb(n);
            sb(n);
        }
        const int n = static_cast<int>(ub(5));
        sb(n);
        sb(n);
        align();
    }
    void colourTransform()
    {
        const bool add = ub(1), mult = ub(1);
        const int n = static_cast<int>(ub(4));
        for (int i = 0; i < 4 * (add + mult); ++i)
            sb(n);
        align();
    }
    void skip(std::size_t n)
    {
        align();
        if (m_pos + n > m_size)
            fail("read past the end");
        m_pos += n;
    }
    std::size_t pos() const { return m_pos; }
    std::size_t left() const { return m_size - m_pos; }
    const std::uint8_t *here() const { return m_data + m_pos; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    int m_bit = 0;
};

enum class Kind { Shape, Font, Text, Bitmap, Sound, Button };

struct SoundData
{
    int format = 0, rate = 0, channels = 1;
    std::uint32_t count = 0;
    std::vector<int> samples; // decoded, the first channel
};

struct Movie
{
    int version = 0, width = 0, height = 0, frames = 0;
    double rate = 0;
    std::map<int, Kind> characters;
    std::map<int, int> fontGlyphs;
    std::map<int, int> textGlyphs; // DefineText id: glyphs drawn
    std::map<int, SoundData> sounds;
    std::set<int> stopFrames;
    std::vector<std::pair<int, int>> soundStarts; // frame, sound id
    std::vector<std::size_t> streamSamples;       // per frame from 1; index 0 unused
    int streamRate = 0;
    int filterPlacements = 0, filters = 0, clips = 0, buttonSounds = 0;
};

void need(const Movie &movie, int id, Kind kind, const char *what)
{
    const auto found = movie.characters.find(id);
    if (found == movie.characters.end() || found->second != kind)
        fail(std::string(what) + " refers to character " + std::to_string(id) + ", not defined as one");
}

// ---- Shapes -----------------------------------------------------------------

void fillStyle(Reader &r, int version, const Movie &movie)
{
    const int type = r.u8();
    if (type == 0x00) {
        r.skip(version >= 3 ? 4 : 3);
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
        r.matrix();
        const int flags = r.u8();
        const int count = flags & 15;
        if ((flags >> 6) == 3 || ((flags >> 4) & 3) > 1)
            fail("a gradient with a reserved spread or interpolation mode");
        if (count == 0 || count > (version >= 4 ? 15 : 8))
            fail("a gradient with " + std::to_string(count) + " stops");
        int last = -1;
        for (int i = 0; i < count; ++i) {
            const int ratio = r.u8();
            if (ratio < last)
                fail("gradient stops out of order");
            last = ratio;
            r.skip(version >= 3 ? 4 : 3);
        }
        if (type == 0x13)
            r.u16();
    } else if (type >= 0x40 && type <= 0x43) {
        need(movie, r.u16(), Kind::Bitmap, "a bitmap fill");
        r.matrix();
    } else {
        fail("fill style type " + std::to_string(type));
    }
}

void lineStyle(Reader &r, int version, const Movie &movie)
{
    if (r.u16() == 0)
        fail("a line style 0 twips wide");
    if (version < 4) {
        r.skip(version >= 3 ? 4 : 3);
        return;
    }
    const int flags = r.u16();
    const int join = (flags >> 4) & 3, startCap = (flags >> 6) & 3, endCap = (flags >> 8) & 3;
    if (join == 3 || startCap == 3 || endCap == 3 || (flags >> 11))
        fail("a line style with reserved join, cap or flag bits");
    if (join == 2)
        r.u16();
    if (flags & 8)
        fillStyle(r, version, movie);
    else
        r.skip(4);
}

void styles(Reader &r, int version, const Movie &movie, int *fills, int *lines, int *fillBits, int *lineBits)
{
    *fills = r.u8();
    if (*fills == 0xff && version >= 2)
        *fills = r.u16();
    for (int i = 0; i < *fills; ++i)
        fillStyle(r, version, movie);
    *lines = r.u8();
    if (*lines == 0xff && version >= 2)
        *lines = r.u16();
    for (int i = 0; i < *lines; ++i)
        lineStyle(r, version, movie);
    const int bits = r.u8();
    *fillBits = bits >> 4;
    *lineBits = bits & 15;
    if ((1 << *fillBits) <= *fills || (1 << *lineBits) <= *lines)
        fail("style bit counts too small for the styles");
}

// The edge records, with every filled outline required to end where it
// began.
void shapeRecords(Reader &r, int version, const Movie &movie, int fills, int lines, int fillBits, int lineBits)
{
    long x = 0, y = 0, startX = 0, startY = 0;
    bool filled = false;
    int fill0 = 0, fill1 = 0;
    const auto close = [&] {
        if (filled && (x != startX || y != startY))
            fail("a filled outline that is not closed");
    };
    for (;;) {
        if (r.ub(1)) {
            const bool straight = r.ub(1);
            const int n = static_cast<int>(r.ub(4)) + 2;
            if (straight) {
                if (r.ub(1)) {
                    x += r.sb(n);
                    y += r.sb(n);
                } else if (r.ub(1)) {
                    y += r.sb(n);
                } else {
                    x += r.sb(n);
                }
            } else {
                x += r.sb(n);
                y += r.sb(n);
                x += r.sb(n);
                y += r.sb(n);
            }
            continue;
        }
        const int flags = static_cast<int>(r.ub(5));
        if (flags == 0)
            break;
        if (flags & 1) {
            close();
            const int n = static_cast<int>(r.ub(5));
            x = startX = r.sb(n);
            y = startY = r.sb(n);
        }
        if (flags & 2)
            fill0 = static_cast<int>(r.ub(fillBits));
        if (flags & 4)
            fill1 = static_cast<int>(r.ub(fillBits));
        if (flags & 8) {
            const int line = static_cast<int>(r.ub(lineBits));
            if (line > lines)
                fail("a line style index past the styles");
        }
        if (fill0 > fills || fill1 > fills)
            fail("a fill style index past the styles");
        if (flags & 16) {
            if (version < 2)
                fail("new styles in DefineShape");
            if (!(flags & 1))
                close();
            r.align();
            styles(r, version, movie, &fills, &lines, &fillBits, &lineBits);
            fill0 = fill1 = 0;
        }
        if (flags & 1)
            filled = fill0 || fill1;
    }
    close();
    r.align();
}

void defineShape(Reader &r, int code, Movie &movie)
{
    const int version = code == 2 ? 1 : code == 22 ? 2 : code == 32 ? 3 : 4;
    const int id = r.u16();
    r.rect();
    if (version == 4) {
        r.rect();
        if (r.u8() >> 3)
            fail("reserved DefineShape4 flags set");
    }
    int fills, lines, fillBits, lineBits;
    styles(r, version, movie, &fills, &lines, &fillBits, &lineBits);
    shapeRecords(r, version, movie, fills, lines, fillBits, lineBits);
    movie.characters[id] = Kind::Shape;
}

// ---- Text -------------------------------------------------------------------

void defineFont2(Reader &r, Movie &movie)
{
    const int id = r.u16();
    const int flags = r.u8();
    r.u8(); // language
    r.skip(r.u8());
    const int glyphs = r.u16();
    const bool wide = flags & 0x08;
    const std::size_t table = r.pos();
    std::vector<std::size_t> offsets;
    for (int i = 0; i <= glyphs; ++i)
        offsets.push_back(wide ? r.u32() : r.u16());
    for (int i = 0; i < glyphs; ++i) {
        if (r.pos() != table + offsets[static_cast<std::size_t>(i)])
            fail("a glyph that does not start where the offset table says");
        const int bits = r.u8();
        if (bits != 0x10)
            fail("a glyph without one fill and no lines");
        shapeRecords(r, 1, movie, 1, 0, 1, 0);
    }
    if (r.pos() != table + offsets.back())
        fail("the code table is not where the offset table says");
    int last = -1;
    for (int i = 0; i < glyphs; ++i) {
        const int code = (flags & 0x04) ? r.u16() : r.u8();
        if (code <= last)
            fail("font codes not in increasing order");
        last = code;
    }
    if (flags & 0x80) {
        r.u16();
        r.u16();
        r.u16();
        for (int i = 0; i < glyphs; ++i)
            r.u16();
        for (int i = 0; i < glyphs; ++i)
            r.rect();
        const int kernings = r.u16();
        r.skip(static_cast<std::size_t>(kernings) * ((flags & 0x04) ? 6 : 4));
    }
    movie.characters[id] = Kind::Font;
    movie.fontGlyphs[id] = glyphs;
}

void defineText(Reader &r, int code, Movie &movie)
{
    const int id = r.u16();
    r.rect();
    r.matrix();
    const int glyphBits = r.u8(), advanceBits = r.u8();
    int font = -1, drawn = 0;
    for (int flags = r.u8(); flags; flags = r.u8()) {
        if (!(flags & 0x80) || (flags & 0x70))
            fail("a text record with a wrong type or reserved bits");
        if (flags & 0x08) {
            font = r.u16();
            need(movie, font, Kind::Font, "a text record");
        }
        if (flags & 0x04)
            r.skip(code == 33 ? 4 : 3);
        if (flags & 0x01)
            r.u16();
        if (flags & 0x02)
            r.u16();
        if (flags & 0x08)
            r.u16();
        if (font < 0)
            fail("glyphs before any font");
        const int count = r.u8();
        for (int i = 0; i < count; ++i) {
            if (static_cast<int>(r.ub(glyphBits)) >= movie.fontGlyphs[font])
                fail("a glyph index past the font's glyphs");
            r.sb(advanceBits);
        }
        r.align();
        drawn += count;
    }
    movie.characters[id] = Kind::Text;
    movie.textGlyphs[id] = drawn;
}

void defineEditText(Reader &r, Movie &movie)
{
    const int id = r.u16();
    r.rect();
    const int flags = r.u16(); // first byte low
    const bool hasText = flags & 0x80, hasColour = flags & 0x04, hasMaxLength = flags & 0x02,
               hasFont = flags & 0x01, hasFontClass = flags & 0x8000, hasLayout = flags & 0x2000;
    if (hasFont)
        need(movie, r.u16(), Kind::Font, "an edit field");
    if (hasFontClass)
        r.string();
    if (hasFont || hasFontClass)
        r.u16();
    if (hasColour)
        r.skip(4);
    if (hasMaxLength)
        r.u16();
    if (hasLayout)
        r.skip(9);
    r.string();
    if (hasText)
        r.string();
    movie.characters[id] = Kind::Text;
}

// ---- Bitmaps ----------------------------------------------------------------

void defineBitsLossless2(Reader &r, Movie &movie)
{
    const int id = r.u16();
    if (r.u8() != 5)
        fail("a bitmap not in 32-bit ARGB");
    const std::size_t width = r.u16(), height = r.u16();
    const int method = r.u8(), check = r.u8();
    if (method != 0x78 || (method * 256 + check) % 31 != 0 || (check & 0x20))
        fail("a zlib header that does not check");
    std::vector<std::uint8_t> data;
    for (bool last = false; !last;) {
        const int header = r.u8();
        last = header & 1;
        if ((header >> 1) != 0)
            fail("a zlib block that is not stored (this reader only reads stored blocks)");
        const std::uint16_t length = r.u16(), inverse = r.u16();
        if (static_cast<std::uint16_t>(~length) != inverse)
            fail("a stored zlib block whose length check fails");
        if (r.left() < length)
            fail("a stored zlib block longer than the tag");
        data.insert(data.end(), r.here(), r.here() + length);
        r.skip(length);
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    std::uint32_t adler = 0;
    for (int i = 0; i < 4; ++i)
        adler = (adler << 8) | r.u8();
    if (adler != ((b << 16) | a))
        fail("a zlib stream whose Adler-32 does not check");
    if (data.size() != width * height * 4)
        fail("bitmap data of " + std::to_string(data.size()) + " bytes for " + std::to_string(width) + " x "
             + std::to_string(height));
    for (std::size_t i = 0; i < data.size(); i += 4)
        if (data[i + 1] > data[i] || data[i + 2] > data[i] || data[i + 3] > data[i])
            fail("a pixel brighter than its alpha allows: not premultiplied");
    movie.characters[id] = Kind::Bitmap;
}

// ---- Sound ------------------------------------------------------------------

const int kIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int kSteps[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
                        25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
                        88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
                        307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
                        1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
                        3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
                        12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// 4-bit SWF ADPCM as the format describes it: each packet's header sample
// is the packet's first sample, then 4095 codes.
std::vector<int> decodeAdpcm(Reader &r, std::uint32_t count, int channels)
{
    if (r.ub(2) != 2)
        fail("ADPCM with other than 4-bit codes");
    std::vector<int> out;
    std::vector<int> sample(static_cast<std::size_t>(channels)), index(static_cast<std::size_t>(channels));
    for (std::uint32_t i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) {
            const auto k = static_cast<std::size_t>(c);
            if (i % 4096 == 0) {
                sample[k] = r.sb(16);
                index[k] = static_cast<int>(r.ub(6));
            } else {
                const int code = static_cast<int>(r.ub(4));
                const int step = kSteps[index[k]];
                int delta = step >> 3;
                if (code & 4)
                    delta += step;
                if (code & 2)
                    delta += step >> 1;
                if (code & 1)
                    delta += step >> 2;
                sample[k] = std::max(-32768, std::min(32767, sample[k] + ((code & 8) ? -delta : delta)));
                index[k] = std::max(0, std::min(88, index[k] + kIndexShift[code & 7]));
            }
            if (c == 0)
                out.push_back(sample[k]);
        }
    }
    r.align();
    return out;
}

void defineSound(Reader &r, std::size_t end, Movie &movie)
{
    const int id = r.u16();
    SoundData sound;
    sound.format = static_cast<int>(r.ub(4));
    sound.rate = static_cast<int>(r.ub(2));
    const bool sixteen = r.ub(1);
    sound.channels = r.ub(1) ? 2 : 1;
    sound.count = r.u32();
    if (!sixteen)
        fail("an 8-bit sound");
    if (sound.format == 3) {
        if (end - r.pos() != std::size_t(sound.count) * 2 * static_cast<std::size_t>(sound.channels))
            fail("PCM data of " + std::to_string(end - r.pos()) + " bytes for " + std::to_string(sound.count)
                 + " samples");
        for (std::uint32_t i = 0; i < sound.count; ++i) {
            sound.samples.push_back(static_cast<std::int16_t>(r.u16()));
            if (sound.channels == 2)
                r.u16();
        }
    } else if (sound.format == 1) {
        sound.samples = decodeAdpcm(r, sound.count, sound.channels);
    } else {
        fail("sound format " + std::to_string(sound.format));
    }
    movie.characters[id] = Kind::Sound;
    movie.sounds[id] = sound;
}

void soundInfo(Reader &r)
{
    const int flags = r.u8();
    if (flags >> 6)
        fail("reserved SOUNDINFO bits set");
    if (flags & 1)
        r.u32();
    if (flags & 2)
        r.u32();
    if (flags & 4 && r.u16() == 0)
        fail("a sound looped 0 times");
    if (flags & 8)
        r.skip(static_cast<std::size_t>(r.u8()) * 8);
}

// ---- Actions ----------------------------------------------------------------

void actions(Reader &r, std::size_t end, Movie &movie, int frame)
{
    std::set<std::size_t> starts;
    std::vector<std::size_t> targets;
    for (;;) {
        if (r.pos() >= end)
            fail("actions that run past their tag without an end");
        starts.insert(r.pos());
        const int code = r.u8();
        if (code == 0)
            break;
        if (code == 0x07 && frame > 0)
            movie.stopFrames.insert(frame);
        if (code < 0x80)
            continue;
        const std::size_t length = r.u16();
        const std::size_t next = r.pos() + length;
        if (next > end)
            fail("an action longer than its tag");
        if (code == 0x96) {
            while (r.pos() < next) {
                const int type = r.u8();
                static const int sizes[] = {-1, 4, 0, 0, 1, 1, 8, 4, 1, 2};
                if (type > 9)
                    fail("a push of type " + std::to_string(type));
                if (type == 0)
                    r.string();
                else
                    r.skip(static_cast<std::size_t>(sizes[type]));
            }
        } else if (code == 0x99 || code == 0x9D) {
            if (length != 2)
                fail("a branch whose length is not 2");
            const auto offset = static_cast<std::int16_t>(r.u16());
            targets.push_back(next + static_cast<std::size_t>(static_cast<std::ptrdiff_t>(offset)));
        } else {
            r.skip(length);
        }
        if (r.pos() != next)
            fail("an action whose contents do not fill its length");
    }
    for (std::size_t target : targets)
        if (!starts.count(target))
            fail("a branch into the middle of an action");
}

// ---- Placing ----------------------------------------------------------------

void filterList(Reader &r, Movie &movie)
{
    const int count = r.u8();
    movie.filterPlacements++;
    movie.filters += count;
    for (int i = 0; i < count; ++i) {
        const int id = r.u8();
        switch (id) {
        case 0: // drop shadow
            r.skip(4 + 4 * 4 + 2 + 1);
            break;
        case 1: // blur
            r.skip(8);
            if (r.u8() & 7)
                fail("reserved blur filter bits set");
            break;
        case 2: // glow
            r.skip(4 + 8 + 2 + 1);
            break;
        case 3: // bevel
            r.skip(8 + 16 + 2 + 1);
            break;
        case 6: {
            r.skip(80);
            break;
        }
        default:
            fail("filter " + std::to_string(id));
        }
    }
}

void placeObject(Reader &r, int code, Movie &movie, std::map<int, int> &stage)
{
    const int flags = code == 70 ? r.u16() : r.u8();
    const int depth = r.u16();
    const bool move = flags & 0x01, hasCharacter = flags & 0x02;
    if (code == 70 && (flags & 0x0800))
        r.string();
    if (!move && !hasCharacter)
        fail("a placement that neither places nor moves");
    if (hasCharacter) {
        const int id = r.u16();
        if (!movie.characters.count(id) || movie.characters[id] == Kind::Font || movie.characters[id] == Kind::Sound
            || movie.characters[id] == Kind::Bitmap)
            fail("placing character " + std::to_string(id) + ", which cannot be placed");
        if (!move && stage.count(depth))
            fail("placing at depth " + std::to_string(depth) + ", which is taken");
        stage[depth] = id;
    } else if (!stage.count(depth)) {
        fail("moving at depth " + std::to_string(depth) + ", where nothing is");
    }
    if (flags & 0x04)
        r.matrix();
    if (flags & 0x08)
        r.colourTransform();
    if (flags & 0x10)
        r.u16();
    if (flags & 0x20)
        r.string();
    if (flags & 0x40) {
        if (r.u16() <= depth)
            fail("a mask whose clip depth is not above its own");
        movie.clips++;
    }
    if (flags & 0x80)
        fail("clip actions (never written)");
    if (code == 70) {
        if (flags & 0x0100)
            filterList(r, movie);
        if (flags & 0x0200)
            r.u8();
        if (flags & 0x0400)
            r.u8();
    }
}

void defineButton2(Reader &r, std::size_t end, Movie &movie)
{
    const int id = r.u16();
    r.u8();
    const std::size_t actionsAt = r.pos();
    const int offset = r.u16();
    for (int flags = r.u8(); flags; flags = r.u8()) {
        if (flags & 0x30)
            fail("button record with filters or blend mode (never written)");
        const int character = r.u16();
        if (!movie.characters.count(character) || movie.characters[character] != Kind::Shape)
            fail("a button showing character " + std::to_string(character) + ", not a shape");
        r.u16();
        r.matrix();
        r.colourTransform();
    }
    if (offset) {
        if (actionsAt + static_cast<std::size_t>(offset) != r.pos())
            fail("a button whose action offset does not point past its records");
        for (;;) {
            const std::size_t start = r.pos();
            const int size = r.u16();
            r.u16();
            actions(r, size ? start + static_cast<std::size_t>(size) : end, movie, 0);
            if (!size)
                break;
            if (r.pos() != start + static_cast<std::size_t>(size))
                fail("a button condition whose size does not match its actions");
        }
    }
    movie.characters[id] = Kind::Button;
}

// ---- The movie --------------------------------------------------------------

Movie read(const std::vector<std::uint8_t> &bytes)
{
    Movie movie;
    Reader r(bytes.data(), bytes.size());
    if (bytes.size() < 8 || bytes[0] != 'F' || bytes[1] != 'W' || bytes[2] != 'S')
        fail("no FWS signature");
    r.skip(3);
    movie.version = r.u8();
    if (r.u32() != bytes.size())
        fail("the header's length is not the file's");
    const auto stage = r.rect();
    movie.width = stage[1] - stage[0];
    movie.height = stage[3] - stage[2];
    movie.rate = r.u16() / 256.0;
    movie.frames = r.u16();

    std::map<int, int> display;
    int frame = 1, showFrames = 0, index = 0;
    bool ended = false, streamHead = false;
    movie.streamSamples.assign(2, 0);
    while (!ended) {
        if (r.left() < 2)
            fail("the tags end without an End tag");
        const int header = r.u16();
        const int code = header >> 6;
        std::size_t length = header & 0x3f;
        if (length == 0x3f)
            length = r.u32();
        if (length > r.left())
            fail("tag " + std::to_string(code) + " longer than the file");
        Reader t(r.here(), length);
        try {
            switch (code) {
            case 0:
                ended = true;
                break;
            case 1:
                ++showFrames;
                ++frame;
                movie.streamSamples.push_back(0);
                break;
            case 2:
            case 22:
            case 32:
            case 83:
                defineShape(t, code, movie);
                break;
            case 9:
                t.skip(3);
                break;
            case 12:
                actions(t, length, movie, frame);
                break;
            case 14:
                defineSound(t, length, movie);
                break;
            case 15: {
                const int id = t.u16();
                need(movie, id, Kind::Sound, "StartSound");
                soundInfo(t);
                movie.soundStarts.push_back({frame, id});
                break;
            }
            case 17: {
                need(movie, t.u16(), Kind::Button, "DefineButtonSound");
                for (int i = 0; i < 4; ++i) {
                    const int id = t.u16();
                    if (id) {
                        need(movie, id, Kind::Sound, "DefineButtonSound");
                        soundInfo(t);
                        movie.buttonSounds++;
                    }
                }
                break;
            }
            case 19: {
                if (!streamHead)
                    fail("a SoundStreamBlock before SoundStreamHead2");
                if (length % 2)
                    fail("a stream block of an odd number of bytes");
                movie.streamSamples.back() += length / 2;
                t.skip(length);
                break;
            }
            case 26:
            case 70:
                placeObject(t, code, movie, display);
                break;
            case 28:
                if (!display.erase(t.u16()))
                    fail("removing from a depth where nothing is");
                break;
            case 34:
                defineButton2(t, length, movie);
                break;
            case 33:
            case 11:
                defineText(t, code, movie);
                break;
            case 36:
                defineBitsLossless2(t, movie);
                break;
            case 37:
                defineEditText(t, movie);
                break;
            case 45: {
                if (streamHead)
                    fail("two stream heads");
                streamHead = true;
                t.u8();
                if (t.ub(4) != 3)
                    fail("a stream not of little-endian PCM");
                static const int rates[] = {5512, 11025, 22050, 44100};
                movie.streamRate = rates[t.ub(2)];
                if (!t.ub(1) || t.ub(1))
                    fail("a stream not of 16-bit mono");
                t.u16();
                break;
            }
            case 48:
                defineFont2(t, movie);
                break;
            case 69:
                if (index != 0)
                    fail("FileAttributes not the first tag");
                if (t.u32() & ~0x79u)
                    fail("reserved FileAttributes bits set");
                break;
            default:
                fail("a tag this writer never writes");
            }
            if (t.pos() != length || t.left() != 0)
                fail("its contents end " + std::to_string(length - t.pos()) + " bytes before its length");
        } catch (const Fault &fault) {
            throw Fault("tag " + std::to_string(code) + " (#" + std::to_string(index) + ", frame "
                        + std::to_string(frame) + "): " + fault.what());
        }
        r.skip(length);
        ++index;
    }
    if (r.left() != 0)
        fail("bytes after the End tag");
    if (showFrames != movie.frames)
        fail("the header counts " + std::to_string(movie.frames) + " frames, the tags show "
             + std::to_string(showFrames));
    return movie;
}

// ---- The checks -------------------------------------------------------------

int failures = 0;

void check(bool ok, const std::string &what)
{
    if (!ok) {
        std::printf("FAIL %s\n", what.c_str());
        ++failures;
    }
}

long samplesOf(const std::vector<swf::Tone> &tones, int rate)
{
    long n = 0;
    for (const swf::Tone &tone : tones)
        n += std::lround(double(tone.milliseconds) * rate / 1000);
    return n;
}

int letters(const std::string &utf8)
{
    int n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xc0) != 0x80)
            ++n;
    return n;
}

void checkKind(const std::string &kind, int width, int height)
{
    const std::string name = kind + " " + std::to_string(width) + "x" + std::to_string(height);
    const swf::MovieSpec spec = swf::realisticMovie(kind, width, height);
    Movie movie;
    try {
        movie = read(swf::writeMovie(spec));
    } catch (const Fault &fault) {
        check(false, name + ": " + fault.what());
        return;
    }
    check(movie.version >= 8, name + ": version " + std::to_string(movie.version));
    check(movie.width == width * 20 && movie.height == height * 20, name + ": stage size");
    check(movie.rate == spec.frameRate, name + ": frame rate");
    check(movie.frames == spec.frameCount, name + ": frame count");
    if (spec.stopFrame > 0)
        check(movie.stopFrames == std::set<int>{spec.stopFrame},
              name + ": stop() not on frame " + std::to_string(spec.stopFrame) + " alone");
    else
        check(movie.stopFrames.empty(), name + ": a stop() it does not ask for");

    std::vector<std::pair<int, int>> starts;
    std::vector<int> soundIds;
    for (const auto &entry : movie.sounds)
        soundIds.push_back(entry.first);
    check(soundIds.size() == spec.sounds.size(), name + ": sounds defined");
    for (std::size_t i = 0; i < spec.sounds.size() && i < soundIds.size(); ++i) {
        static const int rates[] = {5512, 11025, 22050, 44100};
        const SoundData &sound = movie.sounds[soundIds[i]];
        check(long(sound.count) == samplesOf(spec.sounds[i].tones, rates[sound.rate]),
              name + ": sound " + std::to_string(i) + " holds a length other than its tones'");
    }
    for (const swf::SoundStart &start : spec.soundStarts)
        starts.push_back({start.frame, soundIds.at(static_cast<std::size_t>(start.sound))});
    check(movie.soundStarts == starts, name + ": sounds start on other frames than asked");

    if (!spec.stream.tones.empty()) {
        const long total = samplesOf(spec.stream.tones, movie.streamRate);
        long streamed = 0;
        const double perFrame = double(movie.streamRate) / spec.frameRate;
        for (std::size_t f = 1; f <= std::size_t(movie.frames) && f < movie.streamSamples.size(); ++f) {
            const double share = std::min(perFrame, std::max(0.0, double(total - streamed)));
            check(std::abs(double(movie.streamSamples[f]) - share) <= 1,
                  name + ": frame " + std::to_string(f) + " streams " + std::to_string(movie.streamSamples[f])
                      + " samples");
            streamed += long(movie.streamSamples[f]);
        }
        check(streamed == total, name + ": the soundtrack streams " + std::to_string(streamed) + " of "
                                     + std::to_string(total) + " samples");
    }

    std::size_t filters = 0;
    int clips = 0;
    for (const swf::Placement &p : spec.placements) {
        filters += p.filters.size();
        clips += p.clipDepth > 0;
    }
    check(movie.filters == int(filters), name + ": filters written");
    check(movie.clips == clips, name + ": masks written");
    int buttonSounds = 0;
    for (const swf::Button &button : spec.buttons)
        buttonSounds += (button.pressSound >= 0) + (button.releaseSound >= 0);
    check(movie.buttonSounds == buttonSounds, name + ": button sounds");

    // Every letter of the static text has a glyph: none is dropped.
    std::vector<int> expected, drawn;
    for (const swf::Text &text : spec.texts)
        if (text.variable.empty())
            expected.push_back(letters(text.text));
    for (const auto &entry : movie.textGlyphs)
        drawn.push_back(entry.second);
    check(expected == drawn, name + ": letters left out of the text");
}

// ADPCM must sound like the PCM it was made from.
void checkAdpcm()
{
    swf::MovieSpec spec;
    spec.border = false;
    for (swf::SoundFormat format : {swf::SoundFormat::Pcm16, swf::SoundFormat::Adpcm}) {
        swf::Sound sound;
        sound.tones = {{440, 300}, {0, 50}, {3000, 200}, {150, 400}};
        sound.format = format;
        sound.sampleRate = 22050;
        sound.volume = 0.8;
        spec.sounds.push_back(sound);
    }
    Movie movie;
    try {
        movie = read(swf::writeMovie(spec));
    } catch (const Fault &fault) {
        check(false, std::string("ADPCM movie: ") + fault.what());
        return;
    }
    check(movie.sounds.size() == 2, "ADPCM movie: two sounds");
    if (movie.sounds.size() != 2)
        return;
    const std::vector<int> &pcm = movie.sounds.begin()->second.samples;
    const std::vector<int> &adpcm = std::next(movie.sounds.begin())->second.samples;
    check(pcm.size() == adpcm.size() && pcm.size() > 4096 * 2, "ADPCM movie: as many samples as the PCM");
    double error = 0, signal = 0;
    for (std::size_t i = 0; i < std::min(pcm.size(), adpcm.size()); ++i) {
        error += double(pcm[i] - adpcm[i]) * (pcm[i] - adpcm[i]);
        signal += double(pcm[i]) * pcm[i];
    }
    const double ratio = signal > 0 ? std::sqrt(error / signal) : 1;
    check(ratio < 0.05, "ADPCM movie: decodes " + std::to_string(ratio * 100) + " % away from the PCM");
}

// The movies every existing caller makes, still well formed.
void checkPlainMovies()
{
    std::vector<swf::MovieSpec> specs(5);
    specs[0].label = "SAIR";
    specs[1].label = "OK";
    specs[1].buttonSendsCommand = true;
    specs[1].buttonCommand = {"ok", ""};
    specs[1].moving = false;
    specs[2].loadSendsCommand = true;
    specs[2].loadCommand = {"fullscreen", "true"};
    specs[2].loadUrl = "http://example.com/";
    specs[3].externalCall = "f";
    specs[3].externalArgument = "a";
    specs[3].version = 8;
    specs[3].loadSpins = true;
    specs[4].label = "0123456789";
    specs[4].width = 800;
    specs[4].height = 600;
    specs[4].frameCount = 1;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        try {
            const Movie movie = read(swf::writeMovie(specs[i]));
            check(movie.frames == specs[i].frameCount, "plain movie " + std::to_string(i) + ": frames");
        } catch (const Fault &fault) {
            check(false, "plain movie " + std::to_string(i) + ": " + fault.what());
        }
    }
}

} // namespace

int main()
{
    const std::vector<std::string> kinds = swf::realisticKinds();
    check(kinds.size() >= 12, "fewer kinds than the tests use");
    for (const std::string &kind : kinds)
        for (const auto &size : {std::array<int, 2>{160, 120}, {400, 300}, {1024, 768}, {373, 280}, {4000, 3000}})
            checkKind(kind, size[0], size[1]);
    check(swf::realisticMovie("no such kind", 10, 10).placements.empty(), "an unknown kind makes something");
    checkAdpcm();
    checkPlainMovies();
    std::printf("%s: %d failure(s)\n", failures ? "FAIL" : "ok", failures);
    return failures ? 1 : 0;
}
