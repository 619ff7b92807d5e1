#pragma once

// State that lives beside the main window for the whole run.

#include <QString>

#include <array>
#include <cstdint>

class TFRMmain;

// The main window; set before its creation handler runs, none when creating
// it failed.
extern TFRMmain *FRMmain;

// Entry counters. Counter n is vetor[n - 1]; counter 1 counts entries into
// the preview since the last activation, the others are only ever cleared.
extern std::array<std::int32_t, 10> vetor;

// The last manual command the activation started: the reader followed by the
// manual, both content paths. Empty until an activation fills it.
extern QString manualCommandLine;

// Clears every entry counter except counter n (1 to 10).
void limpavetor(int n);

// The window's creation and each activation clear the first six counters,
// as the menu always has; the last four are left as they are (nothing ever
// sets them).
inline constexpr std::size_t kClearedCounters = 6;
void clearFirstCounters();
