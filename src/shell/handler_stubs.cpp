// Temporary stand-ins for handlers whose modules have not landed yet. Each module
// removes its lines here when it provides the real handler.
#include "shell/handlers.h"

void createDrawingObjects() {}
void deleteDrawingObjects() {}
void paintCharts(DrawingSurface&) {}
void resetView() {}
void scrollMainChart(int, std::uint32_t) {}
void chartMouseMove(int, int) {}
void chartMouseDown(int, int) {}
void chartMouseUp(int, int) {}
void spanComboNotification(int) {}
void startTransfer() {}
void pumpCommands() {}
void trackProgress() {}
void endProgressDisplay() {}
void commandPrinter() {}
void openConfiguredPort() {}
void selectPort(int) {}
void autoConnect() {}
