// The Screen dump command: a picture of the main window, as the screen shows
// it, saved as an uncompressed bitmap file that the user names.
#pragma once

#include <cstdio>
#include <string>

#include "chart/bmp.h"
#include "platform/screen.h"
#include "recording/replace_file.h"

// The file being written: a temporary file beside the chosen name (target),
// renamed onto it only once every byte is written and the file closed, so that
// a failed dump never leaves a half-written or emptied bitmap under the user's
// name.
using BitmapTarget = ReplaceFile;

// Captures the main window and writes it to a file the user chooses; every
// failure is reported here with caption 48 (messages 70 to 74 and 87). When the
// capture gives no usable description of its pixels (message 71) the dump ends
// there: without the sizes no well-formed file can be written.
void dumpScreen();

// The save dialog ("Bitmap File (*.bmp)", default extension "bmp", asking
// before replacing a file) and the creation of the temporary file. Returns 0
// and an open target, 0 and no file when the user cancelled, or the C library's
// error number when no file can be created next to the chosen name.
int chooseBitmapFile(BitmapTarget& target);

// Creates the temporary file beside path. 0 and an open target, or the C
// library's error number.
int openBitmapTarget(const std::string& path, BitmapTarget& target);

// Converts the captured pixels to the header's format and writes them to the
// target's temporary file, which then replaces the chosen file. Reports its own
// failures (70, 72, 73, 74, 87) and leaves the chosen file as it was on any of
// them. The target is closed afterwards.
void writeBitmapToTarget(BitmapTarget& target, BitmapHeaderBlock& block, const platform::WindowCapture& capture);

// The save dialog, then writeBitmapToTarget: the 14-byte file header, the
// information header with its colour table, the rows. Reports its own failures
// (74 when no file can be created); the chosen file appears only when all went
// well, and a cancelled dialog writes and shows nothing.
void writeBitmapFile(BitmapHeaderBlock& block, const platform::WindowCapture& capture);
