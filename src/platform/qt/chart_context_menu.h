// The Qt side of reading the charts: the readout beside the pointer, wheel and
// keys, the context menu (right button and the Menu key), dropped recording
// files, and the client area as a PNG picture. Only events, the menu and
// drawing live here; what they mean is decided in chart/chart_reading.h,
// chart/envelope.h and shell/outside_files.h.
#pragma once

#include <QPoint>

class QMenu;
class QWidget;

// Watches the main window (dropped files) and its client area (pointer, wheel,
// keys, context menu). Called once when the window is made.
void installChartReading(QWidget* window, QWidget* client);

// The context menu for client point pos, in the current language: "Show peaks"
// (checkable), "Copy value" (enabled where a readout shows), "Save picture as
// PNG…". The caller owns the menu and shows it.
QMenu* buildChartContextMenu(QWidget* parent, QPoint pos);
