// Recordings named from outside the window: on the command line
// ("vantreldaq FILE.udd", as a file manager starts it) or dropped onto the
// window. Both go through the Open command's own checks and messages
// (openRecordingPath in shell/handlers.h), so a refused file is told as File >
// Open tells it and leaves the program running.
#pragma once

#include <string>

// The recording the command line names: the first argument that is not an
// option ("-..."; after "--" every argument is a file), or nullptr.
const char* recordingArgument(int argc, char** argv);

// Whether a dropped file is one to open: a name ending in ".udd", any case.
bool isRecordingFileName(const std::string& path);

// Opens path once control is back in the message loop, with the window up
// and no dialog or menu of ours open. A later call before that replaces the
// earlier path.
void openRecordingLater(const std::string& path);
// Opens the path openRecordingLater keeps, when there is one and nothing of
// ours is modal; the posted task and every tick of the progress timer call it.
void openPendingRecording();
