#include "ProgramHelp.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char *Help =
    "Usage: tesk [--simulate] [dbg] [FILE.lst]\n"
    "\n"
    "TESK Meter View downloads the readings stored in a portable radiation survey meter on a\n"
    "serial line, collects readings live at an interval with warning and alarm thresholds,\n"
    "keeps them in a working list, saves them as text files and spreadsheet workbooks, and\n"
    "draws them as a graph.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help.\n"
    "  --version      Show the program's version.\n"
    "  --simulate     Attach every port to the built-in simulated meter for this run.\n"
    "  dbg            Show the Dbg button, which opens the communication trace.\n"
    "\n"
    "Arguments:\n"
    "  FILE.lst       Open a saved list in a viewer window, read only.\n"
    "\n"
    "Environment:\n"
    "  TESK_HOME        The program folder (default: ~/Documents/TESK Meter View): the\n"
    "                   working list TeskTemp.lst, saved lists and workbooks, the workbook\n"
    "                   template MyTemp.xlsx and the alarm sound Notify.wav.\n"
    "  XDG_CONFIG_HOME  The folder of the settings file Tesk.ini (default: ~/.config).\n"
    "\n"
    "See also tesk-cli(1) for the same work from scripts, and tesk-meter-sim(1).\n";

} // namespace

std::optional<int> ProgramHelp::answer(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("tesk (TESK Meter View) " TESK_VERSION "\n", stdout);
            return 0;
        }
    }
    return std::nullopt;
}
