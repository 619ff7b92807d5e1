// swfgen: writes one SWF movie.
//   swfgen OUT.swf WIDTH HEIGHT LABEL BG FG [--button CMD ARGS] [--on-load CMD ARGS] [--still]
//   swfgen --kind KIND OUT.swf WIDTH HEIGHT   (one of the movies swfwriter.h lists)
//   swfgen --kinds                            (their names, one a line)
// Colours are RRGGBB.
#include "swfwriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool parseColour(const char *text, swf::Colour *colour)
{
    char *end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (!end || *end || std::string(text).size() != 6)
        return false;
    colour->r = static_cast<std::uint8_t>(value >> 16);
    colour->g = static_cast<std::uint8_t>(value >> 8);
    colour->b = static_cast<std::uint8_t>(value);
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: swfgen OUT.swf WIDTH HEIGHT LABEL BG FG [--button CMD ARGS] "
                         "[--on-load CMD ARGS] [--still]\n"
                         "       swfgen --kind KIND OUT.swf WIDTH HEIGHT\n"
                         "       swfgen --kinds\n");
    return 2;
}

bool knownKind(const std::string &kind)
{
    const std::vector<std::string> kinds = swf::realisticKinds();
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

int write(const swf::MovieSpec &spec, const char *path)
{
    if (!swf::writeMovieFile(spec, path)) {
        std::fprintf(stderr, "swfgen: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::string(argv[1]) == "--kinds") {
        for (const std::string &kind : swf::realisticKinds())
            std::printf("%s\n", kind.c_str());
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "--kind") {
        if (argc != 6)
            return usage();
        const int width = std::atoi(argv[4]), height = std::atoi(argv[5]);
        if (!knownKind(argv[2])) {
            std::fprintf(stderr, "swfgen: no movie of kind %s\n", argv[2]);
            return 2;
        }
        if (width <= 0 || height <= 0)
            return usage();
        return write(swf::realisticMovie(argv[2], width, height), argv[3]);
    }
    if (argc < 7)
        return usage();
    swf::MovieSpec spec;
    spec.width = std::atoi(argv[2]);
    spec.height = std::atoi(argv[3]);
    spec.label = argv[4];
    if (spec.width <= 0 || spec.height <= 0 || !parseColour(argv[5], &spec.background)
        || !parseColour(argv[6], &spec.foreground))
        return usage();
    for (int i = 7; i < argc; ++i) {
        const std::string option = argv[i];
        if ((option == "--button" || option == "--on-load") && i + 2 < argc) {
            swf::Command command{argv[i + 1], argv[i + 2]};
            if (option == "--button") {
                spec.buttonSendsCommand = true;
                spec.buttonCommand = command;
            } else {
                spec.loadSendsCommand = true;
                spec.loadCommand = command;
            }
            i += 2;
        } else if (option == "--still") {
            spec.moving = false;
        } else {
            return usage();
        }
    }
    return write(spec, argv[1]);
}
