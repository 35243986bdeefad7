#include "shell/command_line.h"

#include <cstring>

#ifndef VANTREL_VERSION
#define VANTREL_VERSION "unknown"
#endif

StartArguments parseStartArguments(int argc, char** argv, bool slashHelp) {
    StartArguments args;
    bool help = false;
    bool version = false;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (a == nullptr || a[0] == '\0') continue;
        if (options) {
            if (std::strcmp(a, "--") == 0) {
                options = false;
                continue;
            }
            if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0 ||
                (slashHelp && std::strcmp(a, "/?") == 0)) {
                help = true;
                continue;
            }
            if (std::strcmp(a, "--version") == 0) {
                version = true;
                continue;
            }
            if (std::strcmp(a, "--user-folder") == 0) {
                args.userFolder = true;
                continue;
            }
            if (a[0] == '-') continue;
        }
        if (args.recording.empty()) args.recording = a;
    }
    args.request = help ? StartRequest::Help : version ? StartRequest::Version : StartRequest::Run;
    return args;
}

const char* programVersion() { return VANTREL_VERSION; }

std::string versionText() { return std::string("VantrelDAQ ") + programVersion(); }

std::string usageText(const std::string& userFolder, bool slashHelp) {
    return "Usage: vantreldaq [--user-folder] [[--] FILE.udd]\n"
           "\n"
           "Opens the window; with FILE.udd, opens that recording in it.\n"
           "\n"
           "  --user-folder   keep the settings in " + userFolder + "\n"
           "                  instead of the current folder\n"
           "  --              every argument after it is a file name\n"
           "  --help, -h      show this text and end" + std::string(slashHelp ? " (/? too)" : "") + "\n" +
           "  --version       show the version and end\n";
}
