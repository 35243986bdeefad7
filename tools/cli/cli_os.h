// What vantreldaq-cli needs of the operating system beyond the platform
// headers: the arguments as UTF-8, the console, Ctrl+C, and whether a folder
// takes new files. cli_os_posix.cpp and cli_os_win32.cpp implement it.
#pragma once

#include <string>
#include <vector>

namespace cli::os {

// Sets up the process's standard streams: a write to a closed pipe fails with
// an error (EPIPE) instead of ending the program, so each command decides; on
// Windows stdout and stderr also pass bytes unchanged (UTF-8, "\n" line ends,
// as the files are) and the console shows UTF-8.
void prepareStreams();

// The command line as UTF-8, argv[0] included.
std::vector<std::string> arguments(int argc, char** argv);

// From catchStopSignals() to releaseStopSignals(), the first Ctrl+C (or
// SIGTERM, or closing the console) only sets stopSignal() to its signal
// number (SIGINT, SIGTERM) and the next one ends the program as usual.
void catchStopSignals();
void releaseStopSignals();
int stopSignal();

// Whether stderr is a terminal (a progress bar may be redrawn in place), and
// its width in columns (0: unknown).
bool stderrIsTerminal();
int terminalColumns();

// What redraws the terminal line the cursor stands on with text: a carriage
// return, the text, and what clears the rest of the line (Linux: the erase
// sequence; a Windows console: blanks up to one column short of width).
std::string redrawnLine(const std::string& text, int width);

// 0 when new files can be made in the folder (UTF-8 name), else an errno code.
int folderWritable(const std::string& folder);

}  // namespace cli::os
