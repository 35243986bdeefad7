// Qt-side access to the main window for the other Qt pieces of the platform
// layer (dialogs, progress window, printing, screen capture).
#pragma once

class QWidget;

// The main window, or nullptr before it exists / after it is destroyed.
QWidget* qtMainWindow();
// The main window's client area (800 px wide, the charts' coordinates), or
// nullptr when there is no main window.
QWidget* qtClientArea();
