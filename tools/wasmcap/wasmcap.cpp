// wasmcap: gives a WebAssembly module's own memory a maximum size.
//   wasmcap IN.wasm OUT.wasm MAX_MIB
//
// The Flash engine keeps everything a movie makes (its strings, bitmaps,
// sounds) in the module's one linear memory, which has no maximum: a movie
// whose script keeps doubling a string takes the whole machine before the
// engine gives up. With a maximum, the growth that would pass it fails inside
// the engine, which then stops, and the players' host replaces the engine
// without that movie. Only the memory section changes; every other byte is
// copied as it is.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool readLeb(const Bytes &in, std::size_t *at, std::uint64_t *value)
{
    *value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (*at >= in.size())
            return false;
        const std::uint8_t byte = in[(*at)++];
        *value |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

void writeLeb(Bytes *out, std::uint64_t value)
{
    do {
        std::uint8_t byte = value & 0x7f;
        value >>= 7;
        if (value)
            byte |= 0x80;
        out->push_back(byte);
    } while (value);
}

int fail(const char *message)
{
    std::fprintf(stderr, "wasmcap: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        return fail("usage: wasmcap IN.wasm OUT.wasm MAX_MIB");
    const std::uint64_t maxPages = std::strtoull(argv[3], nullptr, 10) * 16; // 64 KiB pages
    std::ifstream file(argv[1], std::ios::binary);
    const Bytes in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    static const std::uint8_t magic[] = {0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00};
    if (in.size() < 8 || !std::equal(magic, magic + 8, in.begin()))
        return fail("not a WebAssembly module");
    if (maxPages == 0)
        return fail("the maximum must be at least 1 MiB");

    Bytes out(in.begin(), in.begin() + 8);
    bool capped = false;
    std::size_t at = 8;
    while (at < in.size()) {
        const std::uint8_t id = in[at++];
        std::uint64_t size = 0;
        if (!readLeb(in, &at, &size) || size > in.size() - at)
            return fail("truncated section");
        const std::size_t end = at + size;
        if (id != 5) {
            out.push_back(id);
            writeLeb(&out, size);
            out.insert(out.end(), in.begin() + at, in.begin() + end);
            at = end;
            continue;
        }
        std::uint64_t count = 0, minimum = 0, maximum = 0;
        if (!readLeb(in, &at, &count) || count != 1 || at >= end)
            return fail("expected one memory");
        const std::uint8_t flags = in[at++];
        if (flags & ~0x01u)
            return fail("shared or 64-bit memory: not capped");
        if (!readLeb(in, &at, &minimum) || ((flags & 1) && !readLeb(in, &at, &maximum)) || at != end)
            return fail("bad memory limits");
        if (!(flags & 1) || maximum > maxPages)
            maximum = maxPages;
        if (minimum > maximum)
            return fail("the module needs more than the maximum to start");
        Bytes body;
        writeLeb(&body, 1);
        body.push_back(0x01);
        writeLeb(&body, minimum);
        writeLeb(&body, maximum);
        out.push_back(id);
        writeLeb(&out, body.size());
        out.insert(out.end(), body.begin(), body.end());
        capped = true;
    }
    if (!capped)
        return fail("the module defines no memory of its own");
    std::ofstream written(argv[2], std::ios::binary | std::ios::trunc);
    written.write(reinterpret_cast<const char *>(out.data()), static_cast<std::streamsize>(out.size()));
    return written.flush() ? 0 : fail("cannot write the output");
}
