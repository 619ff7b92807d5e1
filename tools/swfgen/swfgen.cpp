// swfgen: writes one SWF movie.
//   swfgen OUT.swf WIDTH HEIGHT LABEL BG FG [--button CMD ARGS] [--on-load CMD ARGS] [--still]
// Colours are RRGGBB.
#include "swfwriter.h"

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
                         "[--on-load CMD ARGS] [--still]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
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
    if (!swf::writeMovieFile(spec, argv[1])) {
        std::fprintf(stderr, "swfgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
