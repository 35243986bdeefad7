// vantreldaq-cli: entry point. The dates of the CSV export follow the user's
// locale, as the window's do; the program's own numbers never do.
#include <clocale>
#include <string>
#include <vector>

#include "cli.h"
#include "cli_os.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // Writes to a closed pipe fail with EPIPE instead of killing the program,
    // so each command decides: a reader that stopped early (`| head`) ends the
    // output quietly, a file that cannot be written is reported.
    cli::os::prepareStreams();
    std::vector<std::string> args = cli::os::arguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (std::string& a : args) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    return cli::run(argc, utf8Argv.data());
}
