// The command table of vantreldaq-cli and its overall help.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"

namespace cli {

namespace {

const char kVersion[] = "1.2";

const char kHelp[] =
    "Usage: vantreldaq-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "The recording work of VantrelDAQ from a shell, for scripts and unattended use.\n"
    "\n"
    "Commands:\n"
    "  ports                          which device each of COM1..COM8 means\n"
    "  fetch --port N --span SPAN [-o FILE.udd]\n"
    "                                 fetch the most recent SPAN from the logger\n"
    "  info FILE.udd                  sample time, span, records, times, value statistics\n"
    "  export FILE.udd [-o FILE.csv] [--from I] [--to J] [--step S] [--lang en|de]\n"
    "                                 the window's CSV export, to a file or stdout\n"
    "  report FILE.udd [--threshold P]... [--demand MIN] [--rated-kw X] [--json]\n"
    "                  [--html OUT.html]\n"
    "                                 load report: peak, percentiles, time above\n"
    "                                 thresholds, demand per interval, days, energy;\n"
    "                                 --html also writes the report page as HTML\n"
    "  settime FILE.udd (--start|--end) \"YYYY-MM-DD HH:MM:SS\" [-o OUT.udd]\n"
    "                                 restamp a recording from its true start or end\n"
    "\n"
    "  vantreldaq-cli COMMAND --help  the command's options\n"
    "  vantreldaq-cli --version\n"
    "\n"
    "Exit codes: 0 success; 1 bad arguments, a refused file or time; 2 a port,\n"
    "logger or disc failure (or no samples received); 3 fetch wrote a recording\n"
    "with fewer samples than the logger confirmed; 130 interrupted (Ctrl+C).\n";

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

constexpr Command kCommands[] = {
    {"ports", &commandPorts},
    {"fetch", &commandFetch},
    {"info", &commandInfo},
    {"export", &commandExport},
    {"settime", &commandSetTime},
    {"report", &commandReport},
};

}  // namespace

int run(int argc, char** argv) {
    if (argc < 2) {
        emit(stderr, kHelp);
        return ExitUser;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        emit(stdout, kHelp);
        return ExitOk;
    }
    if (first == "--version") {
        say("vantreldaq-cli %s\n", kVersion);
        return ExitOk;
    }
    // "help fetch" is "fetch --help".
    if (first == "help") {
        if (argc < 3) {
            emit(stdout, kHelp);
            return ExitOk;
        }
        for (const Command& c : kCommands) {
            if (std::strcmp(argv[2], c.name) == 0) {
                char helpArg[] = "--help";
                char* helpArgv[] = {argv[2], helpArg, nullptr};
                return c.run(2, helpArgv);
            }
        }
        complain("no command \"%s\" (see vantreldaq-cli --help)", argv[2]);
        return ExitUser;
    }
    for (const Command& c : kCommands)
        if (first == c.name) return c.run(argc - 1, argv + 1);
    complain("no command \"%s\" (see vantreldaq-cli --help)", first.c_str());
    return ExitUser;
}

}  // namespace cli
