// The Windows side of one program per user (shell/single_instance.h): a named
// mutex in the session marks the first program, and a later start sends its
// message to that program's main window with WM_COPYDATA.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// Claims "Local\VantrelDAQ-<user>" for this program, for the rest of its life.
// When another program holds it already, sends message to that program's main
// window and returns true once it was taken: this start then ends. False when
// this is the first program, or when the first shows no window or does not
// answer within kHandOverWaitMs (hung, ending): this start then runs on its
// own, and later starts reach whichever main window they find first.
bool handOverToFirstProgram(const std::string& message);

// The main window's WM_COPYDATA: true when data is a whole message of a later
// start, which is then taken (the window's answer to the sender).
bool takeCopyData(const COPYDATASTRUCT* data);

}  // namespace platform::win32
