#pragma once

// The richer content of a movie: its definition tags, written once before
// the first frame, and what each frame adds to the timeline.

#include "swfbits.h"
#include "swfwriter.h"

namespace swf::detail {

struct ContentIds
{
    std::vector<std::uint16_t> shapes, texts, bitmaps, sounds, buttons;
    std::vector<std::int16_t> stream; // the soundtrack's samples, shared out among the frames
};

// The first character id the richer content uses; the movie's own border,
// label, dot and stage button take the ones below.
constexpr std::uint16_t kFirstContentId = 16;
// Placements' depths are counted from above the built-in ones.
constexpr int kFirstContentDepth = 16;

bool hasRichContent(const MovieSpec &spec);
std::vector<std::uint8_t> fileAttributes();
ContentIds defineContent(BitWriter &tags, const MovieSpec &spec);
// frame counts from 1.
void writeFrameContent(BitWriter &tags, const MovieSpec &spec, const ContentIds &ids, int frame);

} // namespace swf::detail
