// The parts of the Win32 window program not built yet: printing and the
// screen dump. Each reports that it cannot do its job, so the shell takes its
// failure path (a message, or going on without) and nothing pretends to have
// worked.
#include <cstdint>
#include <vector>

#include "platform/printer.h"
#include "platform/screen.h"

namespace platform {

int choosePrinter(PrinterHandle& printer) {
    printer = nullptr;
    return kPrintNoPrinter;
}
int startPrintPage(PrinterHandle, const char*, int, int, DrawingSurface*& page) {
    page = nullptr;
    return kPrintStartFailed;
}
int endPrintPage(PrinterHandle) { return kPrintEndFailed; }
void releasePrinter(PrinterHandle) {}

bool captureMainWindow(WindowCapture&) { return false; }
bool renderClientAreaPng(std::vector<std::uint8_t>&) { return false; }

}  // namespace platform
