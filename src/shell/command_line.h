// The window program's command line, read the same way by the Qt and the
// Win32 entry: a recording to open, the per-user folder flag, and the two
// requests that end the program before any window (help and version).
#pragma once

#include <string>

enum class StartRequest { Run, Help, Version };

struct StartArguments {
    StartRequest request = StartRequest::Run;
    bool userFolder = false;  // "--user-folder"
    std::string recording;    // as given; empty when none
};

// Reads argv (argv[0] is the program). Before "--": "--help" and "-h" (and
// "/?" where slashHelp, as Windows programs take it) ask for the usage,
// "--version" for the version, help winning over version; other options are
// left to the toolkit. The recording is the first argument that is not an
// option (after "--", any argument).
StartArguments parseStartArguments(int argc, char** argv, bool slashHelp);

// The program's version as the build sets it ("1.2").
const char* programVersion();

// "VantrelDAQ 1.2".
std::string versionText();

// The usage text, lines ending in '\n'; userFolder is where --user-folder
// keeps the settings on this platform; slashHelp as above.
std::string usageText(const std::string& userFolder, bool slashHelp);
