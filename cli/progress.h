// The progress bar of long exports: one line on stderr, redrawn in place, only on a terminal.
#pragma once

#include <chrono>
#include <cstdio>

namespace VLMC {

class TProgressBar {
public:
    // Draws only when enabled; callers pass whether stderr is a terminal and not --quiet.
    TProgressBar(std::FILE* out, bool enabled);
    // Shows done of total with the rate since the start; redraws at most ten times a second,
    // and always for the last picture.
    void Show(int done, int total);
    // Takes the bar off the line, so that a message can be printed; the next Show redraws it.
    void Clear();
    // Leaves the line clear for what follows.
    void Finish();
    bool Enabled() const { return enabled; }

private:
    std::FILE* out;
    bool enabled;
    bool shown = false;
    std::chrono::steady_clock::time_point start, lastDraw;
};

} // namespace VLMC
