#pragma once

#include <optional>

// The answers of `tesk --help` and `tesk --version`, given before any window
// is made, so that they work without a display (the manual page is made
// from them at build time).
class ProgramHelp
{
public:
    // The exit code when the command line asked for help or the version
    // (printed on standard output); nothing when the program is to start.
    static std::optional<int> answer(int argc, const char *const *argv);
};
