#pragma once

// Frame marks: a written movie, given an fscommand on chosen frames of its
// main timeline, tells whoever plays it when the timeline reaches each of
// them; the menu and a browser hear the same marks from the same bytes.
// Each mark sends command with the frame's number (from 1) as arguments,
// as that frame's actions run.

#include <cstdint>
#include <string>
#include <vector>

namespace testing {

// Empty when the bytes are not an uncompressed SWF whose tags can be read.
std::vector<std::uint8_t> markFrames(const std::vector<std::uint8_t> &movie, const std::vector<int> &frames,
                                     const std::string &command);

} // namespace testing
