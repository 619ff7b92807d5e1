#pragma once

// Writes small uncompressed SWF movies (version 6, AVM1) for the demo content
// tree and the tests: a background colour, a label drawn in a blocky vector
// font so a person can tell the movies apart, a shape that moves in a loop,
// and optionally a whole-stage button whose release sends an fscommand and
// first-frame actions: a getURL to any address, an ExternalInterface call,
// and an fscommand sent once as the movie starts or on every loop.
//
// Beside those, a movie may carry what Flash-authored school material is
// made of, so the players can be tried on it: shapes with gradients, strokes
// and bitmaps, text in an embedded font with Portuguese letters, instances
// that move and change colour from frame to frame, filters, masks, event,
// looping, button and stream sounds, and a script that eats memory. Such
// content is all empty by default, and a movie without it is written exactly
// as before. realisticMovie() puts these together into named movies.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace swf {

struct Colour
{
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Command
{
    std::string command;
    std::string args;
};

struct Rgba
{
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Flash's colour transform: every channel becomes c * mult / 256 + add.
struct ColourTransform
{
    int redMult = 256, greenMult = 256, blueMult = 256, alphaMult = 256;
    int redAdd = 0, greenAdd = 0, blueAdd = 0, alphaAdd = 0;
};

// The Property inspector's colour effects: "Tint" towards a colour by an
// amount from 0 to 1, "Brightness" from -1 (black) to 1 (white).
ColourTransform tint(Colour colour, double amount);
ColourTransform brightness(double amount);

struct GradientStop
{
    std::uint8_t ratio = 0; // 0 at the start of the gradient, 255 at its end
    Rgba colour;
};

enum class FillType { None, Solid, LinearGradient, RadialGradient, Bitmap };

struct Fill
{
    FillType type = FillType::Solid;
    Rgba colour;                     // Solid
    std::vector<GradientStop> stops; // gradients, at most 15
    double angle = 0;                // LinearGradient: degrees, clockwise from left-to-right
    int bitmap = -1;                 // Bitmap: index into MovieSpec::bitmaps, stretched over the figure's box
    bool smooth = false;             // Bitmap: smoothed when scaled
};

enum class Join { Round, Bevel, Miter };
enum class Cap { Round, None, Square };

struct Stroke
{
    double width = 0; // pixels; none when 0
    Rgba colour;
    Join join = Join::Round;
    Cap cap = Cap::Round;
};

enum class Outline { Rectangle, RoundedRectangle, Ellipse, Polygon };

// One outline of a shape, filled and stroked on its own; later figures are
// drawn over earlier ones, as layers are in the authoring tool.
struct Figure
{
    Outline outline = Outline::Rectangle;
    int x = 0, y = 0, width = 0, height = 0; // pixels: the box in the shape's own space
    int cornerRadius = 0;                    // RoundedRectangle
    std::vector<std::array<int, 2>> points;  // Polygon, pixels, in the shape's own space
    bool open = false;                       // Polygon: a line that is not closed (stroked only)
    Fill fill;
    Stroke stroke;
};

struct Shape
{
    std::vector<Figure> figures;
};

// Letters the embedded font has: A-Z, a-z, 0-9, the Portuguese accented
// letters (á à â ã é ê í ó ô õ ú ç and their capitals) and " .,:;!?-()/%+=".
// Others are left out of the text.
std::string fontCharacters();
// Every letter of the font is as wide: this many pixels at an em of size.
double letterWidth(int size);

// One line of text in the embedded font. Its own space has the line's top
// left corner at 0,0.
struct Text
{
    std::string text; // UTF-8
    int size = 20;    // pixels: the font's em
    Rgba colour;
    std::string variable; // not empty: a dynamic field that shows this _root variable
    int width = 0;        // the field's width in pixels (0: wide enough for the text)
};

// Pixels 0xAARRGGBB, not premultiplied, row by row from the top.
struct Bitmap
{
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

enum class SoundFormat { Pcm16, Adpcm };

struct Tone
{
    double frequency = 0; // Hz; 0 is silence
    int milliseconds = 0;
};

// A sound made of sine tones one after another.
struct Sound
{
    std::vector<Tone> tones;
    int sampleRate = 22050;   // 5512, 11025, 22050 or 44100
    SoundFormat format = SoundFormat::Pcm16;
    bool stereo = false;      // the same signal on both sides
    double volume = 0.5;      // of full scale
};

// An event sound started on a frame (from 1), played loops times.
struct SoundStart
{
    int sound = 0; // index into MovieSpec::sounds
    int frame = 1;
    int loops = 1;
};

// A soundtrack streamed with the timeline, 16-bit mono PCM: each frame
// carries its own share of the samples, so the music follows the frames
// played, stops when the timeline stops and is never ahead of it.
struct SoundStream
{
    std::vector<Tone> tones; // none: no stream
    int sampleRate = 44100;
    double volume = 0.5;
};

// A button whose hit area is the whole stage.
struct Button
{
    int up = -1, over = -1, down = -1; // shapes shown in each state (-1: nothing)
    int pressSound = -1;               // indices into MovieSpec::sounds (-1: none)
    int releaseSound = -1;
};

enum class FilterType { DropShadow, Glow, Blur, Bevel, ColourMatrix };

struct Filter
{
    FilterType type = FilterType::DropShadow;
    Rgba colour{0, 0, 0, 255};          // drop shadow, glow; a bevel's shadow
    Rgba highlight{255, 255, 255, 255}; // bevel
    double blurX = 5, blurY = 5;        // pixels
    double angle = 45;                  // degrees: drop shadow, bevel
    double distance = 5;                // pixels: drop shadow, bevel
    double strength = 1;
    bool inner = false;
    bool knockout = false;
    int passes = 1;                     // the quality: 1 low, 2 medium, 3 high
    std::array<float, 20> matrix{};     // ColourMatrix: rows R, G, B, A of (r, g, b, a, offset 0-255)
};

// Where an instance is and how it is coloured on a frame; between two keys
// the writer moves and recolours it a little on every frame, as a motion
// tween does, and after the last key it stays.
struct Key
{
    int frame = 1;                // from 1
    double x = 0, y = 0;          // pixels: where the character's 0,0 goes on the stage
    double scaleX = 1, scaleY = 1;
    double rotation = 0;          // degrees, clockwise
    ColourTransform colour;
};

enum class CharacterType { Shape, Text, Button };

struct Placement
{
    CharacterType type = CharacterType::Shape;
    int index = 0;              // into shapes, texts or buttons
    int depth = 1;              // from 1, above the border, label, dot and stage button
    std::vector<Key> keys;      // the first key's frame places the instance
    int lastFrame = 0;          // the last frame it is on the stage (0: to the end)
    std::vector<Filter> filters;
    int clipDepth = 0;          // not 0: a mask over the depths above its own up to this one
    std::string name;           // instance name
};

enum class StringBomb {
    None,
    EachFrame, // _root.bomb = "x" on the first frame, doubled on every frame after
    TightLoop  // _root.bomb = "x", then doubled in a loop that never ends, all in frame 1
};

struct MovieSpec
{
    int width = 100;   // pixels
    int height = 100;  // pixels
    int frameRate = 12;
    int frameCount = 24;
    Colour background{255, 255, 255};
    Colour foreground{0, 0, 128};
    Colour accent{255, 160, 0};
    std::string label;             // letters A-Z, digits, space and a few signs
    bool moving = true;            // a dot that crosses the stage in a loop
    bool buttonSendsCommand = false;
    Command buttonCommand;         // sent when the stage is clicked (released) …
    int buttonCommandFrame = 0;    // … or, when not 0, the release plays the timeline (stopped on frame 1),
                                   // which sends it on this frame (from 2) and goes back to frame 1
    std::string loadUrl;           // a plain getURL from the first frame, if not empty
    std::string loadUrlTarget;
    bool loadSendsCommand = false;
    Command loadCommand;           // sent from the first frame; the timeline then stops …
    bool loadRepeats = false;      // … unless it repeats, sent again on every loop
    std::string externalCall;      // ExternalInterface.call(externalCall, externalArgument)
    std::string externalArgument;  // from the first frame, if externalCall is not empty
    bool loadSpins = false;        // the first frame's actions end in a loop that never ends
    int version = 6;               // 8 or more when externalCall is used
    bool border = true;            // the accent-coloured frame round the stage

    // The richer content. A movie that has any of it begins with a
    // FileAttributes tag, as Flash 8 writes; give it version 8 or more for
    // filters, strokes and the string bomb.
    std::vector<Shape> shapes;
    std::vector<Text> texts;
    std::vector<Bitmap> bitmaps;
    std::vector<Sound> sounds;
    std::vector<Button> buttons;
    std::vector<Placement> placements;
    std::vector<SoundStart> soundStarts;
    SoundStream stream;
    int stopFrame = 0;             // a stop() on this frame (from 1; 0: none)
    std::string frameVariable;     // not empty: this _root variable is set to the frame number on every frame
    StringBomb stringBomb = StringBomb::None; // _root.bombLength follows the string's length
};

std::vector<std::uint8_t> writeMovie(const MovieSpec &spec);
bool writeMovieFile(const MovieSpec &spec, const std::string &path);

// Movies made like real Flash-authored menus, all version 8, drawn to the
// given stage size: everything is laid out in proportion to it, for 4:3
// stages from 160 x 120 up (other shapes work; below that, text and filters
// get cramped). Frames count from 1, and frame n plays at (n - 1) / rate
// seconds after the first. Where a kind stops, its timeline has more frames
// after the stop that undo what led up to it (a bar moves back, a tween
// runs backwards), so a picture taken after the stop also shows that the
// stop held. The small bar along the bottom edge of several kinds steps
// right on every frame and reaches the right edge on the stop frame.
//
// "tints"        12 fps, 12 frames, stops at frame 6 (0.42 s). The same
//                radial-gradient rectangle (white, yellow, dark blue) placed
//                twice, tinted 60 % red on the left and 60 % green on the
//                right, from frame 1; the bar.
// "tint-tween"   24 fps, 40 frames, stops at frame 20 (0.79 s). Left: a
//                linear gradient (black, orange, white) tinted from none to
//                80 % blue over frames 1-20; right: the same gradient
//                brightened from -60 % to +60 %; the bar.
// "outlines"     1 fps, 1 frame, stopped there. Still art over a hairline
//                grid: a stroked rounded rectangle with a vertical linear
//                gradient, a stroked ellipse with a radial gradient, a zigzag
//                line with round caps, and a red star with miter joins.
// "filters"      30 fps, 6 frames, stops at frame 3 (0.07 s). Five rounded
//                squares in a row on a light blue-grey stage, each with one
//                filter, left to right: drop shadow, magenta glow, blur,
//                bevel, colour matrix (greyscale, over a rainbow gradient);
//                the bar.
// "mask"         15 fps, 20 frames, stops at frame 10 (0.6 s). Red and yellow
//                stripes and a soft white radial glow seen through a circle
//                mask that slides from 30 % to 70 % of the width over frames
//                1-10 (the glow sits where the mask stops); the bar.
// "text"         12 fps, 4 frames, stops at frame 2 (0.08 s). Static lines
//                "Ação é lição" and "ÇÃÉ çãé õôâêíóú" in the embedded font,
//                and "Quadro " followed by a dynamic field that shows the
//                frame number ("2" at the stop).
// "bitmap"       12 fps, 4 frames, stops at frame 2 (0.08 s), on a dark grey
//                stage. A generated 32 x 24 image (red, green, blue and
//                yellow quarters, a black diagonal, a half-transparent white
//                strip across the middle) drawn 1:1 at 8,8 and stretched
//                unsmoothed over 45 % of the width on the right.
// "event-sound"  12 fps, 48 frames (4 s), looping, never stops; the label
//                "EVENT". Tone A (1000 Hz, 150 ms, 16-bit PCM at 22050 Hz)
//                on frames 1 and 25: at 0 s, 2 s and every 2 s after; tone B
//                (1500 Hz, 150 ms, ADPCM) on frame 37: first at 3 s, then
//                every 4 s (7 s, 11 s ...).
// "loop-sound"   12 fps, 12 frames, stops at frame 1; the label "LOOP". One
//                sound, 800 Hz for 200 ms then 200 ms of silence, started on
//                frame 1 with 5 loops: beeps at 0, 0.4, 0.8, 1.2 and 1.6 s.
// "stream-sound" 12 fps, 84 frames, stops at frame 72 (5.92 s). A streamed
//                soundtrack (16-bit mono PCM at 44100 Hz, 3675 samples a
//                frame) of 1 s tones at 400, 500, 600, 700, 800 and 900 Hz,
//                from frame 1 (0 s) to the end of frame 72 (6 s); a blue bar
//                crosses the stage by frame 72, and "Quadro " with a field
//                shows the frame number.
// "button-sound" 12 fps, 2 frames, stops at frame 1. A whole-stage button,
//                blue, lighter under the pointer, dark blue while pressed,
//                with "Clique aqui" over it; pressing plays 700 Hz for 200 ms,
//                releasing over it 1100 Hz for 100 ms (both 16-bit PCM).
// "string-bomb"  12 fps, 2 frames, looping. _root.bomb is "x" on frame 1 and
//                doubles on every frame after, so the engine's memory doubles
//                up to 12 times a second without end; "Bomba: " and a field
//                show its length (_root.bombLength).
// "string-bomb-loop"  The same string, doubled in a loop that never ends
//                inside frame 1's actions.
std::vector<std::string> realisticKinds();
MovieSpec realisticMovie(const std::string &kind, int width, int height); // an unknown kind: a plain MovieSpec

} // namespace swf
