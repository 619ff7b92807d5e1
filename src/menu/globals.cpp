#include "globals.h"

TFRMmain *FRMmain = nullptr;
std::array<std::int32_t, 10> vetor{};
QString manualCommandLine;

void clearFirstCounters()
{
    for (std::size_t i = 0; i < kClearedCounters; ++i)
        vetor[i] = 0;
}

void limpavetor(int n)
{
    for (int i = 1; i <= static_cast<int>(vetor.size()); ++i) {
        if (i != n)
            vetor[static_cast<std::size_t>(i - 1)] = 0;
    }
}
