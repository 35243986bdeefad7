// Qt-side access to the main window for the other Qt pieces of the platform
// layer (dialogs, progress window, printing, screen capture).
#pragma once

class QWidget;

// The main window, or nullptr before it exists / after it is destroyed.
QWidget* qtMainWindow();
// The main window's client area (800 px wide, the charts' coordinates), or
// nullptr when there is no main window.
QWidget* qtClientArea();

// Holds the main window's timers and posted commands (true) or lets them run
// again (false; commands posted meanwhile then run in order).
void qtHoldProgramEvents(bool hold);

// Lets a menu that has just closed leave the screen before a capture: for
// about `ms` milliseconds only the window system's own events (expose, paint)
// are handled; no input, no timer and no posted command of ours runs.
void qtLetTheScreenSettle(int ms);
