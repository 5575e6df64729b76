#include "progress.h"

#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace VLMC {

namespace {

int TerminalWidth(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
    return 80;
}

} // namespace

TProgressBar::TProgressBar(std::FILE* out, bool enabled)
    : out(out), enabled(enabled), start(std::chrono::steady_clock::now()) {}

void TProgressBar::Show(int done, int total) {
    if (!enabled || total <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown && done < total && now - lastDraw < std::chrono::milliseconds(100)) return;
    lastDraw = now;
    const double seconds = std::chrono::duration<double>(now - start).count();
    char counts[64];
    std::snprintf(counts, sizeof counts, " %d/%d pictures, %.0f/s", done, total,
                  seconds > 0 ? done / seconds : 0.0);
    const int width = TerminalWidth(out) - static_cast<int>(std::string(counts).size()) - 3;
    std::string bar;
    if (width >= 10) {
        const int filled = static_cast<int>(static_cast<long long>(width) * done / total);
        bar = "[" + std::string(static_cast<size_t>(filled), '#') +
              std::string(static_cast<size_t>(width - filled), '.') + "]";
    }
    // Carriage return and erase to the end of the line: the bar is redrawn over itself.
    std::fprintf(out, "\r%s%s\033[K", bar.c_str(), counts);
    std::fflush(out);
    shown = true;
}

void TProgressBar::Clear() {
    if (!enabled || !shown) return;
    std::fputs("\r\033[K", out);
    std::fflush(out);
    shown = false;
}

void TProgressBar::Finish() {
    Clear();
}

} // namespace VLMC
