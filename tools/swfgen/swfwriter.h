#pragma once

// Writes small uncompressed SWF movies (version 6, AVM1) for the demo content
// tree and the tests: a background colour, a label drawn in a blocky vector
// font so a person can tell the movies apart, a shape that moves in a loop,
// and optionally a whole-stage button whose release sends an fscommand and
// first-frame actions: a getURL to any address, an ExternalInterface call,
// and an fscommand sent once as the movie starts or on every loop.

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
    Command buttonCommand;         // sent when the stage is clicked (released)
    std::string loadUrl;           // a plain getURL from the first frame, if not empty
    std::string loadUrlTarget;
    bool loadSendsCommand = false;
    Command loadCommand;           // sent from the first frame; the timeline then stops …
    bool loadRepeats = false;      // … unless it repeats, sent again on every loop
    std::string externalCall;      // ExternalInterface.call(externalCall, externalArgument)
    std::string externalArgument;  // from the first frame, if externalCall is not empty
    bool loadSpins = false;        // the first frame's actions end in a loop that never ends
    int version = 6;               // 8 or more when externalCall is used
};

std::vector<std::uint8_t> writeMovie(const MovieSpec &spec);
bool writeMovieFile(const MovieSpec &spec, const std::string &path);

} // namespace swf
