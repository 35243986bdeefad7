// Scripted fakes of the screen capture and the printer, for unit tests of the
// screen dump and the printout.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/printer.h"
#include "platform/screen.h"

class DrawingSurface;

namespace fake {

struct OutputState {
    // Screen capture: what captureMainWindow hands out, or false.
    bool captureSucceeds = true;
    platform::WindowCapture capture;
    int captureCalls = 0;

    // Client area picture: the bytes renderClientAreaPng hands out, or false.
    bool pictureSucceeds = true;
    std::vector<std::uint8_t> picture = {0x89, 'P', 'N', 'G'};
    int pictureCalls = 0;

    // Printer: choosePrinter answers chooseResult and, when it is 0, a printer
    // unless printerCancelled. startPageResult / endPageResult are the codes of
    // the page's start and end. pageSurface (set by the test) receives the page.
    int chooseResult = 0;
    bool printerCancelled = false;
    int startPageResult = 0;
    int endPageResult = 0;
    DrawingSurface* pageSurface = nullptr;
    int chooseCalls = 0;
    int pagesStarted = 0;
    int pagesEnded = 0;
    int printersReleased = 0;
    std::vector<std::string> documentNames;
    int clientWidth = 0;   // the mapping asked for by the last startPrintPage
    int clientHeight = 0;
};

OutputState& output();
void resetOutput();

}  // namespace fake
