#include "swfwriter.h"

#include "swfbits.h"
#include "swfcontent.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>

namespace swf {

namespace {

using namespace detail;

using Point = std::array<int, 2>; // twips
using Polygon = std::vector<Point>;

// DefineShape with one solid fill and no lines; every polygon is one closed
// outline.
std::vector<std::uint8_t> defineShape(std::uint16_t id, const std::vector<Polygon> &polygons,
                                      Colour colour)
{
    int xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool first = true;
    for (const Polygon &polygon : polygons) {
        for (const Point &p : polygon) {
            if (first) {
                xMin = xMax = p[0];
                yMin = yMax = p[1];
                first = false;
            }
            xMin = std::min(xMin, p[0]);
            xMax = std::max(xMax, p[0]);
            yMin = std::min(yMin, p[1]);
            yMax = std::max(yMax, p[1]);
        }
    }
    BitWriter w;
    w.u16(id);
    rect(w, xMin, xMax, yMin, yMax);
    w.u8(1);    // one fill style
    w.u8(0x00); // solid
    w.u8(colour.r);
    w.u8(colour.g);
    w.u8(colour.b);
    w.u8(0); // no line styles
    w.bits(1, 4); // fill bits
    w.bits(0, 4); // line bits
    Point pen{0, 0};
    bool fillSet = false;
    for (const Polygon &polygon : polygons) {
        if (polygon.size() < 3)
            continue;
        // Style change: move to the first point (and pick fill 1 once).
        w.bits(0, 1);
        w.bits(0, 1); // new styles
        w.bits(0, 1); // line style
        w.bits(fillSet ? 0 : 1, 1); // fill style 1
        w.bits(0, 1); // fill style 0
        w.bits(1, 1); // move to
        const Point &start = polygon.front();
        const int moveBits = signedBitsNeeded({start[0], start[1]});
        w.bits(static_cast<std::uint32_t>(moveBits), 5);
        w.signedBits(start[0], moveBits);
        w.signedBits(start[1], moveBits);
        if (!fillSet) {
            w.bits(1, 1);
            fillSet = true;
        }
        pen = start;
        for (std::size_t i = 1; i <= polygon.size(); ++i) {
            const Point &next = polygon[i % polygon.size()];
            const int dx = next[0] - pen[0];
            const int dy = next[1] - pen[1];
            if (dx == 0 && dy == 0)
                continue;
            const int n = std::max(2, signedBitsNeeded({dx, dy}));
            w.bits(1, 1); // edge
            w.bits(1, 1); // straight
            w.bits(static_cast<std::uint32_t>(n - 2), 4);
            w.bits(1, 1); // general line
            w.signedBits(dx, n);
            w.signedBits(dy, n);
            pen = next;
        }
    }
    w.bits(0, 6); // end of shape
    return w.take();
}

Polygon rectangle(int x, int y, int width, int height)
{
    return {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
}

Polygon circle(int cx, int cy, int radius)
{
    Polygon p;
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979 * 2 / 24;
        p.push_back({cx + static_cast<int>(std::lround(radius * std::cos(a))),
                     cy + static_cast<int>(std::lround(radius * std::sin(a)))});
    }
    return p;
}

// A 3 x 5 block font: each row is three bits, left to right.
const std::map<char, std::array<int, 5>> &glyphs()
{
    static const std::map<char, std::array<int, 5>> font = {
        {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}},
        {'3', {7, 1, 7, 1, 7}}, {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}},
        {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}}, {'8', {7, 5, 7, 5, 7}},
        {'9', {7, 5, 7, 1, 7}}, {'A', {7, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
        {'C', {7, 4, 4, 4, 7}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}},
        {'F', {7, 4, 6, 4, 4}}, {'G', {7, 4, 5, 5, 7}}, {'H', {5, 5, 7, 5, 5}},
        {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 7}}, {'K', {5, 5, 6, 5, 5}},
        {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
        {'O', {7, 5, 5, 5, 7}}, {'P', {7, 5, 7, 4, 4}}, {'Q', {7, 5, 5, 7, 1}},
        {'R', {6, 5, 6, 5, 5}}, {'S', {7, 4, 7, 1, 7}}, {'T', {7, 2, 2, 2, 2}},
        {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}}, {'W', {5, 5, 7, 7, 5}},
        {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
        {'-', {0, 0, 7, 0, 0}}, {'.', {0, 0, 0, 0, 2}}, {'!', {2, 2, 2, 0, 2}},
        {' ', {0, 0, 0, 0, 0}},
    };
    return font;
}

// The label's blocks, centred on the stage, as large as fits.
std::vector<Polygon> labelPolygons(const std::string &label, int width, int height)
{
    std::vector<Polygon> polygons;
    if (label.empty())
        return polygons;
    const int columns = static_cast<int>(label.size()) * 4 - 1;
    const int cell = std::max(1, std::min(width * 8 / 10 / columns, height * 6 / 10 / 5));
    const int left = (width - columns * cell) / 2;
    const int top = (height - 5 * cell) / 2;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(label[i])));
        const auto found = glyphs().find(c);
        if (found == glyphs().end())
            continue;
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if (found->second[static_cast<std::size_t>(row)] & (4 >> col)) {
                    const int x = left + (static_cast<int>(i) * 4 + col) * cell;
                    polygons.push_back(rectangle(x * kTwips, (top + row * cell) * kTwips,
                                                 cell * kTwips, cell * kTwips));
                }
            }
        }
    }
    return polygons;
}

std::vector<std::uint8_t> getUrlAction(const std::string &url, const std::string &target)
{
    BitWriter body;
    body.string(url);
    body.string(target);
    const std::vector<std::uint8_t> payload = body.take();
    BitWriter w;
    w.u8(0x83);
    w.u16(static_cast<std::uint16_t>(payload.size()));
    w.append(payload);
    return w.take();
}

std::vector<std::uint8_t> getUrlAction(const Command &command)
{
    return getUrlAction("FSCommand:" + command.command, command.args);
}

// flash.external.ExternalInterface.call(name, argument), its result dropped.
std::vector<std::uint8_t> externalCallAction(const std::string &name, const std::string &argument)
{
    BitWriter w;
    const auto push = [&w](const std::vector<std::string> &strings, int number = -1) {
        BitWriter items;
        for (const std::string &text : strings) {
            items.u8(0); // string
            items.string(text);
        }
        if (number >= 0) {
            items.u8(7); // integer
            items.u32(static_cast<std::uint32_t>(number));
        }
        const std::vector<std::uint8_t> payload = items.take();
        w.u8(0x96); // Push
        w.u16(static_cast<std::uint16_t>(payload.size()));
        w.append(payload);
    };
    push({argument, name}, 2); // arguments last to first, then their count
    push({"flash"});
    w.u8(0x1C); // GetVariable
    push({"external"});
    w.u8(0x4E); // GetMember
    push({"ExternalInterface"});
    w.u8(0x4E);
    push({"call"});
    w.u8(0x52); // CallMethod
    w.u8(0x17); // Pop
    return w.take();
}

std::vector<std::uint8_t> placeObject(std::uint16_t depth, std::uint16_t character, int x, int y,
                                      bool move)
{
    BitWriter w;
    const bool hasCharacter = character != 0;
    w.u8(static_cast<std::uint8_t>(0x04 | (hasCharacter ? 0x02 : 0) | (move ? 0x01 : 0)));
    w.u16(depth);
    if (hasCharacter)
        w.u16(character);
    translateMatrix(w, x, y);
    return w.take();
}

} // namespace

std::vector<std::uint8_t> writeMovie(const MovieSpec &spec)
{
    const int w = spec.width * kTwips;
    const int h = spec.height * kTwips;
    BitWriter tags;
    const bool rich = hasRichContent(spec);
    if (rich)
        tag(tags, 69, fileAttributes()); // must come first

    {
        BitWriter body;
        body.u8(spec.background.r);
        body.u8(spec.background.g);
        body.u8(spec.background.b);
        tag(tags, 9, body.take()); // SetBackgroundColor
    }

    // 1: a frame of the accent colour round the stage, 2: the label, 3: the dot.
    const int border = std::max(1, std::min(spec.width, spec.height) / 16) * kTwips;
    if (spec.border)
        tag(tags, 2,
            defineShape(1,
                        {rectangle(0, 0, w, border), rectangle(0, h - border, w, border),
                         rectangle(0, 0, border, h), rectangle(w - border, 0, border, h)},
                        spec.accent));
    const std::vector<Polygon> label = labelPolygons(spec.label, spec.width, spec.height);
    if (!label.empty())
        tag(tags, 2, defineShape(2, label, spec.foreground));
    const int radius = std::max(2, std::min(spec.width, spec.height) / 10) * kTwips;
    tag(tags, 2, defineShape(3, {circle(0, 0, radius)}, spec.accent));

    if (spec.buttonSendsCommand) {
        // The button's face is the whole stage, transparent to the eye: its
        // shape is drawn only in the hit-test state.
        tag(tags, 2, defineShape(4, {rectangle(0, 0, w, h)}, spec.background));
        BitWriter body;
        body.u16(5);
        body.u8(0); // not a menu button
        BitWriter records;
        records.bits(0, 2);
        records.bits(0, 1); // blend mode
        records.bits(0, 1); // filters
        records.bits(1, 1); // hit test
        records.bits(0, 1); // down
        records.bits(0, 1); // over
        records.bits(0, 1); // up
        records.u16(4);
        records.u16(1);
        translateMatrix(records, 0, 0);
        records.bits(0, 1); // colour transform: no add terms
        records.bits(0, 1); // no mult terms
        records.bits(0, 4);
        records.align();
        records.u8(0); // end of characters
        const std::vector<std::uint8_t> characters = records.take();
        body.u16(static_cast<std::uint16_t>(2 + characters.size())); // action offset
        body.append(characters);
        body.u16(0);    // last condition
        body.u8(0x08);  // OverDownToOverUp: released over the button
        body.u8(0x00);
        if (spec.buttonCommandFrame > 0)
            body.u8(0x06); // Play
        else
            body.append(getUrlAction(spec.buttonCommand));
        body.u8(0); // end of actions
        tag(tags, 34, body.take()); // DefineButton2
    }

    const ContentIds content = rich ? defineContent(tags, spec) : ContentIds{};

    const int frames = std::max(1, spec.frameCount);
    for (int frame = 0; frame < frames; ++frame) {
        if (frame == 0) {
            if (spec.border)
                tag(tags, 26, placeObject(1, 1, 0, 0, false));
            if (!label.empty())
                tag(tags, 26, placeObject(2, 2, 0, 0, false));
            if (spec.buttonSendsCommand)
                tag(tags, 26, placeObject(4, 5, 0, 0, false));
            if (spec.loadSendsCommand || !spec.loadUrl.empty() || !spec.externalCall.empty() || spec.loadSpins) {
                BitWriter actions;
                if (!spec.externalCall.empty())
                    actions.append(externalCallAction(spec.externalCall, spec.externalArgument));
                if (!spec.loadUrl.empty())
                    actions.append(getUrlAction(spec.loadUrl, spec.loadUrlTarget));
                if (spec.loadSendsCommand)
                    actions.append(getUrlAction(spec.loadCommand));
                if (spec.loadSpins) {
                    actions.u8(0x99); // Jump back onto itself
                    actions.u16(2);
                    actions.u16(static_cast<std::uint16_t>(-5));
                }
                if (!spec.loadRepeats)
                    actions.u8(0x07); // stop: the command is sent once
                actions.u8(0);
                tag(tags, 12, actions.take()); // DoAction
            }
        }
        const bool delayed = spec.buttonSendsCommand && spec.buttonCommandFrame > 0;
        if (delayed && frame == 0 && !(spec.loadSendsCommand || !spec.loadUrl.empty() || !spec.externalCall.empty()
                                       || spec.loadSpins)) {
            BitWriter actions;
            actions.u8(0x07); // stop until the button is released
            actions.u8(0);
            tag(tags, 12, actions.take());
        }
        if (delayed && frame + 1 == spec.buttonCommandFrame) {
            BitWriter actions;
            actions.append(getUrlAction(spec.buttonCommand));
            actions.u8(0x81); // GotoFrame 1, stopped there again
            actions.u16(2);
            actions.u16(0);
            actions.u8(0x07);
            actions.u8(0);
            tag(tags, 12, actions.take());
        }
        if (spec.moving) {
            // Back and forth along the bottom of the stage.
            const int span = std::max(1, w - 4 * radius);
            const int half = std::max(1, frames / 2);
            const int step = frame <= half ? frame : frames - frame;
            const int x = 2 * radius + span * step / half;
            tag(tags, 26, placeObject(3, frame == 0 ? 3 : 0, x, h - 2 * radius, frame != 0));
        }
        if (rich)
            writeFrameContent(tags, spec, content, frame + 1);
        tag(tags, 1, {}); // ShowFrame
    }
    tag(tags, 0, {}); // End

    BitWriter header;
    rect(header, 0, w, 0, h);
    header.u16(static_cast<std::uint16_t>(std::clamp(spec.frameRate, 1, 120) << 8));
    header.u16(static_cast<std::uint16_t>(frames));
    const std::vector<std::uint8_t> headerBody = header.take();
    const std::vector<std::uint8_t> tagBytes = tags.take();

    BitWriter file;
    file.u8('F');
    file.u8('W');
    file.u8('S');
    file.u8(static_cast<std::uint8_t>(std::clamp(spec.version, 1, 255)));
    file.u32(static_cast<std::uint32_t>(8 + headerBody.size() + tagBytes.size()));
    file.append(headerBody);
    file.append(tagBytes);
    return file.take();
}

bool writeMovieFile(const MovieSpec &spec, const std::string &path)
{
    const std::vector<std::uint8_t> bytes = writeMovie(spec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

} // namespace swf
