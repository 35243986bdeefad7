// The program's pictures, drawn in code in the 16 standard colours: the window
// icon (32 x 32 and 16 x 16) and the About logo (64 x 64). Each shows the main
// window with its two charts.
#pragma once

class QIcon;
class QImage;

// Icon of the main window and of every dialog.
QIcon programIcon();
// A square picture of the given size (16, 32, 64, ...) in 4-bit colour.
QImage programPicture(int size);
