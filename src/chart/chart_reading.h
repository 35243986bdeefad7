// Reading values off the charts: the readout next to the pointer, the wheel and
// the keys over the main chart, and the chart picture as a PNG file. The
// platform layer turns its events into these calls and shows what they return;
// the wheel and the keys act only through the navigation's own operations, so
// every limit and refusal of the scroll bar, the combo box and the cursor
// drag holds for them too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ChartArea { None, Main, Zoom };

// Which chart's plot area holds client point (x, y): x 151..749 and y 330..529
// (main) or 50..249 (zoom).
ChartArea chartAreaAt(int x, int y);

// The readout for the pointer at (x, y), in the current language: the date and
// time of the sample the column under it shows and its value on a second line
// (a marker and a gap named as such); with peaks shown, the time span the
// column covers and its lowest and highest reading. Empty outside the plot
// areas and while no recording is shown.
std::string readoutText(int x, int y);

// The wheel turned by notches (positive: away from the user) with the pointer
// at (x, y). Over the main chart each notch is a line step of the scroll bar,
// up scrolling towards the start; with ctrl each notch steps the zoom span to
// the next shorter (up) or longer (down) span the combo box would accept.
// Returns true when the wheel was over the main chart (the event is used).
bool chartWheel(int x, int y, int notches, bool ctrl);

enum class ChartKey { Left, Right, Home, End, PageUp, PageDown };

// A key for the charts: Left/Right move the zoom cursor band a column (ten
// with shift); Home/End scroll to the recording's start/end; Page Up/Down are
// the scroll bar's page steps. Returns false when the key is none of these.
bool chartKey(ChartKey key, bool shift);

// "Save picture as PNG…": asks for a file name and writes the client area, as
// the chart renderer draws it, as a PNG picture beside it, renamed into place
// once complete. A failure shows message 84 with its code; a cancelled dialog
// does nothing.
void commandSavePicture();

// ---- what both window layers do around the charts -----------------------------

struct ChartPoint {
    int x = 0;
    int y = 0;
};

// One wheel event of delta (120 a notch; fine wheels and touch pads give
// parts of one) with the pointer at (x, y): whole notches go to chartWheel,
// the rest waits in pendingDelta for the next event, and is dropped when the
// wheel was not over the main chart. Returns chartWheel's answer.
bool chartWheelTurned(int& pendingDelta, int x, int y, int delta, bool ctrl);

// Where the chart menu opens: at a click its point; from the keyboard where
// the pointer last was over the client area, else the main chart's middle.
ChartPoint chartMenuPoint(bool fromKeyboard, ChartPoint click, bool pointerInside, ChartPoint pointer);

// The readout's look (RGB) and its top-left corner for a box of width x
// height: below right of the pointer, turned back inside the client area at
// its right and bottom edges.
constexpr std::uint32_t kReadoutBackgroundRgb = 0xFFFFE1;
constexpr std::uint32_t kReadoutTextRgb = 0x000000;
ChartPoint readoutOrigin(ChartPoint pointer, int width, int height, int clientWidth, int clientHeight);

enum class ChartCommand { ShowPeaks, CopyValue, SavePicture, LoadReport };

struct ChartMenuItem {
    ChartCommand command;
    const char* name;       // stable name for the window layers and their tests
    std::string text;       // in the current language
    bool separatorBefore = false;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
};

// The chart menu opened at client point (x, y), in order: whether peaks are
// shown (checked as they are), copying the value under the point (only
// where there is one), saving the picture, the load report (only while a
// recording is shown and no transfer is filling the store).
std::vector<ChartMenuItem> chartMenuItems(int x, int y);

// Runs a chart menu item chosen at (x, y) once the menu has closed: peaks
// toggle, the value goes to the clipboard, the picture's file dialog opens
// from the message loop (never inside the menu), and so does the load
// report's dialog.
void runChartCommand(ChartCommand command, int x, int y);

// The first of the dropped file names (UTF-8) that names a recording, or empty.
std::string firstRecordingName(const std::vector<std::string>& names);
