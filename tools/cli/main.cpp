// vantreldaq-cli: entry point. The dates of the CSV export follow the user's
// locale, as the window's do; the program's own numbers never do.
#include <clocale>
#include <csignal>

#include "cli.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // Writes to a closed pipe fail with EPIPE instead of killing the program,
    // so each command decides: a reader that stopped early (`| head`) ends the
    // output quietly, a file that cannot be written is reported.
    std::signal(SIGPIPE, SIG_IGN);
    return cli::run(argc, argv);
}
