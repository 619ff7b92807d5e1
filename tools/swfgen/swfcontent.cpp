#include "swfcontent.h"

#include "swffont.h"

#include <cmath>

namespace swf {

ColourTransform tint(Colour colour, double amount)
{
    amount = std::clamp(amount, 0.0, 1.0);
    ColourTransform t;
    const int keep = static_cast<int>(std::lround((1 - amount) * 256));
    t.redMult = t.greenMult = t.blueMult = keep;
    t.redAdd = static_cast<int>(std::lround(colour.r * amount));
    t.greenAdd = static_cast<int>(std::lround(colour.g * amount));
    t.blueAdd = static_cast<int>(std::lround(colour.b * amount));
    return t;
}

ColourTransform brightness(double amount)
{
    amount = std::clamp(amount, -1.0, 1.0);
    ColourTransform t;
    const int keep = static_cast<int>(std::lround((1 - std::abs(amount)) * 256));
    t.redMult = t.greenMult = t.blueMult = keep;
    if (amount > 0)
        t.redAdd = t.greenAdd = t.blueAdd = static_cast<int>(std::lround(amount * 255));
    return t;
}

std::string fontCharacters()
{
    std::u32string codes;
    for (const detail::PixelGlyph &glyph : detail::pixelFont())
        codes.push_back(glyph.code);
    return detail::encodeUtf8(codes);
}

double letterWidth(int size)
{
    return double(detail::kFontAdvanceColumns * detail::kFontUnit) * size / 1024;
}

namespace detail {

namespace {

using Pt = std::array<int, 2>; // twips

int twips(double pixels)
{
    return static_cast<int>(std::lround(pixels * kTwips));
}

int fixed16(double v)
{
    return static_cast<int>(std::lround(v * 65536));
}

struct Affine
{
    double a = 1, b = 0, c = 0, d = 1; // x' = a x + c y + tx, y' = b x + d y + ty
    int tx = 0, ty = 0;                // twips
};

bool operator==(const Affine &l, const Affine &r)
{
    return fixed16(l.a) == fixed16(r.a) && fixed16(l.b) == fixed16(r.b) && fixed16(l.c) == fixed16(r.c)
        && fixed16(l.d) == fixed16(r.d) && l.tx == r.tx && l.ty == r.ty;
}

void matrix(BitWriter &w, const Affine &m)
{
    const int a = fixed16(m.a), b = fixed16(m.b), c = fixed16(m.c), d = fixed16(m.d);
    const bool scale = a != 65536 || d != 65536;
    w.bits(scale ? 1 : 0, 1);
    if (scale) {
        const int n = signedBitsNeeded({a, d});
        w.bits(static_cast<std::uint32_t>(n), 5);
        w.signedBits(a, n);
        w.signedBits(d, n);
    }
    const bool rotate = b != 0 || c != 0;
    w.bits(rotate ? 1 : 0, 1);
    if (rotate) {
        const int n = signedBitsNeeded({b, c});
        w.bits(static_cast<std::uint32_t>(n), 5);
        w.signedBits(b, n);
        w.signedBits(c, n);
    }
    const int n = m.tx == 0 && m.ty == 0 ? 0 : signedBitsNeeded({m.tx, m.ty});
    w.bits(static_cast<std::uint32_t>(n), 5);
    if (n > 0) {
        w.signedBits(m.tx, n);
        w.signedBits(m.ty, n);
    }
    w.align();
}

bool operator==(const ColourTransform &l, const ColourTransform &r)
{
    return l.redMult == r.redMult && l.greenMult == r.greenMult && l.blueMult == r.blueMult
        && l.alphaMult == r.alphaMult && l.redAdd == r.redAdd && l.greenAdd == r.greenAdd
        && l.blueAdd == r.blueAdd && l.alphaAdd == r.alphaAdd;
}

// CXFORMWITHALPHA; the terms fit the 15 bits its 4-bit size allows.
void colourTransform(BitWriter &w, const ColourTransform &t)
{
    const auto clip = [](int v) { return std::clamp(v, -16384, 16383); };
    const std::array<int, 4> mult{clip(t.redMult), clip(t.greenMult), clip(t.blueMult), clip(t.alphaMult)};
    const std::array<int, 4> add{clip(t.redAdd), clip(t.greenAdd), clip(t.blueAdd), clip(t.alphaAdd)};
    const bool hasMult = mult != std::array<int, 4>{256, 256, 256, 256};
    const bool hasAdd = add != std::array<int, 4>{0, 0, 0, 0};
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (hasMult)
            n = std::max(n, signedBitsNeeded(mult[static_cast<std::size_t>(i)]));
        if (hasAdd)
            n = std::max(n, signedBitsNeeded(add[static_cast<std::size_t>(i)]));
    }
    w.bits(hasAdd ? 1 : 0, 1);
    w.bits(hasMult ? 1 : 0, 1);
    w.bits(static_cast<std::uint32_t>(n), 4);
    if (hasMult)
        for (int v : mult)
            w.signedBits(v, n);
    if (hasAdd)
        for (int v : add)
            w.signedBits(v, n);
    w.align();
}

void rgba(BitWriter &w, const Rgba &c)
{
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
    w.u8(c.a);
}

// ---- Outlines -------------------------------------------------------------

struct Segment
{
    bool curve = false;
    Pt control{};
    Pt anchor{};
};

struct Path
{
    Pt start{};
    std::vector<Segment> segments;
};

Path outlinePath(const Figure &figure)
{
    Path path;
    const int x = twips(figure.x), y = twips(figure.y);
    const int w = twips(figure.width), h = twips(figure.height);
    const auto line = [&path](int px, int py) { path.segments.push_back({false, {}, {px, py}}); };
    const auto curve = [&path](int cx, int cy, int ax, int ay) {
        path.segments.push_back({true, {cx, cy}, {ax, ay}});
    };
    switch (figure.outline) {
    case Outline::Rectangle:
        path.start = {x, y};
        line(x + w, y);
        line(x + w, y + h);
        line(x, y + h);
        line(x, y);
        break;
    case Outline::RoundedRectangle: {
        const int r = std::clamp(twips(figure.cornerRadius), 0, std::min(w, h) / 2);
        path.start = {x + r, y};
        line(x + w - r, y);
        curve(x + w, y, x + w, y + r);
        line(x + w, y + h - r);
        curve(x + w, y + h, x + w - r, y + h);
        line(x + r, y + h);
        curve(x, y + h, x, y + h - r);
        line(x, y + r);
        curve(x, y, x + r, y);
        break;
    }
    case Outline::Ellipse: {
        // Eight quadratic arcs; each control point lies where the tangents
        // at its two ends meet.
        const double cx = x + w / 2.0, cy = y + h / 2.0, rx = w / 2.0, ry = h / 2.0;
        const double pi = 3.14159265358979323846;
        const double reach = 1 / std::cos(pi / 8);
        const auto at = [&](double angle, double scale) {
            return Pt{static_cast<int>(std::lround(cx + rx * scale * std::cos(angle))),
                      static_cast<int>(std::lround(cy + ry * scale * std::sin(angle)))};
        };
        path.start = at(0, 1);
        for (int i = 0; i < 8; ++i) {
            const Pt control = at((i + 0.5) * pi / 4, reach);
            const Pt anchor = i == 7 ? path.start : at((i + 1) * pi / 4, 1);
            curve(control[0], control[1], anchor[0], anchor[1]);
        }
        break;
    }
    case Outline::Polygon:
        if (figure.points.empty())
            break;
        path.start = {twips(figure.points.front()[0]), twips(figure.points.front()[1])};
        for (std::size_t i = 1; i < figure.points.size(); ++i)
            line(twips(figure.points[i][0]), twips(figure.points[i][1]));
        if (!figure.open)
            line(path.start[0], path.start[1]);
        break;
    }
    return path;
}

struct Box
{
    int xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool empty = true;
    void add(const Pt &p, int margin = 0)
    {
        if (empty) {
            xMin = p[0] - margin;
            xMax = p[0] + margin;
            yMin = p[1] - margin;
            yMax = p[1] + margin;
            empty = false;
            return;
        }
        xMin = std::min(xMin, p[0] - margin);
        xMax = std::max(xMax, p[0] + margin);
        yMin = std::min(yMin, p[1] - margin);
        yMax = std::max(yMax, p[1] + margin);
    }
    void write(BitWriter &w) const { rect(w, xMin, xMax, yMin, yMax); }
};

// Edge records. A shape's edges are deltas from the pen, so the outline's
// points are rounded once and the pen never drifts.
class ShapeRecords
{
public:
    ShapeRecords(BitWriter &w, int fillBits, int lineBits) : m_w(w), m_fillBits(fillBits), m_lineBits(lineBits) {}

    void newStyles(const std::vector<std::uint8_t> &styles, int fillBits, int lineBits)
    {
        m_w.bits(0, 1);
        m_w.bits(1, 1); // new styles
        m_w.bits(0, 4);
        m_w.append(styles); // byte aligned, and ends with the new bit counts
        m_fillBits = fillBits;
        m_lineBits = lineBits;
    }

    void moveTo(const Pt &p, int fill1, int line)
    {
        m_w.bits(0, 1);
        m_w.bits(0, 1);                  // no new styles
        m_w.bits(line >= 0 ? 1 : 0, 1);  // line style
        m_w.bits(fill1 >= 0 ? 1 : 0, 1); // fill style 1
        m_w.bits(0, 1);                  // fill style 0
        m_w.bits(1, 1);                  // move to
        const int n = signedBitsNeeded({p[0], p[1]});
        m_w.bits(static_cast<std::uint32_t>(n), 5);
        m_w.signedBits(p[0], n);
        m_w.signedBits(p[1], n);
        if (fill1 >= 0)
            m_w.bits(static_cast<std::uint32_t>(fill1), m_fillBits);
        if (line >= 0)
            m_w.bits(static_cast<std::uint32_t>(line), m_lineBits);
        m_pen = p;
    }

    void lineTo(const Pt &p)
    {
        const int dx = p[0] - m_pen[0], dy = p[1] - m_pen[1];
        if (dx == 0 && dy == 0)
            return;
        const int n = std::max(2, signedBitsNeeded({dx, dy}));
        if (n > 17) { // the edge's size field holds 17 bits at most
            lineTo({m_pen[0] + dx / 2, m_pen[1] + dy / 2});
            lineTo(p);
            return;
        }
        m_w.bits(1, 1); // edge
        m_w.bits(1, 1); // straight
        m_w.bits(static_cast<std::uint32_t>(n - 2), 4);
        m_w.bits(1, 1); // general line
        m_w.signedBits(dx, n);
        m_w.signedBits(dy, n);
        m_pen = p;
    }

    void curveTo(const Pt &control, const Pt &anchor)
    {
        const int cdx = control[0] - m_pen[0], cdy = control[1] - m_pen[1];
        const int adx = anchor[0] - control[0], ady = anchor[1] - control[1];
        const int n = std::max(2, signedBitsNeeded({cdx, cdy, adx, ady}));
        if (n > 17) { // halved where it bends, as many times as it takes
            const Pt from = m_pen;
            const Pt c1{(from[0] + control[0]) / 2, (from[1] + control[1]) / 2};
            const Pt c2{(control[0] + anchor[0]) / 2, (control[1] + anchor[1]) / 2};
            curveTo(c1, {(c1[0] + c2[0]) / 2, (c1[1] + c2[1]) / 2});
            curveTo(c2, anchor);
            return;
        }
        m_w.bits(1, 1); // edge
        m_w.bits(0, 1); // curved
        m_w.bits(static_cast<std::uint32_t>(n - 2), 4);
        m_w.signedBits(cdx, n);
        m_w.signedBits(cdy, n);
        m_w.signedBits(adx, n);
        m_w.signedBits(ady, n);
        m_pen = anchor;
    }

    void path(const Path &p, int fill1, int line)
    {
        moveTo(p.start, fill1, line);
        for (const Segment &s : p.segments) {
            if (s.curve)
                curveTo(s.control, s.anchor);
            else
                lineTo(s.anchor);
        }
    }

    void end()
    {
        m_w.bits(0, 6);
        m_w.align();
    }

private:
    BitWriter &m_w;
    int m_fillBits;
    int m_lineBits;
    Pt m_pen{0, 0};
};

struct DefineContext
{
    const MovieSpec &spec;
    const ContentIds &ids;
};

bool hasFill(const Figure &figure)
{
    return figure.fill.type != FillType::None && !(figure.outline == Outline::Polygon && figure.open);
}

bool hasStroke(const Figure &figure)
{
    return figure.stroke.width > 0;
}

void gradient(BitWriter &w, const std::vector<GradientStop> &stops)
{
    std::vector<GradientStop> used(stops.begin(), stops.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(stops.size(), 15)));
    if (used.empty())
        used = {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}};
    w.bits(0, 2); // pad
    w.bits(0, 2); // RGB interpolation
    w.bits(static_cast<std::uint32_t>(used.size()), 4);
    for (const GradientStop &stop : used) {
        w.u8(stop.ratio);
        rgba(w, stop.colour);
    }
}

void fillStyle(BitWriter &w, const Figure &figure, const DefineContext &context)
{
    const Fill &fill = figure.fill;
    const double x = twips(figure.x), y = twips(figure.y), width = twips(figure.width), height = twips(figure.height);
    const double pi = 3.14159265358979323846;
    switch (fill.type) {
    case FillType::None:
    case FillType::Solid:
        w.u8(0x00);
        rgba(w, fill.colour);
        break;
    case FillType::LinearGradient: {
        // The gradient square is 32768 twips wide; stretched so that its two
        // ends touch the box's farthest corners along the angle.
        const double a = fill.angle * pi / 180;
        const double length = std::abs(width * std::cos(a)) + std::abs(height * std::sin(a));
        const double s = std::max(1.0, length) / 32768;
        w.u8(0x10);
        Affine m{s * std::cos(a), s * std::sin(a), -s * std::sin(a), s * std::cos(a),
                 static_cast<int>(std::lround(x + width / 2)), static_cast<int>(std::lround(y + height / 2))};
        matrix(w, m);
        gradient(w, fill.stops);
        break;
    }
    case FillType::RadialGradient: {
        w.u8(0x12);
        Affine m{std::max(1.0, width) / 32768, 0, 0, std::max(1.0, height) / 32768,
                 static_cast<int>(std::lround(x + width / 2)), static_cast<int>(std::lround(y + height / 2))};
        matrix(w, m);
        gradient(w, fill.stops);
        break;
    }
    case FillType::Bitmap: {
        const bool known = fill.bitmap >= 0 && static_cast<std::size_t>(fill.bitmap) < context.ids.bitmaps.size();
        if (!known) {
            w.u8(0x00);
            rgba(w, fill.colour);
            break;
        }
        const Bitmap &bitmap = context.spec.bitmaps[static_cast<std::size_t>(fill.bitmap)];
        // Bitmap fills count one bitmap pixel as one twip.
        w.u8(fill.smooth ? 0x41 : 0x43);
        w.u16(context.ids.bitmaps[static_cast<std::size_t>(fill.bitmap)]);
        Affine m{width / std::max(1, bitmap.width), 0, 0, height / std::max(1, bitmap.height),
                 static_cast<int>(x), static_cast<int>(y)};
        matrix(w, m);
        break;
    }
    }
}

void lineStyle2(BitWriter &w, const Stroke &stroke)
{
    w.u16(static_cast<std::uint16_t>(std::clamp(twips(stroke.width), 1, 65535)));
    const int join = stroke.join == Join::Round ? 0 : stroke.join == Join::Bevel ? 1 : 2;
    const int cap = stroke.cap == Cap::Round ? 0 : stroke.cap == Cap::None ? 1 : 2;
    w.bits(static_cast<std::uint32_t>(cap), 2);  // start cap
    w.bits(static_cast<std::uint32_t>(join), 2);
    w.bits(0, 1);                                // no fill: a colour
    w.bits(0, 1);                                // scales horizontally
    w.bits(0, 1);                                // and vertically
    w.bits(0, 1);                                // no pixel hinting
    w.bits(0, 5);
    w.bits(0, 1);                                // closed paths are closed
    w.bits(static_cast<std::uint32_t>(cap), 2);  // end cap
    if (join == 2)
        w.u16(3 << 8); // miter limit 3
    rgba(w, stroke.colour);
}

// One figure's styles as a FILLSTYLEARRAY, a LINESTYLEARRAY and their bit
// counts.
std::vector<std::uint8_t> figureStyles(const Figure &figure, int version, const DefineContext &context,
                                     int *fillBits, int *lineBits)
{
    BitWriter w;
    const bool fill = hasFill(figure), line = hasStroke(figure);
    w.u8(fill ? 1 : 0);
    if (fill)
        fillStyle(w, figure, context);
    w.u8(line ? 1 : 0);
    if (line) {
        if (version >= 4) {
            lineStyle2(w, figure.stroke);
        } else {
            w.u16(static_cast<std::uint16_t>(std::clamp(twips(figure.stroke.width), 1, 65535)));
            rgba(w, figure.stroke.colour);
        }
    }
    *fillBits = fill ? 1 : 0;
    *lineBits = line ? 1 : 0;
    w.bits(static_cast<std::uint32_t>(*fillBits), 4);
    w.bits(static_cast<std::uint32_t>(*lineBits), 4);
    return w.take();
}

// DefineShape3, or DefineShape4 once there are strokes, so that they have
// joins and caps; returns the tag code.
int defineShape(BitWriter &body, std::uint16_t id, const Shape &shape, const DefineContext &context)
{
    bool strokes = false;
    for (const Figure &figure : shape.figures)
        strokes = strokes || hasStroke(figure);
    const int version = strokes ? 4 : 3;

    std::vector<Path> paths;
    Box edges, bounds;
    for (const Figure &figure : shape.figures) {
        paths.push_back(outlinePath(figure));
        const int margin = hasStroke(figure) ? twips(figure.stroke.width / 2) : 0;
        const Path &p = paths.back();
        const bool box = figure.outline != Outline::Polygon;
        const auto add = [&](const Pt &pt) {
            edges.add(pt);
            bounds.add(pt, margin);
        };
        if (box) {
            add({twips(figure.x), twips(figure.y)});
            add({twips(figure.x + figure.width), twips(figure.y + figure.height)});
        } else if (!figure.points.empty()) {
            add(p.start);
            for (const Segment &s : p.segments)
                add(s.anchor);
        }
    }

    body.u16(id);
    bounds.write(body);
    if (version == 4) {
        edges.write(body);
        body.bits(0, 5);
        body.bits(0, 1); // even-odd fills
        body.bits(0, 1); // no non-scaling strokes
        body.bits(1, 1); // scaling strokes
        body.align();
    }
    int fillBits = 0, lineBits = 0;
    if (shape.figures.empty()) {
        body.u8(0);
        body.u8(0);
        body.u8(0);
        ShapeRecords(body, 0, 0).end();
        return version == 4 ? 83 : 32;
    }
    body.append(figureStyles(shape.figures.front(), version, context, &fillBits, &lineBits));
    ShapeRecords records(body, fillBits, lineBits);
    for (std::size_t i = 0; i < shape.figures.size(); ++i) {
        const Figure &figure = shape.figures[i];
        if (i > 0) {
            // A new style list for every figure also starts a new layer, so
            // that a later figure covers an earlier one.
            const std::vector<std::uint8_t> styles = figureStyles(figure, version, context, &fillBits, &lineBits);
            records.newStyles(styles, fillBits, lineBits);
        }
        if (figure.outline == Outline::Polygon && figure.points.size() < 2)
            continue;
        records.path(paths[i], hasFill(figure) ? 1 : 0, hasStroke(figure) ? 1 : 0);
    }
    records.end();
    return version == 4 ? 83 : 32;
}

// ---- Text -------------------------------------------------------------------

int glyphIndex(char32_t code)
{
    const std::vector<PixelGlyph> &font = pixelFont();
    const auto found = std::lower_bound(font.begin(), font.end(), code,
                                        [](const PixelGlyph &g, char32_t c) { return g.code < c; });
    return found != font.end() && found->code == code ? static_cast<int>(found - font.begin()) : -1;
}

std::vector<std::uint8_t> defineFont(std::uint16_t id)
{
    const std::vector<PixelGlyph> &font = pixelFont();
    std::vector<std::vector<std::uint8_t>> shapes;
    for (const PixelGlyph &glyph : font) {
        BitWriter w;
        w.bits(1, 4); // fill bits
        w.bits(0, 4); // line bits
        ShapeRecords records(w, 1, 0);
        bool first = true;
        for (const auto &b : glyph.blocks) {
            const int x0 = b[0] * kFontUnit, x1 = (b[0] + b[2]) * kFontUnit;
            const int y0 = (b[1] - kFontAscentRows) * kFontUnit, y1 = (b[1] + b[3] - kFontAscentRows) * kFontUnit;
            records.moveTo({x0, y0}, first ? 1 : -1, -1);
            first = false;
            records.lineTo({x1, y0});
            records.lineTo({x1, y1});
            records.lineTo({x0, y1});
            records.lineTo({x0, y0});
        }
        records.end();
        shapes.push_back(w.take());
    }

    std::size_t total = 0;
    for (const auto &s : shapes)
        total += s.size();
    const bool wide = (font.size() + 1) * 2 + total > 0xffff;
    const std::size_t offsetSize = wide ? 4 : 2;

    BitWriter w;
    w.u16(id);
    w.u8(static_cast<std::uint8_t>(0x80 | (wide ? 0x08 : 0) | 0x04)); // layout, wide codes
    w.u8(1);                                                          // Latin
    const std::string name = "Quadrinho";
    w.u8(static_cast<std::uint8_t>(name.size()));
    for (char c : name)
        w.u8(static_cast<std::uint8_t>(c));
    w.u16(static_cast<std::uint16_t>(font.size()));
    std::size_t offset = (font.size() + 1) * offsetSize;
    const auto putOffset = [&](std::size_t value) {
        if (wide)
            w.u32(static_cast<std::uint32_t>(value));
        else
            w.u16(static_cast<std::uint16_t>(value));
    };
    for (const auto &s : shapes) {
        putOffset(offset);
        offset += s.size();
    }
    putOffset(offset); // the code table
    for (const auto &s : shapes)
        w.append(s);
    for (const PixelGlyph &glyph : font)
        w.u16(static_cast<std::uint16_t>(glyph.code));
    w.u16(static_cast<std::uint16_t>(kFontAscentRows * kFontUnit));
    w.u16(static_cast<std::uint16_t>(kFontDescentRows * kFontUnit));
    w.u16(0); // leading
    for (std::size_t i = 0; i < font.size(); ++i)
        w.u16(static_cast<std::uint16_t>(kFontAdvanceColumns * kFontUnit));
    for (const PixelGlyph &glyph : font) {
        Box box;
        for (const auto &b : glyph.blocks) {
            box.add({b[0] * kFontUnit, (b[1] - kFontAscentRows) * kFontUnit});
            box.add({(b[0] + b[2]) * kFontUnit, (b[1] + b[3] - kFontAscentRows) * kFontUnit});
        }
        box.write(w);
    }
    w.u16(0); // no kerning
    return w.take();
}

int textAdvance(int size)
{
    return static_cast<int>(std::lround(double(kFontAdvanceColumns * kFontUnit) * size * kTwips / 1024));
}

int textLineHeight(int size)
{
    return static_cast<int>(std::lround(double((kFontAscentRows + kFontDescentRows) * kFontUnit) * size * kTwips / 1024));
}

std::vector<int> glyphsOf(const std::string &text)
{
    std::vector<int> glyphs;
    for (char32_t c : decodeUtf8(text)) {
        const int index = glyphIndex(c);
        if (index >= 0)
            glyphs.push_back(index);
    }
    return glyphs;
}

std::vector<std::uint8_t> defineText(std::uint16_t id, std::uint16_t fontId, const Text &text)
{
    const std::vector<int> glyphs = glyphsOf(text.text);
    const int advance = textAdvance(text.size);
    const int baseline = static_cast<int>(std::lround(double(kFontAscentRows * kFontUnit) * text.size * kTwips / 1024));
    BitWriter w;
    w.u16(id);
    rect(w, 0, std::max(1, advance * static_cast<int>(glyphs.size())), 0, textLineHeight(text.size));
    translateMatrix(w, 0, 0);
    int maxIndex = 1;
    for (int g : glyphs)
        maxIndex = std::max(maxIndex, g);
    const int glyphBits = unsignedBitsNeeded(static_cast<std::uint32_t>(maxIndex));
    const int advanceBits = signedBitsNeeded(advance);
    w.u8(static_cast<std::uint8_t>(glyphBits));
    w.u8(static_cast<std::uint8_t>(advanceBits));
    for (std::size_t start = 0; start < glyphs.size(); start += 255) {
        const std::size_t count = std::min<std::size_t>(255, glyphs.size() - start);
        w.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01); // font, colour, y and x
        w.u16(fontId);
        rgba(w, text.colour);
        w.u16(static_cast<std::uint16_t>(advance * static_cast<int>(start)));
        w.u16(static_cast<std::uint16_t>(baseline));
        w.u16(static_cast<std::uint16_t>(text.size * kTwips));
        w.u8(static_cast<std::uint8_t>(count));
        for (std::size_t i = start; i < start + count; ++i) {
            w.bits(static_cast<std::uint32_t>(glyphs[i]), glyphBits);
            w.signedBits(advance, advanceBits);
        }
        w.align();
    }
    w.u8(0);
    return w.take();
}

// Flash keeps a 2 pixel gutter inside an edit field's box.
constexpr int kGutter = 2 * kTwips;

std::vector<std::uint8_t> defineEditText(std::uint16_t id, std::uint16_t fontId, const Text &text)
{
    const int glyphs = static_cast<int>(glyphsOf(text.text).size());
    const int width = text.width > 0 ? text.width * kTwips : std::max(1, glyphs) * textAdvance(text.size);
    BitWriter w;
    w.u16(id);
    rect(w, -kGutter, width + kGutter, -kGutter, textLineHeight(text.size) + kGutter);
    w.bits(1, 1); // has text
    w.bits(0, 1); // no word wrap
    w.bits(0, 1); // one line
    w.bits(0, 1); // not a password
    w.bits(1, 1); // read only
    w.bits(1, 1); // has a colour
    w.bits(0, 1); // no maximum length
    w.bits(1, 1); // has a font
    w.bits(0, 1); // no font class
    w.bits(0, 1); // no auto size
    w.bits(1, 1); // has layout
    w.bits(1, 1); // not selectable
    w.bits(0, 1); // no border
    w.bits(0, 1); // not static
    w.bits(0, 1); // not HTML
    w.bits(1, 1); // drawn with the embedded font's outlines
    w.u16(fontId);
    w.u16(static_cast<std::uint16_t>(text.size * kTwips));
    rgba(w, text.colour);
    w.u8(0);  // left aligned
    w.u16(0); // margins and indent
    w.u16(0);
    w.u16(0);
    w.u16(0); // leading
    w.string(text.variable);
    w.string(text.text);
    return w.take();
}

// ---- Bitmaps ----------------------------------------------------------------

// A zlib stream of stored blocks: no compressor is needed for images this
// small.
std::vector<std::uint8_t> zlibStored(const std::vector<std::uint8_t> &data)
{
    BitWriter w;
    w.u8(0x78);
    w.u8(0x01);
    std::size_t at = 0;
    do {
        const std::size_t count = std::min<std::size_t>(0xffff, data.size() - at);
        const bool last = at + count == data.size();
        w.u8(last ? 1 : 0);
        w.u16(static_cast<std::uint16_t>(count));
        w.u16(static_cast<std::uint16_t>(~count));
        for (std::size_t i = 0; i < count; ++i)
            w.u8(data[at + i]);
        at += count;
    } while (at < data.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    const std::uint32_t adler = (b << 16) | a;
    w.u8(static_cast<std::uint8_t>(adler >> 24));
    w.u8(static_cast<std::uint8_t>(adler >> 16));
    w.u8(static_cast<std::uint8_t>(adler >> 8));
    w.u8(static_cast<std::uint8_t>(adler));
    return w.take();
}

std::vector<std::uint8_t> defineBitsLossless2(std::uint16_t id, const Bitmap &bitmap)
{
    const int width = std::max(1, bitmap.width), height = std::max(1, bitmap.height);
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width * height * 4));
    for (int i = 0; i < width * height; ++i) {
        const std::uint32_t argb = static_cast<std::size_t>(i) < bitmap.pixels.size() ? bitmap.pixels[static_cast<std::size_t>(i)] : 0;
        const std::uint32_t a = argb >> 24;
        const auto premultiply = [a](std::uint32_t c) { return static_cast<std::uint8_t>((c * a + 127) / 255); };
        pixels.push_back(static_cast<std::uint8_t>(a));
        pixels.push_back(premultiply((argb >> 16) & 0xff));
        pixels.push_back(premultiply((argb >> 8) & 0xff));
        pixels.push_back(premultiply(argb & 0xff));
    }
    BitWriter w;
    w.u16(id);
    w.u8(5); // 32-bit ARGB
    w.u16(static_cast<std::uint16_t>(width));
    w.u16(static_cast<std::uint16_t>(height));
    w.append(zlibStored(pixels));
    return w.take();
}

// ---- Sound ------------------------------------------------------------------

int rateCode(int rate)
{
    return rate <= 5512 ? 0 : rate <= 11025 ? 1 : rate <= 22050 ? 2 : 3;
}

int codedRate(int rate)
{
    static const int rates[] = {5512, 11025, 22050, 44100};
    return rates[rateCode(rate)];
}

// Sine tones with 3 ms fades at both ends, so that they do not click.
std::vector<std::int16_t> toneSamples(const std::vector<Tone> &tones, int rate, double volume)
{
    std::vector<std::int16_t> samples;
    const double pi = 3.14159265358979323846;
    const double amplitude = std::clamp(volume, 0.0, 1.0) * 32767;
    for (const Tone &tone : tones) {
        const long count = std::lround(double(std::max(0, tone.milliseconds)) * rate / 1000);
        const long fade = std::max(1L, std::min(count / 2, std::lround(0.003 * rate)));
        for (long i = 0; i < count; ++i) {
            double v = 0;
            if (tone.frequency > 0) {
                const double envelope = std::min({1.0, double(i) / fade, double(count - 1 - i) / fade});
                v = amplitude * envelope * std::sin(2 * pi * tone.frequency * double(i) / rate);
            }
            samples.push_back(static_cast<std::int16_t>(std::lround(v)));
        }
    }
    return samples;
}

constexpr std::int16_t kAdpcmIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr std::uint16_t kAdpcmSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// SWF ADPCM, 4 bits a sample: packets of a header (the first sample and the
// step index) and 4095 codes. The encoder predicts exactly as a decoder
// does, so that its error does not add up.
std::vector<std::uint8_t> adpcm(const std::vector<std::int16_t> &samples, int channels)
{
    BitWriter w;
    w.bits(2, 2); // 4-bit codes
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    std::vector<int> predicted(static_cast<std::size_t>(channels), 0);
    std::vector<int> index(static_cast<std::size_t>(channels), 0);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (int ch = 0; ch < channels; ++ch) {
            const auto c = static_cast<std::size_t>(ch);
            const int sample = samples[frame * static_cast<std::size_t>(channels) + c];
            if (frame % 4096 == 0) {
                // The header has six bits for the step index: the decoder
                // carries on from 63 at most, and so must the encoder.
                predicted[c] = sample;
                index[c] = std::min(index[c], 63);
                w.signedBits(sample, 16);
                w.bits(static_cast<std::uint32_t>(index[c]), 6);
                continue;
            }
            const int step = kAdpcmSteps[index[c]];
            int difference = sample - predicted[c];
            const bool negative = difference < 0;
            difference = std::abs(difference);
            int magnitude = 0;
            int delta = step >> 3;
            if (difference >= step) {
                magnitude |= 4;
                difference -= step;
                delta += step;
            }
            if (difference >= step >> 1) {
                magnitude |= 2;
                difference -= step >> 1;
                delta += step >> 1;
            }
            if (difference >= step >> 2) {
                magnitude |= 1;
                delta += step >> 2;
            }
            predicted[c] = std::clamp(predicted[c] + (negative ? -delta : delta), -32768, 32767);
            index[c] = std::clamp(index[c] + kAdpcmIndexShift[magnitude], 0, 88);
            w.bits(static_cast<std::uint32_t>((negative ? 8 : 0) | magnitude), 4);
        }
    }
    return w.take();
}

std::vector<std::uint8_t> defineSound(std::uint16_t id, const Sound &sound)
{
    const int rate = codedRate(sound.sampleRate);
    const std::vector<std::int16_t> mono = toneSamples(sound.tones, rate, sound.volume);
    std::vector<std::int16_t> samples;
    const int channels = sound.stereo ? 2 : 1;
    for (std::int16_t s : mono)
        for (int c = 0; c < channels; ++c)
            samples.push_back(s);
    BitWriter w;
    w.u16(id);
    const int format = sound.format == SoundFormat::Adpcm ? 1 : 3;
    w.bits(static_cast<std::uint32_t>(format), 4);
    w.bits(static_cast<std::uint32_t>(rateCode(rate)), 2);
    w.bits(1, 1); // 16-bit
    w.bits(sound.stereo ? 1 : 0, 1);
    w.u32(static_cast<std::uint32_t>(mono.size()));
    if (sound.format == SoundFormat::Adpcm) {
        w.append(adpcm(samples, channels));
    } else {
        for (std::int16_t s : samples)
            w.u16(static_cast<std::uint16_t>(s));
    }
    return w.take();
}

void soundInfo(BitWriter &w, int loops)
{
    const bool looping = loops > 1;
    w.bits(0, 2);
    w.bits(0, 1); // not a stop
    w.bits(0, 1); // may play over itself
    w.bits(0, 1); // no envelope
    w.bits(looping ? 1 : 0, 1);
    w.bits(0, 1); // no out point
    w.bits(0, 1); // no in point
    if (looping)
        w.u16(static_cast<std::uint16_t>(std::min(loops, 65535)));
}

// The samples streamed with a frame (from 1), rounded so that none is lost
// or played twice when the rate is not a whole number of samples a frame.
std::pair<std::size_t, std::size_t> streamShare(const MovieSpec &spec, int frame)
{
    const long long rate = codedRate(spec.stream.sampleRate);
    const long long fps = std::clamp(spec.frameRate, 1, 120);
    return {static_cast<std::size_t>((frame - 1) * rate / fps), static_cast<std::size_t>(frame * rate / fps)};
}

std::vector<std::uint8_t> soundStreamHead(const MovieSpec &spec)
{
    const int rate = codedRate(spec.stream.sampleRate);
    BitWriter w;
    for (int i = 0; i < 2; ++i) { // as played, then as stored
        w.bits(i == 0 ? 0 : 3, 4);
        w.bits(static_cast<std::uint32_t>(rateCode(rate)), 2);
        w.bits(1, 1); // 16-bit
        w.bits(0, 1); // mono
    }
    w.u16(static_cast<std::uint16_t>(std::lround(double(rate) / std::clamp(spec.frameRate, 1, 120))));
    return w.take();
}

// ---- Buttons ----------------------------------------------------------------

void buttonRecord(BitWriter &w, std::uint16_t character, int states, int depth)
{
    w.bits(0, 2);
    w.bits(0, 1); // no blend mode
    w.bits(0, 1); // no filters
    w.bits(static_cast<std::uint32_t>(states), 4);
    w.u16(character);
    w.u16(static_cast<std::uint16_t>(depth));
    translateMatrix(w, 0, 0);
    colourTransform(w, ColourTransform{});
}

enum ButtonState { Up = 1, Over = 2, Down = 4, HitTest = 8 };

// ---- Actions ----------------------------------------------------------------

class Actions
{
public:
    Actions &push(const std::string &text)
    {
        BitWriter item;
        item.u8(0);
        item.string(text);
        return pushItem(item.take());
    }
    Actions &push(std::int32_t number)
    {
        BitWriter item;
        item.u8(7);
        item.u32(static_cast<std::uint32_t>(number));
        return pushItem(item.take());
    }
    Actions &op(std::uint8_t code)
    {
        m_w.u8(code);
        return *this;
    }
    Actions &branch(std::uint8_t code, int offset)
    {
        m_w.u8(code);
        m_w.u16(2);
        m_w.u16(static_cast<std::uint16_t>(offset));
        return *this;
    }
    Actions &append(const std::vector<std::uint8_t> &other)
    {
        m_w.append(other);
        return *this;
    }
    std::vector<std::uint8_t> take() { return m_w.take(); }
    std::size_t size() const { return m_w.size(); }

private:
    Actions &pushItem(const std::vector<std::uint8_t> &item)
    {
        m_w.u8(0x96);
        m_w.u16(static_cast<std::uint16_t>(item.size()));
        m_w.append(item);
        return *this;
    }
    BitWriter m_w;
};

constexpr std::uint8_t kGetVariable = 0x1C, kSetVariable = 0x1D, kAdd2 = 0x47, kNot = 0x12,
                       kStringLength = 0x14, kStop = 0x07, kIf = 0x9D, kJump = 0x99;

std::vector<std::uint8_t> bombDoubling()
{
    return Actions()
        .push("bomb")
        .push("bomb")
        .op(kGetVariable)
        .push("bomb")
        .op(kGetVariable)
        .op(kAdd2)
        .op(kSetVariable)
        .take();
}

std::vector<std::uint8_t> bombStart()
{
    return Actions().push("bomb").push("x").op(kSetVariable).take();
}

std::vector<std::uint8_t> bombLength()
{
    return Actions().push("bombLength").push("bomb").op(kGetVariable).op(kStringLength).op(kSetVariable).take();
}

std::vector<std::uint8_t> bombActions(StringBomb bomb, int frame)
{
    if (bomb == StringBomb::EachFrame) {
        // if (!bomb) bomb = "x"; else bomb = bomb + bomb;
        std::vector<std::uint8_t> doubling = Actions().append(bombDoubling()).branch(kJump, static_cast<int>(bombStart().size())).take();
        return Actions()
            .push("bomb")
            .op(kGetVariable)
            .op(kNot)
            .branch(kIf, static_cast<int>(doubling.size()))
            .append(doubling)
            .append(bombStart())
            .append(bombLength())
            .take();
    }
    if (bomb == StringBomb::TightLoop && frame == 1) {
        const std::vector<std::uint8_t> doubling = bombDoubling();
        return Actions()
            .append(bombStart())
            .append(bombLength())
            .append(doubling)
            .branch(kJump, -static_cast<int>(doubling.size() + 5))
            .take();
    }
    return {};
}

// ---- Placements -------------------------------------------------------------

std::vector<Key> sortedKeys(const Placement &p)
{
    std::vector<Key> keys = p.keys;
    if (keys.empty())
        keys.push_back(Key{});
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return a.frame < b.frame; });
    return keys;
}

bool onStage(const Placement &p, const std::vector<Key> &keys, int frame)
{
    return frame >= std::max(1, keys.front().frame) && (p.lastFrame <= 0 || frame <= p.lastFrame);
}

struct InstanceState
{
    Affine matrix;
    ColourTransform colour;
};

InstanceState stateAt(const std::vector<Key> &keys, int frame)
{
    std::size_t i = 0;
    while (i + 1 < keys.size() && keys[i + 1].frame <= frame)
        ++i;
    Key k = keys[i];
    if (i + 1 < keys.size() && frame > k.frame) {
        const Key &next = keys[i + 1];
        const double t = double(frame - k.frame) / double(next.frame - k.frame);
        const auto mix = [t](double a, double b) { return a + (b - a) * t; };
        const auto mixInt = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
        k.x = mix(k.x, next.x);
        k.y = mix(k.y, next.y);
        k.scaleX = mix(k.scaleX, next.scaleX);
        k.scaleY = mix(k.scaleY, next.scaleY);
        k.rotation = mix(k.rotation, next.rotation);
        ColourTransform &c = k.colour;
        const ColourTransform &n = next.colour;
        c.redMult = mixInt(c.redMult, n.redMult);
        c.greenMult = mixInt(c.greenMult, n.greenMult);
        c.blueMult = mixInt(c.blueMult, n.blueMult);
        c.alphaMult = mixInt(c.alphaMult, n.alphaMult);
        c.redAdd = mixInt(c.redAdd, n.redAdd);
        c.greenAdd = mixInt(c.greenAdd, n.greenAdd);
        c.blueAdd = mixInt(c.blueAdd, n.blueAdd);
        c.alphaAdd = mixInt(c.alphaAdd, n.alphaAdd);
    }
    const double pi = 3.14159265358979323846;
    const double r = k.rotation * pi / 180;
    InstanceState s;
    s.matrix = Affine{k.scaleX * std::cos(r), k.scaleX * std::sin(r), -k.scaleY * std::sin(r), k.scaleY * std::cos(r),
                      twips(k.x), twips(k.y)};
    s.colour = k.colour;
    return s;
}

int characterOf(const Placement &p, const ContentIds &ids)
{
    const std::vector<std::uint16_t> &list = p.type == CharacterType::Shape ? ids.shapes
                                             : p.type == CharacterType::Text ? ids.texts
                                                                             : ids.buttons;
    if (p.index < 0 || static_cast<std::size_t>(p.index) >= list.size())
        return 0;
    return list[static_cast<std::size_t>(p.index)];
}

void filter(BitWriter &w, const Filter &f)
{
    const double pi = 3.14159265358979323846;
    const auto fixed = [&w](double v) { w.u32(static_cast<std::uint32_t>(fixed16(v))); };
    const auto fixed8 = [&w](double v) { w.u16(static_cast<std::uint16_t>(std::lround(v * 256))); };
    const int passes = std::clamp(f.passes, 1, 15);
    switch (f.type) {
    case FilterType::DropShadow:
    case FilterType::Glow:
        w.u8(f.type == FilterType::DropShadow ? 0 : 2);
        rgba(w, f.colour);
        fixed(f.blurX);
        fixed(f.blurY);
        if (f.type == FilterType::DropShadow) {
            fixed(f.angle * pi / 180);
            fixed(f.distance);
        }
        fixed8(f.strength);
        w.bits(f.inner ? 1 : 0, 1);
        w.bits(f.knockout ? 1 : 0, 1);
        w.bits(1, 1); // drawn over the object, not instead of it
        w.bits(static_cast<std::uint32_t>(passes), 5);
        break;
    case FilterType::Blur:
        w.u8(1);
        fixed(f.blurX);
        fixed(f.blurY);
        w.bits(static_cast<std::uint32_t>(passes), 5);
        w.bits(0, 3);
        break;
    case FilterType::Bevel:
        w.u8(3);
        // The player reads the highlight first, whatever the format's
        // documentation says.
        rgba(w, f.highlight);
        rgba(w, f.colour);
        fixed(f.blurX);
        fixed(f.blurY);
        fixed(f.angle * pi / 180);
        fixed(f.distance);
        fixed8(f.strength);
        w.bits(f.inner ? 1 : 0, 1);
        w.bits(f.knockout ? 1 : 0, 1);
        w.bits(1, 1);
        w.bits(0, 1); // not on top
        w.bits(static_cast<std::uint32_t>(passes), 4);
        break;
    case FilterType::ColourMatrix:
        w.u8(6);
        for (float v : f.matrix)
            w.f32(v);
        break;
    }
}

std::vector<std::uint8_t> placeNew(const Placement &p, std::uint16_t character, const InstanceState &s)
{
    const bool po3 = !p.filters.empty();
    const bool colour = !(s.colour == ColourTransform{});
    BitWriter w;
    w.bits(0, 1); // no clip actions
    w.bits(p.clipDepth > 0 ? 1 : 0, 1);
    w.bits(p.name.empty() ? 0 : 1, 1);
    w.bits(0, 1); // no ratio
    w.bits(colour ? 1 : 0, 1);
    w.bits(1, 1); // matrix
    w.bits(1, 1); // character
    w.bits(0, 1); // a new instance
    if (po3) {
        w.bits(0, 7);
        w.bits(1, 1); // filters
    }
    w.u16(static_cast<std::uint16_t>(kFirstContentDepth + p.depth));
    w.u16(character);
    matrix(w, s.matrix);
    if (colour)
        colourTransform(w, s.colour);
    if (!p.name.empty())
        w.string(p.name);
    if (p.clipDepth > 0)
        w.u16(static_cast<std::uint16_t>(kFirstContentDepth + p.clipDepth));
    if (po3) {
        w.u8(static_cast<std::uint8_t>(std::min<std::size_t>(p.filters.size(), 255)));
        for (std::size_t i = 0; i < p.filters.size() && i < 255; ++i)
            filter(w, p.filters[i]);
    }
    return w.take();
}

std::vector<std::uint8_t> placeMove(const Placement &p, const InstanceState &s)
{
    BitWriter w;
    w.u8(0x08 | 0x04 | 0x01); // colour transform, matrix, move
    w.u16(static_cast<std::uint16_t>(kFirstContentDepth + p.depth));
    matrix(w, s.matrix);
    colourTransform(w, s.colour);
    return w.take();
}

} // namespace

bool hasRichContent(const MovieSpec &spec)
{
    return !spec.shapes.empty() || !spec.texts.empty() || !spec.bitmaps.empty()
        || !spec.sounds.empty() || !spec.buttons.empty() || !spec.placements.empty() || !spec.soundStarts.empty()
        || !spec.stream.tones.empty() || spec.stopFrame > 0 || !spec.frameVariable.empty()
        || spec.stringBomb != StringBomb::None;
}

std::vector<std::uint8_t> fileAttributes()
{
    BitWriter w;
    w.u32(0); // AVM1, no metadata, local playback
    return w.take();
}

ContentIds defineContent(BitWriter &tags, const MovieSpec &spec)
{
    ContentIds ids;
    std::uint16_t next = kFirstContentId;
    const DefineContext context{spec, ids};

    for (const Bitmap &bitmap : spec.bitmaps) {
        ids.bitmaps.push_back(next);
        tag(tags, 36, defineBitsLossless2(next++, bitmap));
    }
    for (const Shape &shape : spec.shapes) {
        ids.shapes.push_back(next);
        BitWriter body;
        const int code = defineShape(body, next++, shape, context);
        tag(tags, code, body.take());
    }
    if (!spec.texts.empty()) {
        const std::uint16_t font = next++;
        tag(tags, 48, defineFont(font));
        for (const Text &text : spec.texts) {
            ids.texts.push_back(next);
            if (text.variable.empty())
                tag(tags, 33, defineText(next++, font, text));
            else
                tag(tags, 37, defineEditText(next++, font, text));
        }
    }
    for (const Sound &sound : spec.sounds) {
        ids.sounds.push_back(next);
        tag(tags, 14, defineSound(next++, sound));
    }
    if (!spec.buttons.empty()) {
        Shape stage;
        Figure whole;
        whole.width = spec.width;
        whole.height = spec.height;
        stage.figures.push_back(whole);
        const std::uint16_t hitArea = next++;
        BitWriter hitBody;
        const int hitCode = defineShape(hitBody, hitArea, stage, context);
        tag(tags, hitCode, hitBody.take());
        for (const Button &button : spec.buttons) {
            const std::uint16_t id = next++;
            ids.buttons.push_back(id);
            BitWriter body;
            body.u16(id);
            body.u8(0);  // not a menu button
            body.u16(0); // no actions
            buttonRecord(body, hitArea, HitTest, 1);
            const int looks[] = {button.up, button.over, button.down};
            const int states[] = {Up, Over, Down};
            for (int i = 0; i < 3; ++i)
                if (looks[i] >= 0 && static_cast<std::size_t>(looks[i]) < ids.shapes.size())
                    buttonRecord(body, ids.shapes[static_cast<std::size_t>(looks[i])], states[i], 2);
            body.u8(0);
            tag(tags, 34, body.take());

            const auto soundId = [&ids](int index) -> std::uint16_t {
                return index >= 0 && static_cast<std::size_t>(index) < ids.sounds.size()
                    ? ids.sounds[static_cast<std::size_t>(index)]
                    : 0;
            };
            if (soundId(button.pressSound) || soundId(button.releaseSound)) {
                BitWriter sounds;
                sounds.u16(id);
                // Leaving, entering, pressing, releasing.
                for (int which : {-1, -1, button.pressSound, button.releaseSound}) {
                    const std::uint16_t sid = soundId(which);
                    sounds.u16(sid);
                    if (sid)
                        soundInfo(sounds, 1);
                }
                tag(tags, 17, sounds.take());
            }
        }
    }
    ids.stream = toneSamples(spec.stream.tones, codedRate(spec.stream.sampleRate), spec.stream.volume);
    return ids;
}

void writeFrameContent(BitWriter &tags, const MovieSpec &spec, const ContentIds &ids, int frame)
{
    if (frame == 1 && !spec.stream.tones.empty())
        tag(tags, 45, soundStreamHead(spec));

    std::vector<std::vector<Key>> keys;
    for (const Placement &p : spec.placements)
        keys.push_back(sortedKeys(p));
    for (std::size_t i = 0; i < spec.placements.size(); ++i) {
        const Placement &p = spec.placements[i];
        if (!onStage(p, keys[i], frame) && onStage(p, keys[i], frame - 1) && characterOf(p, ids)) {
            BitWriter w;
            w.u16(static_cast<std::uint16_t>(kFirstContentDepth + p.depth));
            tag(tags, 28, w.take()); // RemoveObject2
        }
    }
    for (std::size_t i = 0; i < spec.placements.size(); ++i) {
        const Placement &p = spec.placements[i];
        const int character = characterOf(p, ids);
        if (!character || !onStage(p, keys[i], frame))
            continue;
        const InstanceState now = stateAt(keys[i], frame);
        if (!onStage(p, keys[i], frame - 1)) {
            tag(tags, p.filters.empty() ? 26 : 70, placeNew(p, static_cast<std::uint16_t>(character), now));
        } else {
            const InstanceState before = stateAt(keys[i], frame - 1);
            if (!(now.matrix == before.matrix) || !(now.colour == before.colour))
                tag(tags, 26, placeMove(p, now));
        }
    }

    for (const SoundStart &start : spec.soundStarts) {
        if (start.frame != frame || start.sound < 0 || static_cast<std::size_t>(start.sound) >= ids.sounds.size())
            continue;
        BitWriter w;
        w.u16(ids.sounds[static_cast<std::size_t>(start.sound)]);
        soundInfo(w, start.loops);
        tag(tags, 15, w.take());
    }

    if (!spec.stream.tones.empty()) {
        const std::vector<std::int16_t> &samples = ids.stream;
        const auto share = streamShare(spec, frame);
        if (share.first < samples.size()) {
            BitWriter w;
            for (std::size_t i = share.first; i < std::min(share.second, samples.size()); ++i)
                w.u16(static_cast<std::uint16_t>(samples[i]));
            tag(tags, 19, w.take());
        }
    }

    Actions actions;
    if (!spec.frameVariable.empty())
        actions.push(spec.frameVariable).push(frame).op(kSetVariable);
    actions.append(bombActions(spec.stringBomb, frame));
    if (frame == spec.stopFrame)
        actions.op(kStop);
    if (actions.size() > 0) {
        actions.op(0);
        tag(tags, 12, actions.take());
    }
}

} // namespace detail

} // namespace swf
