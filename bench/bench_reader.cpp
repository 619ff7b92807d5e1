// Stands in for the content tree's PDF reader: writes the time it started at
// into "<manual>.started" and ends.
#include "benchclock.h"

#include <string>

int main(int argc, char **argv)
{
    const std::int64_t started = wallNanoseconds();
    if (argc < 2)
        return 1;
    FILE *file = std::fopen((std::string(argv[1]) + ".started").c_str(), "w");
    if (!file)
        return 1;
    std::fprintf(file, "%lld\n", static_cast<long long>(started));
    std::fclose(file);
    return 0;
}
