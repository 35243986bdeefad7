// vantreldaq-cli: entry point. The dates of the CSV export follow the user's
// locale, as the window's do; the program's own numbers never do.
#include <clocale>
#include <csignal>

#include "cli.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // A closed pipe on stdout is an I/O error to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    return cli::run(argc, argv);
}
