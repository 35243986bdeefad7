// Scripted screen capture and printer for unit tests.
#include "fakes/fake_output.h"

#include "chart/drawing_surface.h"

namespace fake {

namespace {
OutputState gOutput;
// The one printer the fake hands out; its address is all the core sees.
int gPrinterToken = 0;
}  // namespace

OutputState& output() { return gOutput; }
void resetOutput() { gOutput = OutputState{}; }

}  // namespace fake

namespace platform {

bool captureMainWindow(WindowCapture& capture) {
    auto& s = fake::output();
    s.captureCalls++;
    capture = WindowCapture{};
    if (!s.captureSucceeds) return false;
    capture = s.capture;
    return true;
}

bool renderClientAreaPng(std::vector<std::uint8_t>& png) {
    auto& s = fake::output();
    s.pictureCalls++;
    png.clear();
    if (!s.pictureSucceeds) return false;
    png = s.picture;
    return true;
}

int choosePrinter(PrinterHandle& printer) {
    auto& s = fake::output();
    s.chooseCalls++;
    printer = nullptr;
    if (s.chooseResult != 0) return s.chooseResult;
    if (!s.printerCancelled) printer = &fake::gPrinterToken;
    return 0;
}

int startPrintPage(PrinterHandle printer, const char* documentName, int clientWidth, int clientHeight,
                   DrawingSurface*& page) {
    auto& s = fake::output();
    s.clientWidth = clientWidth;
    s.clientHeight = clientHeight;
    page = nullptr;
    if (printer != &fake::gPrinterToken) return kPrintStartFailed;
    s.documentNames.emplace_back(documentName != nullptr ? documentName : "");
    if (s.startPageResult != 0) return s.startPageResult;
    if (s.pageSurface == nullptr) return kPrintStartFailed;
    s.pagesStarted++;
    page = s.pageSurface;
    return 0;
}

int endPrintPage(PrinterHandle printer) {
    auto& s = fake::output();
    if (printer != &fake::gPrinterToken) return kPrintEndFailed;
    s.pagesEnded++;
    return s.endPageResult;
}

void releasePrinter(PrinterHandle printer) {
    if (printer != nullptr) fake::output().printersReleased++;
}

}  // namespace platform
