#pragma once

// The embedded font: letters drawn on a 5 x 12 pixel grid, as squares of
// kFontUnit font units (a DefineFont2 em is 1024). Rows 0-1 hold the
// accents of capitals, row 2 keeps them off the letter, rows 3-9 hold the
// letters down to the baseline (small letters from row 5, their accents in
// rows 2-3), rows 10-11 the descenders and the cedilla.

#include <array>
#include <string>
#include <vector>

namespace swf::detail {

constexpr int kFontUnit = 85;
constexpr int kFontRows = 12;
constexpr int kFontAscentRows = 10;
constexpr int kFontDescentRows = 2;
constexpr int kFontAdvanceColumns = 6;

struct PixelGlyph
{
    char32_t code = 0;
    std::vector<std::array<int, 4>> blocks; // column, row, columns wide, rows high
};

// Sorted by code.
const std::vector<PixelGlyph> &pixelFont();

std::u32string decodeUtf8(const std::string &text);
std::string encodeUtf8(const std::u32string &text);

} // namespace swf::detail
