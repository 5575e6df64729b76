// velmora-cli: lists, exports and composes the pictures of the viewer's archives.
#include "clirun.h"

#include <csignal>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int signal) {
    interrupted = signal;
}

// The first SIGINT or SIGTERM lets the pictures under way finish, so that no half-written
// file is left; a second one ends the program at once.
void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[]) {
    CatchInterrupts();
    VLMC::TConsole console;
    console.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    console.interrupted = &interrupted;
    const int status = VLMC::Run({argv + 1, argv + argc}, console);
    if (interrupted) {
        // Ended by the signal, as the caller (a shell loop, say) expects.
        std::signal(interrupted, SIG_DFL);
        std::raise(interrupted);
    }
    return status;
}
