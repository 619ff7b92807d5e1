// Which movies need the engine's WebGL renderer: a placement with filters or
// with a blend mode the canvas draws wrong, in the movie, its sprites and
// its buttons, or a script that names a filter class or blendMode; read
// from plain and zlib files (LZMA ones are taken to need it), and nothing
// read past what the file holds or declares, however it lies.
#include "moviefeatures.h"
#include "swfbits.h"
#include "swfwriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using swf::detail::BitWriter;

namespace {

QByteArray bytesOf(const std::vector<std::uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray le16(unsigned v)
{
    QByteArray out(2, '\0');
    out[0] = char(v & 0xff);
    out[1] = char(v >> 8 & 0xff);
    return out;
}

QByteArray le32(std::uint32_t v)
{
    return le16(v & 0xffff) + le16(v >> 16);
}

// The long form of a tag's header, whatever its length, as some authoring
// tools write it; the writer's realistic movies use the short one.
QByteArray tag(int code, const QByteArray &body)
{
    return le16(unsigned(code) << 6 | 0x3f) + le32(std::uint32_t(body.size())) + body;
}

QByteArray cString(const QByteArray &text)
{
    return text + QByteArray(1, '\0');
}

// A plain movie of these tags on a 240 x 180 stage, 12 fps, one frame, with
// the end tag; the header declares exactly its length unless told.
QByteArray movieOf(const QByteArray &tags, std::int64_t declared = -1)
{
    BitWriter stage;
    swf::detail::rect(stage, 0, 240 * 20, 0, 180 * 20);
    stage.u16(12 << 8);
    stage.u16(1);
    const QByteArray body = bytesOf(stage.take()) + tags + QByteArray(2, '\0');
    const std::int64_t length = declared >= 0 ? declared : 8 + body.size();
    return QByteArray("FWS\x0a", 4) + le32(std::uint32_t(length)) + body;
}

// zlib's compression of a plain movie, as a CWS file (qCompress puts the
// length in front of the zlib stream).
QByteArray compressed(const QByteArray &plain)
{
    QByteArray out = plain.left(8);
    out[0] = 'C';
    return out + qCompress(plain.mid(8), 9).mid(4);
}

// Field values that are all non-zero, so that a reader that steps over one
// of them wrongly lands on bytes that read as filters.
void scaledRotatedMatrix(BitWriter &w)
{
    w.bits(1, 1);
    w.bits(18, 5);
    w.signedBits(0x18000, 18); // 1.5
    w.signedBits(0x0c000, 18); // 0.75
    w.bits(1, 1);
    w.bits(17, 5);
    w.signedBits(0x4000, 17);
    w.signedBits(-0x4000, 17);
    w.bits(15, 5);
    w.signedBits(2000, 15);
    w.signedBits(-3000, 15);
    w.align();
}

void colourTransformWithAlpha(BitWriter &w)
{
    w.bits(1, 1); // add terms
    w.bits(1, 1); // multiply terms
    w.bits(10, 4);
    for (int v : {200, 180, 160, 256, 30, -40, 50, 0})
        w.signedBits(v, 10);
    w.align();
}

// A drop shadow as the format lays it out: 23 bytes after its id.
QByteArray dropShadow()
{
    return QByteArray(1, '\0')
        + QByteArray::fromHex("000000ff" "00000500" "00000500" "00c90000" "00000500" "0001" "a1");
}

QByteArray filterList(int count)
{
    QByteArray list(1, char(count));
    for (int i = 0; i < count; ++i)
        list += dropShadow();
    return list;
}

// ActionScript 2 bytes that name these strings in a constant pool, as a
// script that makes "new flash.filters.GlowFilter()" has them.
QByteArray actionsNaming(const std::vector<QByteArray> &names)
{
    QByteArray pool = le16(unsigned(names.size()));
    for (const QByteArray &name : names)
        pool += cString(name);
    return QByteArray(1, '\x88') + le16(unsigned(pool.size())) + pool + QByteArray(1, '\0');
}

// Clip actions (for a version 6 or later movie): one onClipEvent(load)
// with these actions, then the end.
QByteArray clipActions(const QByteArray &actions)
{
    return le16(0) + le32(1) + le32(1) + le32(std::uint32_t(actions.size())) + actions + le32(0);
}

struct Placement
{
    int code = 70;          // PlaceObject2, 3 or 4
    bool move = false;      // changes an instance already there, no character
    bool className = false; // PlaceObject3's class name flag
    bool image = false;     // PlaceObject3's image flag
    QByteArray classText = "ClasseDoSimbolo";
    bool fullMatrix = false; // scale and rotation as well as translation
    bool colour = false;
    bool ratio = false;
    QByteArray name;         // instance name, when not empty
    bool clipDepth = false;
    int filters = -1;        // -1: no filter list; else that many drop shadows
    int blend = -1;          // -1: no blend mode
    bool cacheAsBitmap = false;
    bool visible = false;
    bool background = false;
    QByteArray actions;      // clip actions, when not empty
};

QByteArray placement(const Placement &p)
{
    BitWriter w;
    const bool character = !p.move;
    unsigned flags = (p.move ? 0x01 : 0) | (character ? 0x02 : 0) | 0x04 | (p.colour ? 0x08 : 0) | (p.ratio ? 0x10 : 0)
        | (p.name.isEmpty() ? 0 : 0x20) | (p.clipDepth ? 0x40 : 0) | (p.actions.isEmpty() ? 0 : 0x80);
    w.u8(std::uint8_t(flags));
    if (p.code != 26) {
        const unsigned more = (p.filters >= 0 ? 0x01 : 0) | (p.blend >= 0 ? 0x02 : 0) | (p.cacheAsBitmap ? 0x04 : 0)
            | (p.className ? 0x08 : 0) | (p.image ? 0x10 : 0) | (p.visible ? 0x20 : 0) | (p.background ? 0x40 : 0);
        w.u8(std::uint8_t(more));
    }
    w.u16(7); // depth
    if (p.className || (p.image && character))
        w.string(p.classText.toStdString());
    if (character)
        w.u16(0x0101);
    if (p.fullMatrix)
        scaledRotatedMatrix(w);
    else
        swf::detail::translateMatrix(w, 400, 600);
    if (p.colour)
        colourTransformWithAlpha(w);
    if (p.ratio)
        w.u16(0x0300); // its first byte zero, so that a reader that missed it would end the name there
    if (!p.name.isEmpty())
        w.string(p.name.toStdString());
    if (p.clipDepth)
        w.u16(0x0202);
    QByteArray body = bytesOf(w.take());
    if (p.filters >= 0)
        body += filterList(p.filters);
    if (p.blend >= 0)
        body += char(p.blend);
    if (p.cacheAsBitmap)
        body += '\x01';
    if (p.visible)
        body += '\x01';
    if (p.background)
        body += QByteArray::fromHex("336699ff");
    if (!p.actions.isEmpty())
        body += clipActions(p.actions);
    return tag(p.code, body);
}

QByteArray placement(int blend, int filters = -1)
{
    Placement p;
    p.blend = blend;
    p.filters = filters;
    return placement(p);
}

// Every field up to the filter list and blend mode present, the list empty.
Placement everyField(int blend)
{
    Placement p;
    p.className = true;
    p.fullMatrix = true;
    p.colour = true;
    p.ratio = true;
    p.name = "caixa";
    p.clipDepth = true;
    p.filters = 0;
    p.blend = blend;
    p.cacheAsBitmap = true;
    p.visible = true;
    p.background = true;
    return p;
}

struct ButtonRecord
{
    bool fullMatrix = false;
    int filters = -1;
    int blend = -1;
};

// A DefineButton2 with these state records and, when not empty, one
// condition (released over the button) with these actions.
QByteArray button(const std::vector<ButtonRecord> &records, const QByteArray &actions = QByteArray())
{
    QByteArray list;
    for (const ButtonRecord &r : records) {
        BitWriter w;
        w.u8(std::uint8_t(0x0f | (r.filters >= 0 ? 0x10 : 0) | (r.blend >= 0 ? 0x20 : 0)));
        w.u16(0x0101); // character
        w.u16(0x0101); // depth
        if (r.fullMatrix)
            scaledRotatedMatrix(w);
        else
            swf::detail::translateMatrix(w, 0, 0);
        colourTransformWithAlpha(w);
        list += bytesOf(w.take());
        if (r.filters >= 0)
            list += filterList(r.filters);
        if (r.blend >= 0)
            list += char(r.blend);
    }
    list += '\0';
    const unsigned offset = actions.isEmpty() ? 0 : unsigned(2 + list.size());
    QByteArray body = le16(9) + QByteArray(1, '\0') + le16(offset) + list;
    if (!actions.isEmpty())
        body += le16(0) + le16(0x0008) + actions;
    return tag(34, body);
}

QByteArray sprite(const QByteArray &tags)
{
    return tag(39, le16(11) + le16(1) + tags + QByteArray(2, '\0'));
}

QByteArray binaryData(const QByteArray &data)
{
    return tag(87, le16(12) + le32(0) + data);
}

QByteArray realistic(const char *kind)
{
    return bytesOf(swf::writeMovie(swf::realisticMovie(kind, 240, 180)));
}

} // namespace

class TestMovieFeatures final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realisticMovies_data();
    void realisticMovies();
    void writtenFilters_data();
    void writtenFilters();
    void placements_data();
    void placements();
    void buttons_data();
    void buttons();
    void sprites_data();
    void sprites();
    void scripts_data();
    void scripts();
    void headersAndLengths_data();
    void headersAndLengths();
    void everyPrefixOfAPlainMovie();
    void everyPrefixOfACompressedMovie();
    void damageAfterTheFilterChangesNothing();
    void files_data();
    void files();
};

void TestMovieFeatures::realisticMovies_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("needed");
    const std::vector<std::string> kinds = swf::realisticKinds();
    for (const char *kind : {"tints", "tint-tween", "outlines", "mask", "text", "bitmap", "event-sound",
                             "loop-sound", "stream-sound", "button-sound", "string-bomb", "string-bomb-loop"}) {
        QVERIFY(std::find(kinds.begin(), kinds.end(), kind) != kinds.end());
        QTest::newRow(kind) << QString::fromLatin1(kind) << false;
    }
    QTest::newRow("filters") << QStringLiteral("filters") << true;
}

// Each as written and zlib-compressed.
void TestMovieFeatures::realisticMovies()
{
    QFETCH(QString, kind);
    QFETCH(bool, needed);
    const QByteArray plain = realistic(kind.toLatin1().constData());
    QCOMPARE(content::needsFullRenderer(plain), needed);
    QCOMPARE(content::needsFullRenderer(compressed(plain)), needed);
}

// One instance, written by the project's writer with one filter of each
// kind it makes, among its instance name, mask depth and colour.
void TestMovieFeatures::writtenFilters_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("drop shadow") << int(swf::FilterType::DropShadow);
    QTest::newRow("glow") << int(swf::FilterType::Glow);
    QTest::newRow("blur") << int(swf::FilterType::Blur);
    QTest::newRow("bevel") << int(swf::FilterType::Bevel);
    QTest::newRow("colour matrix") << int(swf::FilterType::ColourMatrix);
}

void TestMovieFeatures::writtenFilters()
{
    QFETCH(int, type);
    swf::MovieSpec spec;
    spec.version = 8;
    spec.stopFrame = 1;
    swf::Shape square;
    swf::Figure figure;
    figure.width = figure.height = 20;
    square.figures.push_back(figure);
    spec.shapes.push_back(square);
    swf::Placement p;
    p.name = "quadrado";
    swf::Key key;
    key.x = 30;
    key.colour = swf::tint({255, 0, 0}, 0.5);
    p.keys.push_back(key);
    swf::Filter filter;
    filter.type = swf::FilterType(type);
    p.filters.push_back(filter);
    spec.placements.push_back(p);
    QVERIFY(content::needsFullRenderer(bytesOf(swf::writeMovie(spec))));
    spec.placements.front().filters.clear();
    QVERIFY(!content::needsFullRenderer(bytesOf(swf::writeMovie(spec))));
}

void TestMovieFeatures::placements_data()
{
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<bool>("needed");
    // Flash's numbering: 0 and 1 normal, 2 layer, 3 multiply, 4 screen, 5
    // lighten, 6 darken, 7 difference, 8 add, 9 subtract, 10 invert, 11
    // alpha, 12 erase, 13 overlay, 14 hardlight; past that, nothing.
    const char *names[] = {"normal 0", "normal", "layer", "multiply", "screen", "lighten", "darken", "difference",
                           "add", "subtract", "invert", "alpha", "erase", "overlay", "hardlight"};
    for (int mode = 0; mode <= 14; ++mode)
        QTest::newRow(names[mode]) << placement(mode) << (mode >= 9 && mode <= 12);
    QTest::newRow("blend mode 15") << placement(15) << false;
    QTest::newRow("blend mode 255") << placement(255) << false;

    QTest::newRow("one filter") << placement(-1, 1) << true;
    QTest::newRow("three filters") << placement(-1, 3) << true;
    QTest::newRow("an empty filter list") << placement(-1, 0) << false;
    QTest::newRow("an empty filter list, then invert") << placement(10, 0) << true;
    QTest::newRow("a filter, then normal") << placement(1, 1) << true;

    QTest::newRow("every field, normal") << placement(everyField(1)) << false;
    QTest::newRow("every field, erase") << placement(everyField(12)) << true;
    QTest::newRow("every field, multiply") << placement(everyField(3)) << false;
    Placement image;
    image.image = true;
    image.fullMatrix = true;
    image.blend = 0;
    QTest::newRow("a bitmap's class name, normal") << placement(image) << false;
    image.blend = 11;
    QTest::newRow("a bitmap's class name, alpha") << placement(image) << true;
    Placement moved;
    moved.move = true;
    moved.blend = 9;
    QTest::newRow("a move that sets subtract") << placement(moved) << true;
    moved.code = 94;
    QTest::newRow("PlaceObject4, subtract") << placement(moved) << true;
    Placement four;
    four.code = 94;
    four.filters = 2;
    QTest::newRow("PlaceObject4, filters") << placement(four) << true;

    Placement cached;
    cached.cacheAsBitmap = true;
    QTest::newRow("cacheAsBitmap alone") << placement(cached) << false;

    // Clip actions, whose scripts may make either as they run.
    Placement clip = everyField(1);
    clip.actions = actionsNaming({"flash", "filters", "GlowFilter"});
    QTest::newRow("PlaceObject3 clip actions naming GlowFilter") << placement(clip) << true;
    clip.actions = actionsNaming({"_x", "gotoAndPlay"});
    QTest::newRow("PlaceObject3 clip actions naming neither") << placement(clip) << false;
    Placement two;
    two.code = 26;
    two.colour = true;
    two.name = "bola";
    two.actions = actionsNaming({"this", "blendMode", "erase"});
    QTest::newRow("PlaceObject2 clip actions setting blendMode") << placement(two) << true;
    two.actions.clear();
    two.name = "DropShadowFilter";
    QTest::newRow("PlaceObject2 named like a filter") << placement(two) << false;

    // Cut inside its fields: the flags say a filter list, the body ends
    // first. The next tag's header begins with 0xff, which a reader that
    // ran on would take for a filter count.
    const QByteArray next = binaryData("x");
    QByteArray cut = placement(everyField(1)).mid(6);
    cut.chop(1 + 1 + 1 + 1 + 4); // filter count, blend mode, cacheAsBitmap, visible, background
    QTest::newRow("PlaceObject3 cut before its filter list") << tag(70, cut) + next << false;
    QTest::newRow("PlaceObject3 of two bytes") << tag(70, QByteArray::fromHex("0003")) + next << false;
    QTest::newRow("PlaceObject3 of no bytes") << tag(70, QByteArray()) + next << false;
    Placement endless;
    endless.className = true;
    endless.blend = 12;
    const QByteArray unterminated = placement(endless).mid(6, 4 + endless.classText.size());
    QTest::newRow("PlaceObject3 class name without its end") << tag(70, unterminated) + next << false;
}

void TestMovieFeatures::placements()
{
    QFETCH(QByteArray, tags);
    QFETCH(bool, needed);
    QCOMPARE(content::needsFullRenderer(movieOf(tags)), needed);
}

void TestMovieFeatures::buttons_data()
{
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<bool>("needed");
    QTest::newRow("a plain state") << button({{}}) << false;
    QTest::newRow("a state with a drop shadow") << button({{false, 1, -1}}) << true;
    QTest::newRow("a state with an empty filter list") << button({{true, 0, -1}}) << false;
    QTest::newRow("an empty filter list, then invert") << button({{true, 0, 10}}) << true;
    QTest::newRow("an empty filter list, then multiply") << button({{true, 0, 3}}) << false;
    QTest::newRow("erase on the third state") << button({{true, 0, 1}, {true, -1, -1}, {false, -1, 12}}) << true;
    QTest::newRow("screen, darken and add") << button({{true, -1, 4}, {true, 0, 6}, {false, -1, 8}}) << false;
    QTest::newRow("a release naming ConvolutionFilter")
        << button({{}}, actionsNaming({"flash", "filters", "ConvolutionFilter"})) << true;
    QTest::newRow("a release naming neither") << button({{}}, actionsNaming({"getURL", "_blank"})) << false;
    // The record says a filter list and the tag ends; the next tag's header
    // begins with 0xff.
    QByteArray cut = button({{true, 1, -1}}).mid(6);
    cut.chop(1 + 24 + 1); // the list's count and drop shadow, the records' end
    QTest::newRow("a record cut before its filter list") << tag(34, cut) + binaryData("x") << false;
    // Every byte of the offset field is there, then nothing.
    QTest::newRow("a button of its header alone") << tag(34, QByteArray::fromHex("0900" "00" "ffff")) << false;
    // The old button's actions are searched too.
    QTest::newRow("DefineButton naming ColorMatrixFilter")
        << tag(7, le16(9) + QByteArray::fromHex("0f01000100" "00" "00")
                      + actionsNaming({"flash", "filters", "ColorMatrixFilter"}))
        << true;
}

void TestMovieFeatures::buttons()
{
    QFETCH(QByteArray, tags);
    QFETCH(bool, needed);
    QCOMPARE(content::needsFullRenderer(movieOf(tags)), needed);
}

void TestMovieFeatures::sprites_data()
{
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<bool>("needed");
    QTest::newRow("filters in a sprite") << sprite(placement(-1, 1)) << true;
    QTest::newRow("multiply in a sprite") << sprite(placement(3)) << false;
    QTest::newRow("erase three sprites down") << sprite(sprite(sprite(placement(12)))) << true;
    QTest::newRow("a sprite's script naming blendMode") << sprite(tag(12, actionsNaming({"blendMode"}))) << true;
    QByteArray deep = placement(12);
    for (int i = 0; i < 8; ++i)
        deep = sprite(deep);
    QTest::newRow("erase eight sprites down") << deep << true;
    QTest::newRow("erase nine sprites down, past the nesting kept") << sprite(deep) << false;
    QTest::newRow("a sprite with a filter in the button it defines") << sprite(button({{false, 1, -1}})) << true;

    // A sprite whose only tag claims more than the sprite holds: its scan
    // ends at the sprite, and the movie's own tags go on after it.
    const QByteArray named = binaryData("flash.filters.DropShadowFilter");
    const QByteArray overrun = tag(39, le16(11) + le16(1) + le16(12 << 6 | 0x3f) + le32(std::uint32_t(named.size())));
    QTest::newRow("binary data naming a filter") << named << false;
    QTest::newRow("a sprite running over, then binary data naming a filter") << overrun + named << false;
    QTest::newRow("a sprite running over, then a filter") << overrun + placement(-1, 1) << true;
    QTest::newRow("a sprite of one byte, then a filter") << tag(39, QByteArray(1, '\x0b')) + placement(-1, 1) << true;
}

void TestMovieFeatures::sprites()
{
    QFETCH(QByteArray, tags);
    QFETCH(bool, needed);
    QCOMPARE(content::needsFullRenderer(movieOf(tags)), needed);
}

void TestMovieFeatures::scripts_data()
{
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<bool>("needed");
    for (const char *name : {"DropShadowFilter", "GlowFilter", "BlurFilter", "BevelFilter", "ColorMatrixFilter",
                             "ConvolutionFilter", "GradientGlowFilter", "GradientBevelFilter",
                             "DisplacementMapFilter", "ShaderFilter", "blendMode"})
        QTest::newRow(name) << tag(12, actionsNaming({"flash", "filters", name})) << true;
    QTest::newRow("filters alone") << tag(12, actionsNaming({"clip", "filters"})) << false;
    QTest::newRow("a script naming neither") << tag(12, actionsNaming({"_root", "gotoAndPlay", "Filter"})) << false;
    QTest::newRow("DoInitAction naming BlurFilter")
        << tag(59, le16(3) + actionsNaming({"flash", "filters", "BlurFilter"})) << true;
    // The sprite id of an init action is not part of its script.
    QTest::newRow("DoInitAction of a sprite id alone") << tag(59, le16(3)) << false;
    const QByteArray abc = QByteArray::fromHex("10002e00") + cString("flash.filters") + cString("GradientBevelFilter");
    QTest::newRow("DoABC naming GradientBevelFilter") << tag(82, le32(1) + cString("frame1") + abc) << true;
    QTest::newRow("DoABC of old naming GradientBevelFilter") << tag(72, abc) << true;
    QTest::newRow("DoABC naming neither")
        << tag(82, le32(1) + cString("frame1") + QByteArray::fromHex("10002e00") + cString("flash.display"))
        << false;
    // Text and data are not scripts.
    QTest::newRow("binary data naming blendMode") << binaryData("mc.blendMode = 'erase'") << false;
    QTest::newRow("a frame label naming GlowFilter") << tag(43, cString("GlowFilter")) << false;
}

void TestMovieFeatures::scripts()
{
    QFETCH(QByteArray, tags);
    QFETCH(bool, needed);
    QCOMPARE(content::needsFullRenderer(movieOf(tags)), needed);
}

void TestMovieFeatures::headersAndLengths_data()
{
    QTest::addColumn<QByteArray>("movie");
    QTest::addColumn<bool>("needed");
    const QByteArray filtered = movieOf(placement(-1, 1));
    const QByteArray plain = movieOf(placement(1));
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("FWS alone") << QByteArray("FWS") << false;
    QTest::newRow("a header alone") << filtered.left(8) << false;
    QTest::newRow("a header and the stage") << filtered.left(20) << false;
    QTest::newRow("not a movie") << QByteArray("GIF89a\x01\x00\x01\x00", 10) + filtered.mid(10) << false;
    QByteArray zeroVersion = filtered;
    zeroVersion[3] = '\0';
    QTest::newRow("version 0") << zeroVersion << false;
    QTest::newRow("garbage after a header") << filtered.left(8) + QByteArray(1000, '\x17') << false;
    QTest::newRow("garbage of ones after a header") << filtered.left(8) + QByteArray(1000, '\xff') << false;

    const QByteArray lzma = QByteArray("ZWS\x0d", 4) + le32(4000) + le32(100) + QByteArray(100, 'x');
    QTest::newRow("LZMA, not read") << lzma << true;
    QTest::newRow("LZMA declaring 65 MiB") << QByteArray("ZWS\x0d", 4) + le32(65 << 20) + QByteArray(100, 'x')
                                           << false;
    QTest::newRow("LZMA header alone") << lzma.left(8) << true;

    QTest::newRow("plain declaring 65 MiB") << movieOf(placement(-1, 1), 65 << 20) << false;
    QTest::newRow("plain declaring 7 bytes") << movieOf(placement(-1, 1), 7) << false;
    // The declared length ends the movie, whatever follows it in the file.
    const QByteArray before = movieOf(placement(1));
    const qsizetype endOfFirst = before.size() - 2;
    QTest::newRow("a filter past the declared length")
        << movieOf(placement(1) + placement(-1, 1), endOfFirst) << false;
    QTest::newRow("a filter just inside the declared length")
        << movieOf(placement(1) + placement(-1, 1), endOfFirst + placement(-1, 1).size()) << true;

    QTest::newRow("compressed, filters") << compressed(filtered) << true;
    QTest::newRow("compressed, normal") << compressed(plain) << false;
    QTest::newRow("compressed, missing its last bytes") << compressed(filtered).chopped(6) << true;
    QTest::newRow("compressed garbage") << filtered.left(8).replace(0, 1, "C") + QByteArray(300, '\x17') << false;
    // Inflates to megabytes of zeros past the kilobyte it declares; a
    // filter after them is never reached.
    QTest::newRow("compressed, larger than it says")
        << compressed(movieOf(binaryData(QByteArray(4 << 20, '\0')) + placement(-1, 1), 1024)) << false;
    QTest::newRow("compressed, the filter past the declared length")
        << compressed(movieOf(placement(1) + placement(-1, 1), endOfFirst)) << false;

    // Lengths that claim more than the file: the tag that claims it is not
    // read, as the engine would not read it.
    QByteArray overlong = movieOf(placement(-1, 1));
    const qsizetype tagStart = overlong.size() - 2 - placement(-1, 1).size();
    QByteArray claim = le32(1u << 30);
    overlong.replace(tagStart + 2, 4, claim);
    QTest::newRow("a filter's tag longer than the file") << overlong << false;
    QByteArray lastClaim = le32(0xffffffffu);
    QTest::newRow("a filter's tag of 4 GiB") << QByteArray(overlong).replace(tagStart + 2, 4, lastClaim) << false;
    QTest::newRow("a filter, then a tag longer than the file")
        << movieOf(placement(-1, 1) + le16(12 << 6 | 0x3f) + le32(1u << 30) + QByteArray(10, 'x')) << true;
}

void TestMovieFeatures::headersAndLengths()
{
    QFETCH(QByteArray, movie);
    QFETCH(bool, needed);
    QCOMPARE(content::needsFullRenderer(movie), needed);
}

// A movie cut anywhere (a copy that stopped half way, a download that
// broke): the filter counts once its whole tag is there, never before.
void TestMovieFeatures::everyPrefixOfAPlainMovie()
{
    const QByteArray first = placement(everyField(1));
    const QByteArray filtered = placement(-1, 3);
    const QByteArray movie = movieOf(first + filtered);
    const qsizetype complete = movie.size() - 2;
    for (qsizetype n = 0; n <= movie.size(); ++n) {
        if (content::needsFullRenderer(movie.left(n)) != (n >= complete))
            QFAIL(qPrintable(QStringLiteral("cut at %1 of %2 bytes").arg(n).arg(movie.size())));
    }
}

void TestMovieFeatures::everyPrefixOfACompressedMovie()
{
    const QByteArray movie = compressed(realistic("filters"));
    bool seen = false;
    for (qsizetype n = 0; n <= movie.size(); ++n) {
        const bool needed = content::needsFullRenderer(movie.left(n));
        if (seen && !needed)
            QFAIL(qPrintable(QStringLiteral("cut at %1 of %2 bytes, after a shorter cut found it")
                                 .arg(n)
                                 .arg(movie.size())));
        seen = seen || needed;
    }
    QVERIFY(seen);
}

// Every byte of a movie set to 0 and to 0xff in turn (run this one under
// the address sanitizer): bytes after the first filtered placement cannot
// take the answer back, whatever they become.
void TestMovieFeatures::damageAfterTheFilterChangesNothing()
{
    const QByteArray lead = placement(everyField(1)) + button({{true, 0, 3}}) + sprite(placement(4));
    const QByteArray movie = movieOf(lead + placement(-1, 1) + tag(12, actionsNaming({"x"})) + sprite(placement(3)));
    const QByteArray plain = movieOf(lead);
    const qsizetype found = plain.size() - 2 + placement(-1, 1).size();
    for (qsizetype i = 0; i < movie.size(); ++i) {
        for (char value : {'\0', '\xff'}) {
            QByteArray damaged = movie;
            damaged[i] = value;
            const bool needed = content::needsFullRenderer(damaged);
            const bool neededCompressed = content::needsFullRenderer(compressed(damaged));
            if (i >= found && !(needed && neededCompressed))
                QFAIL(qPrintable(QStringLiteral("byte %1 set to %2").arg(i).arg(int(uchar(value)))));
        }
    }
}

void TestMovieFeatures::files_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("needed");
    QTest::newRow("filters") << QStringLiteral("filters.swf") << true;
    QTest::newRow("tints") << QStringLiteral("tints.swf") << false;
    QTest::newRow("filters, compressed") << QStringLiteral("filters-zlib.swf") << true;
    QTest::newRow("LZMA") << QStringLiteral("lzma.swf") << true;
    QTest::newRow("a filter after a megabyte") << QStringLiteral("large.swf") << true;
    QTest::newRow("a link to filters") << QStringLiteral("link.swf") << true;
    QTest::newRow("empty") << QStringLiteral("empty.swf") << false;
    QTest::newRow("missing") << QStringLiteral("missing.swf") << false;
    QTest::newRow("a folder") << QStringLiteral("folder.swf") << false;
    QTest::newRow("a FIFO (must not block)") << QStringLiteral("fifo.swf") << false;
}

void TestMovieFeatures::files()
{
    QFETCH(QString, name);
    QFETCH(bool, needed);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto write = [&dir](const char *file, const QByteArray &bytes) {
        QFile out(dir.filePath(QString::fromLatin1(file)));
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
    };
    QVERIFY(write("filters.swf", realistic("filters")));
    QVERIFY(write("tints.swf", realistic("tints")));
    QVERIFY(write("filters-zlib.swf", compressed(realistic("filters"))));
    QVERIFY(write("lzma.swf", QByteArray("ZWS\x0d", 4) + le32(4000) + QByteArray(200, 'x')));
    QVERIFY(write("large.swf", movieOf(binaryData(QByteArray(1 << 20, 'x')) + placement(-1, 1))));
    QVERIFY(write("empty.swf", QByteArray()));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("filters.swf")), dir.filePath(QStringLiteral("link.swf"))));
    QVERIFY(::mkdir(QFile::encodeName(dir.filePath(QStringLiteral("folder.swf"))).constData(), 0755) == 0);
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.swf"))).constData(), 0644) == 0);
    QCOMPARE(content::needsFullRenderer(dir.filePath(name)), needed);
}

QTEST_GUILESS_MAIN(TestMovieFeatures)
#include "tst_moviefeatures.moc"
