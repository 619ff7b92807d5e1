// Named movies for the tests, made like the menus Flash authors publish:
// the timings each one promises are listed in swfwriter.h.
#include "swfwriter.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace swf {

namespace {

MovieSpec stage(int width, int height, int frameRate, int frameCount)
{
    MovieSpec spec;
    spec.width = std::max(1, width);
    spec.height = std::max(1, height);
    spec.frameRate = frameRate;
    spec.frameCount = frameCount;
    spec.version = 8;
    spec.border = false;
    spec.moving = false;
    spec.background = {240, 240, 236};
    return spec;
}

int add(std::vector<Shape> &shapes, Shape shape)
{
    shapes.push_back(std::move(shape));
    return static_cast<int>(shapes.size()) - 1;
}

int add(std::vector<Text> &texts, Text text)
{
    texts.push_back(std::move(text));
    return static_cast<int>(texts.size()) - 1;
}

int add(std::vector<Sound> &sounds, Sound sound)
{
    sounds.push_back(std::move(sound));
    return static_cast<int>(sounds.size()) - 1;
}

Figure box(Outline outline, int x, int y, int width, int height, Fill fill, Stroke stroke = {})
{
    Figure figure;
    figure.outline = outline;
    figure.x = x;
    figure.y = y;
    figure.width = width;
    figure.height = height;
    figure.fill = std::move(fill);
    figure.stroke = stroke;
    return figure;
}

Fill noFill()
{
    Fill fill;
    fill.type = FillType::None;
    return fill;
}

Stroke pen(double width, Rgba colour, Join join = Join::Round, Cap cap = Cap::Round)
{
    Stroke stroke;
    stroke.width = width;
    stroke.colour = colour;
    stroke.join = join;
    stroke.cap = cap;
    return stroke;
}

Figure line(std::vector<std::array<int, 2>> points, Stroke stroke, bool open = true, Fill fill = noFill())
{
    Figure figure;
    figure.outline = Outline::Polygon;
    figure.points = std::move(points);
    figure.open = open;
    figure.stroke = stroke;
    figure.fill = std::move(fill);
    return figure;
}

Fill solid(Rgba colour)
{
    Fill fill;
    fill.colour = colour;
    return fill;
}

Fill gradient(FillType type, std::vector<GradientStop> stops, double angle = 0)
{
    Fill fill;
    fill.type = type;
    fill.stops = std::move(stops);
    fill.angle = angle;
    return fill;
}

Key at(int frame, double x, double y, ColourTransform colour = {})
{
    Key key;
    key.frame = frame;
    key.x = x;
    key.y = y;
    key.colour = colour;
    return key;
}

Placement instance(CharacterType type, int index, int depth, std::vector<Key> keys)
{
    Placement p;
    p.type = type;
    p.index = index;
    p.depth = depth;
    p.keys = std::move(keys);
    return p;
}

// A small bar along the bottom that steps right on every frame up to the
// stop and back left after it, so that a picture tells whether the timeline
// came to rest where it should.
void addFrameBar(MovieSpec &spec, int stopFrame, int depth)
{
    const int width = std::max(4, spec.width / 16), height = std::max(3, spec.height / 40);
    const int bar = add(spec.shapes, Shape{{box(Outline::Rectangle, 0, 0, width, height, solid({40, 40, 40, 255}))}});
    const int margin = std::max(2, spec.height / 60);
    const double y = spec.height - height - margin;
    std::vector<Key> keys{at(1, margin, y)};
    if (stopFrame > 1)
        keys.push_back(at(stopFrame, spec.width - width - margin, y));
    if (spec.frameCount > stopFrame)
        keys.push_back(at(spec.frameCount, margin, y));
    spec.placements.push_back(instance(CharacterType::Shape, bar, depth, keys));
}

// The largest em at which text of this many letters fits the width.
int fittingSize(int letters, double width, int most)
{
    return std::max(6, std::min(most, static_cast<int>(width / (std::max(1, letters) * letterWidth(1)))));
}

int letters(const std::string &utf8)
{
    int n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xc0) != 0x80)
            ++n;
    return n;
}

MovieSpec tints(int w, int h)
{
    MovieSpec spec = stage(w, h, 12, 12);
    spec.stopFrame = 6;
    const int rw = w * 38 / 100, rh = h * 55 / 100;
    const int card = add(spec.shapes,
                         Shape{{box(Outline::Rectangle, 0, 0, rw, rh,
                                    gradient(FillType::RadialGradient, {{0, {255, 255, 255, 255}},
                                                                        {128, {200, 200, 60, 255}},
                                                                        {255, {40, 40, 120, 255}}}))}});
    spec.placements.push_back(
        instance(CharacterType::Shape, card, 1, {at(1, w * 8 / 100, h * 15 / 100, tint({255, 0, 0}, 0.6))}));
    spec.placements.push_back(
        instance(CharacterType::Shape, card, 2, {at(1, w * 54 / 100, h * 15 / 100, tint({0, 255, 0}, 0.6))}));
    addFrameBar(spec, spec.stopFrame, 3);
    return spec;
}

MovieSpec tintTween(int w, int h)
{
    MovieSpec spec = stage(w, h, 24, 40);
    spec.stopFrame = 20;
    const int rw = w * 38 / 100, rh = h * 55 / 100;
    const int strip = add(spec.shapes,
                          Shape{{box(Outline::Rectangle, 0, 0, rw, rh,
                                     gradient(FillType::LinearGradient, {{0, {0, 0, 0, 255}},
                                                                         {128, {220, 90, 30, 255}},
                                                                         {255, {255, 255, 255, 255}}}))}});
    const double left = w * 8 / 100.0, right = w * 54 / 100.0, top = h * 15 / 100.0;
    spec.placements.push_back(instance(CharacterType::Shape, strip, 1,
                                       {at(1, left, top, tint({0, 0, 255}, 0)),
                                        at(20, left, top, tint({0, 0, 255}, 0.8)),
                                        at(40, left, top, tint({0, 0, 255}, 0))}));
    spec.placements.push_back(instance(CharacterType::Shape, strip, 2,
                                       {at(1, right, top, brightness(-0.6)), at(20, right, top, brightness(0.6)),
                                        at(40, right, top, brightness(-0.6))}));
    addFrameBar(spec, spec.stopFrame, 3);
    return spec;
}

MovieSpec outlines(int w, int h)
{
    MovieSpec spec = stage(w, h, 1, 1);
    spec.stopFrame = 1;
    spec.background = {255, 255, 255};
    const double u = std::min(w, h) / 100.0; // a hundredth of the shorter side
    const auto px = [](double v) { return static_cast<int>(std::lround(v)); };

    Shape grid;
    const Stroke hairline = pen(1, {190, 190, 200, 255});
    for (int i = 1; i < 10; ++i) {
        grid.figures.push_back(line({{px(w * i / 10.0), 0}, {px(w * i / 10.0), h}}, hairline));
        grid.figures.push_back(line({{0, px(h * i / 10.0)}, {w, px(h * i / 10.0)}}, hairline));
    }
    spec.placements.push_back(instance(CharacterType::Shape, add(spec.shapes, grid), 1, {at(1, 0, 0)}));

    Shape art;
    art.figures.push_back(box(Outline::RoundedRectangle, px(w * 0.05), px(h * 0.08), px(w * 0.40), px(h * 0.38),
                            gradient(FillType::LinearGradient, {{0, {40, 120, 220, 255}}, {255, {230, 245, 255, 255}}}, 90),
                            pen(3 * u / 2 + 1, {10, 30, 90, 255})));
    art.figures.back().cornerRadius = px(8 * u);
    art.figures.push_back(box(Outline::Ellipse, px(w * 0.55), px(h * 0.08), px(w * 0.40), px(h * 0.38),
                            gradient(FillType::RadialGradient,
                                     {{0, {255, 250, 150, 255}}, {160, {250, 160, 30, 255}}, {255, {180, 60, 20, 255}}}),
                            pen(u + 1, {90, 40, 10, 255})));
    std::vector<std::array<int, 2>> zigzag;
    for (int i = 0; i <= 8; ++i)
        zigzag.push_back({px(w * (0.06 + 0.045 * i)), px(h * (i % 2 ? 0.62 : 0.86))});
    art.figures.push_back(line(zigzag, pen(2 * u + 1, {20, 140, 60, 255}, Join::Round, Cap::Round)));
    std::vector<std::array<int, 2>> star;
    const double pi = 3.14159265358979323846;
    const double cx = w * 0.75, cy = h * 0.72, outer = std::min(w * 0.2, h * 0.2);
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? outer * 0.45 : outer;
        const double a = -pi / 2 + i * pi / 5;
        star.push_back({px(cx + r * std::cos(a)), px(cy + r * std::sin(a))});
    }
    art.figures.push_back(line(star, pen(3 * u / 2 + 1, {0, 0, 0, 255}, Join::Miter, Cap::None), false,
                             solid({220, 30, 40, 255})));
    spec.placements.push_back(instance(CharacterType::Shape, add(spec.shapes, art), 2, {at(1, 0, 0)}));
    return spec;
}

MovieSpec filters(int w, int h)
{
    MovieSpec spec = stage(w, h, 30, 6);
    spec.stopFrame = 3;
    // Mid-toned, so that white highlights and dark shadows both show.
    spec.background = {200, 212, 230};
    const int side = std::max(8, std::min(w / 7, h / 3));
    const int gap = (w - 5 * side) / 6;
    const int corner = side / 6;
    const Rgba colours[4] = {{40, 90, 220, 255}, {30, 60, 200, 255}, {20, 160, 70, 255}, {240, 140, 20, 255}};
    std::vector<Filter> chosen(5);
    chosen[0].type = FilterType::DropShadow;
    chosen[0].colour = {0, 0, 0, 200};
    chosen[0].blurX = chosen[0].blurY = side / 12.0 + 2;
    chosen[0].distance = side / 10.0 + 2;
    chosen[0].passes = 2;
    chosen[1].type = FilterType::Glow;
    chosen[1].colour = {255, 0, 200, 255};
    chosen[1].blurX = chosen[1].blurY = side / 6.0 + 2;
    chosen[1].strength = 2;
    chosen[1].passes = 2;
    chosen[2].type = FilterType::Blur;
    chosen[2].blurX = chosen[2].blurY = side / 8.0 + 2;
    chosen[2].passes = 2;
    chosen[3].type = FilterType::Bevel;
    chosen[3].colour = {0, 0, 0, 255};
    chosen[3].highlight = {255, 255, 255, 255};
    chosen[3].blurX = chosen[3].blurY = side / 12.0 + 2;
    chosen[3].distance = side / 16.0 + 2;
    chosen[3].passes = 1;
    chosen[4].type = FilterType::ColourMatrix;
    // Greyscale by the eye's weights.
    const float grey[3] = {0.299f, 0.587f, 0.114f};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            chosen[4].matrix[static_cast<std::size_t>(row * 5 + column)] = grey[column];
    chosen[4].matrix[18] = 1;
    for (int i = 0; i < 5; ++i) {
        Fill fill = i < 4 ? solid(colours[i])
                          : gradient(FillType::LinearGradient, {{0, {255, 0, 0, 255}},
                                                                {85, {255, 230, 0, 255}},
                                                                {170, {0, 200, 0, 255}},
                                                                {255, {0, 60, 255, 255}}});
        Figure square = box(Outline::RoundedRectangle, 0, 0, side, side, fill);
        square.cornerRadius = corner;
        const int shape = add(spec.shapes, Shape{{square}});
        Placement p = instance(CharacterType::Shape, shape, 1 + i, {at(1, gap + i * (side + gap), (h - side) / 2)});
        p.filters = {chosen[static_cast<std::size_t>(i)]};
        spec.placements.push_back(p);
    }
    addFrameBar(spec, spec.stopFrame, 6);
    return spec;
}

MovieSpec mask(int w, int h)
{
    MovieSpec spec = stage(w, h, 15, 20);
    spec.stopFrame = 10;
    Shape stripes;
    const int count = 12;
    for (int i = 0; i < count; ++i)
        stripes.figures.push_back(box(Outline::Rectangle, w * i / count, 0, w / count + 1, h,
                                    solid(i % 2 ? Rgba{230, 60, 60, 255} : Rgba{250, 220, 60, 255})));
    const int radius = std::min(w, h) * 3 / 10;
    const int glow = add(spec.shapes, Shape{{box(Outline::Ellipse, -radius / 2, -radius / 2, radius, radius,
                                                 gradient(FillType::RadialGradient, {{0, {255, 255, 255, 255}},
                                                                                     {255, {40, 80, 200, 0}}}))}});
    const int hole = add(spec.shapes, Shape{{box(Outline::Ellipse, -radius, -radius, 2 * radius, 2 * radius,
                                                 solid({0, 0, 0, 255}))}});
    const double y = h * 0.45;
    Placement m = instance(CharacterType::Shape, hole, 1,
                           {at(1, w * 0.3, y), at(spec.stopFrame, w * 0.7, y), at(spec.frameCount, w * 0.3, y)});
    m.clipDepth = 3;
    spec.placements.push_back(m);
    spec.placements.push_back(instance(CharacterType::Shape, add(spec.shapes, stripes), 2, {at(1, 0, 0)}));
    spec.placements.push_back(instance(CharacterType::Shape, glow, 3, {at(1, w * 0.7, y)}));
    addFrameBar(spec, spec.stopFrame, 4);
    return spec;
}

MovieSpec text(int w, int h)
{
    MovieSpec spec = stage(w, h, 12, 4);
    spec.stopFrame = 2;
    spec.frameVariable = "frame";
    const std::string first = "Ação é lição", second = "ÇÃÉ çãé õôâêíóú", label = "Quadro ";
    const double room = w * 0.9;
    Text a;
    a.text = first;
    a.size = fittingSize(letters(first), room, h / 5);
    a.colour = {20, 40, 120, 255};
    Text b;
    b.text = second;
    b.size = fittingSize(letters(second), room, h / 6);
    b.colour = {150, 20, 40, 255};
    Text c;
    c.text = label;
    c.size = fittingSize(letters(label) + 3, room, h / 7);
    c.colour = {0, 0, 0, 255};
    Text field = c;
    field.text = "0";
    field.variable = "frame";
    field.width = c.size * 2;
    const double x = w * 0.05;
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, a), 1, {at(1, x, h * 0.08)}));
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, b), 2, {at(1, x, h * 0.38)}));
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, c), 3, {at(1, x, h * 0.66)}));
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, field), 4,
                                       {at(1, x + letterWidth(c.size) * letters(label), h * 0.66)}));
    return spec;
}

Bitmap testImage()
{
    Bitmap image;
    image.width = 32;
    image.height = 24;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t argb = x < 16 ? (y < 12 ? 0xffe02020u : 0xff2040e0u) : (y < 12 ? 0xff20c040u : 0xfff0d020u);
            if (x == y + 4)
                argb = 0xff000000u;
            if (y == 11 || y == 12)
                argb = 0x80ffffffu;
            image.pixels.push_back(argb);
        }
    }
    return image;
}

MovieSpec bitmap(int w, int h)
{
    MovieSpec spec = stage(w, h, 12, 4);
    spec.stopFrame = 2;
    spec.background = {60, 60, 60};
    spec.bitmaps.push_back(testImage());
    Fill picture;
    picture.type = FillType::Bitmap;
    picture.bitmap = 0;
    const int small = add(spec.shapes, Shape{{box(Outline::Rectangle, 0, 0, 32, 24, picture)}});
    const int bw = w * 45 / 100, bh = bw * 24 / 32;
    const int large = add(spec.shapes, Shape{{box(Outline::Rectangle, 0, 0, bw, bh, picture)}});
    spec.placements.push_back(instance(CharacterType::Shape, small, 1, {at(1, 8, 8)}));
    spec.placements.push_back(instance(CharacterType::Shape, large, 2, {at(1, w / 2, h * 0.1)}));
    return spec;
}

Sound tone(double frequency, int milliseconds, SoundFormat format = SoundFormat::Pcm16)
{
    Sound sound;
    sound.tones = {{frequency, milliseconds}};
    sound.format = format;
    return sound;
}

MovieSpec labelled(int w, int h, int frameRate, int frameCount, const std::string &label)
{
    MovieSpec spec = stage(w, h, frameRate, frameCount);
    spec.label = label;
    spec.background = {250, 250, 250};
    spec.foreground = {30, 60, 130};
    return spec;
}

MovieSpec eventSound(int w, int h)
{
    MovieSpec spec = labelled(w, h, 12, 48, "EVENT");
    const int a = add(spec.sounds, tone(1000, 150));
    const int b = add(spec.sounds, tone(1500, 150, SoundFormat::Adpcm));
    spec.soundStarts = {{a, 1, 1}, {a, 25, 1}, {b, 37, 1}};
    return spec;
}

MovieSpec loopSound(int w, int h)
{
    MovieSpec spec = labelled(w, h, 12, 12, "LOOP");
    spec.stopFrame = 1;
    Sound beep;
    beep.tones = {{800, 200}, {0, 200}};
    spec.soundStarts = {{add(spec.sounds, beep), 1, 5}};
    return spec;
}

MovieSpec streamSound(int w, int h)
{
    MovieSpec spec = stage(w, h, 12, 84);
    spec.stopFrame = 72;
    spec.frameVariable = "frame";
    for (int i = 0; i < 6; ++i)
        spec.stream.tones.push_back({400.0 + 100 * i, 1000});
    const int bw = std::max(4, w / 12), bh = h / 4;
    const int bar = add(spec.shapes, Shape{{box(Outline::Rectangle, 0, 0, bw, bh, solid({30, 110, 200, 255}))}});
    spec.placements.push_back(instance(CharacterType::Shape, bar, 1,
                                       {at(1, 0, h * 0.15), at(spec.stopFrame, w - bw, h * 0.15),
                                        at(spec.frameCount, 0, h * 0.15)}));
    Text label;
    label.text = "Quadro ";
    label.size = fittingSize(10, w * 0.9, h / 7);
    Text field = label;
    field.text = "0";
    field.variable = "frame";
    field.width = label.size * 2;
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, label), 2, {at(1, w * 0.05, h * 0.6)}));
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, field), 3,
                                       {at(1, w * 0.05 + letterWidth(label.size) * letters(label.text), h * 0.6)}));
    return spec;
}

MovieSpec buttonSound(int w, int h)
{
    MovieSpec spec = stage(w, h, 12, 2);
    spec.stopFrame = 1;
    const auto face = [&](Rgba colour) {
        return add(spec.shapes, Shape{{box(Outline::Rectangle, 0, 0, w, h, solid(colour))}});
    };
    Button button;
    button.up = face({0, 90, 200, 255});
    button.over = face({70, 150, 255, 255});
    button.down = face({0, 40, 120, 255});
    button.pressSound = add(spec.sounds, tone(700, 200));
    button.releaseSound = add(spec.sounds, tone(1100, 100));
    spec.buttons.push_back(button);
    spec.placements.push_back(instance(CharacterType::Button, 0, 1, {at(1, 0, 0)}));
    Text caption;
    caption.text = "Clique aqui";
    caption.size = fittingSize(11, w * 0.8, h / 5);
    caption.colour = {255, 255, 255, 255};
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, caption), 2, {at(1, w * 0.1, h * 0.4)}));
    return spec;
}

MovieSpec stringBomb(int w, int h, StringBomb kind)
{
    MovieSpec spec = stage(w, h, 12, 2);
    spec.stringBomb = kind;
    Text label;
    label.text = kind == StringBomb::EachFrame ? "Bomba: " : "Bomba em ciclo: ";
    label.size = fittingSize(letters(label.text) + 10, w * 0.9, h / 7);
    Text field = label;
    field.text = "0";
    field.variable = "bombLength";
    field.width = label.size * 6;
    const double x = w * 0.05;
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, label), 1, {at(1, x, h * 0.4)}));
    spec.placements.push_back(instance(CharacterType::Text, add(spec.texts, field), 2,
                                       {at(1, x + letterWidth(label.size) * letters(label.text), h * 0.4)}));
    return spec;
}

const std::vector<std::pair<std::string, std::function<MovieSpec(int, int)>>> &kinds()
{
    static const std::vector<std::pair<std::string, std::function<MovieSpec(int, int)>>> list = {
        {"tints", tints},
        {"tint-tween", tintTween},
        {"outlines", outlines},
        {"filters", filters},
        {"mask", mask},
        {"text", text},
        {"bitmap", bitmap},
        {"event-sound", eventSound},
        {"loop-sound", loopSound},
        {"stream-sound", streamSound},
        {"button-sound", buttonSound},
        {"string-bomb", [](int w, int h) { return stringBomb(w, h, StringBomb::EachFrame); }},
        {"string-bomb-loop", [](int w, int h) { return stringBomb(w, h, StringBomb::TightLoop); }},
    };
    return list;
}

} // namespace

std::vector<std::string> realisticKinds()
{
    std::vector<std::string> names;
    for (const auto &kind : kinds())
        names.push_back(kind.first);
    return names;
}

MovieSpec realisticMovie(const std::string &kind, int width, int height)
{
    for (const auto &entry : kinds())
        if (entry.first == kind)
            return entry.second(width, height);
    MovieSpec spec;
    spec.width = width;
    spec.height = height;
    return spec;
}

} // namespace swf
