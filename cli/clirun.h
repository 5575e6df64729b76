// velmora-cli's commands: list, export, compose, import, palette, --help, --version.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace VLMC {

struct TConsole {
    std::FILE* out = stdout; // results
    std::FILE* err = stderr; // messages, progress
    bool errIsTerminal = false;
    // Set (to the signal's number) by an interrupt: the export stops after the pictures under
    // way, leaving only whole files.
    const volatile std::sig_atomic_t* interrupted = nullptr;
};

// Runs the command line after the program name; returns the exit status.
int Run(const std::vector<std::string>& args, const TConsole& console);

} // namespace VLMC
