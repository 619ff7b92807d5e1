#include "framemarks.h"

#include <algorithm>

namespace testing {

namespace {

constexpr int kShowFrame = 1;
constexpr int kDoAction = 12;
constexpr std::uint8_t kActionGetUrl = 0x83;

void put16(std::vector<std::uint8_t> &out, std::size_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

void put32(std::vector<std::uint8_t> &out, std::size_t value)
{
    put16(out, value & 0xffff);
    put16(out, (value >> 16) & 0xffff);
}

// fscommand(command, args) is a getURL to "FSCommand:command" with the
// arguments as its target, as Flash itself compiles it.
std::vector<std::uint8_t> markTag(const std::string &command, int frame)
{
    const std::string url = "FSCommand:" + command;
    const std::string target = std::to_string(frame);
    std::vector<std::uint8_t> actions;
    actions.push_back(kActionGetUrl);
    put16(actions, url.size() + 1 + target.size() + 1);
    actions.insert(actions.end(), url.begin(), url.end());
    actions.push_back(0);
    actions.insert(actions.end(), target.begin(), target.end());
    actions.push_back(0);
    actions.push_back(0); // end of the actions
    std::vector<std::uint8_t> tag;
    if (actions.size() < 0x3f) {
        put16(tag, (kDoAction << 6) | actions.size());
    } else {
        put16(tag, (kDoAction << 6) | 0x3f);
        put32(tag, actions.size());
    }
    tag.insert(tag.end(), actions.begin(), actions.end());
    return tag;
}

} // namespace

std::vector<std::uint8_t> markFrames(const std::vector<std::uint8_t> &movie, const std::vector<int> &frames,
                                     const std::string &command)
{
    if (movie.size() < 9 || movie[0] != 'F' || movie[1] != 'W' || movie[2] != 'S')
        return {};
    // The stage rectangle's size in bits, then the rate and frame count.
    const int rectBits = 5 + 4 * (movie[8] >> 3);
    std::size_t at = 8 + static_cast<std::size_t>((rectBits + 7) / 8) + 4;
    std::vector<std::uint8_t> out(movie.begin(),
                                  movie.begin() + static_cast<std::ptrdiff_t>(std::min(at, movie.size())));
    int frame = 1;
    while (at + 2 <= movie.size()) {
        const std::size_t start = at;
        const unsigned header = movie[at] | (movie[at + 1] << 8);
        at += 2;
        const unsigned code = header >> 6;
        std::size_t length = header & 0x3f;
        if (length == 0x3f) {
            if (at + 4 > movie.size())
                return {};
            length = movie[at] | (movie[at + 1] << 8) | (movie[at + 2] << 16) | (std::size_t(movie[at + 3]) << 24);
            at += 4;
        }
        if (at + length > movie.size())
            return {};
        // Last in its frame: the first frame's leading tags (the file's
        // attributes) must stay first.
        if (code == kShowFrame && std::find(frames.begin(), frames.end(), frame) != frames.end()) {
            const std::vector<std::uint8_t> tag = markTag(command, frame);
            out.insert(out.end(), tag.begin(), tag.end());
        }
        at += length;
        out.insert(out.end(), movie.begin() + static_cast<std::ptrdiff_t>(start),
                   movie.begin() + static_cast<std::ptrdiff_t>(at));
        if (code == kShowFrame)
            ++frame;
        if (code == 0)
            break;
    }
    const std::size_t size = out.size();
    for (int i = 0; i < 4; ++i)
        out[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((size >> (8 * i)) & 0xff);
    return out;
}

} // namespace testing
