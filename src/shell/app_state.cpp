#include "shell/app_state.h"

#include "chart/envelope.h"
#include "recording/store.h"

Settings gSettings{};
AppState gApp;

void resetGlobalStateForTests() {
    gApp.deviceAnswered.close();
    gApp.countConfirmed.close();
    gSettings = Settings{};
    gApp.mainWindow = nullptr;
    for (char& c : gApp.windowTitle) c = 0;
    for (char& c : gApp.windowClassName) c = 0;
    gApp.spanChoice = 0;
    for (char& c : gApp.rxLine) c = 0;
    gApp.rxLineLength = 0;
    gApp.receivedCount = 0;
    gApp.expectedCount = 0;
    gApp.countAccumulator = 0;
    gApp.commandQueue = {};
    gApp.cmdHead = 0;
    gApp.cmdTail = 0;
    gApp.retryOnNoAnswer = 1;
    gApp.countSent = 0;
    gApp.receiving = 0;
    gApp.progressDivisor = 0;
    gApp.progressWindow = nullptr;
    gApp.transferOpen = 0;
    gApp.transferSpanIndex = 0;
    gApp.loggerSampleTime = 0;
    gApp.acceptingSamples = false;
    gApp.startCodeWritten = false;
    gApp.loggerEndedEarly = false;
    gApp.strayCount = 0;
    gApp.damagedLines = 0;
    gApp.damagedInStream = 0;
    gApp.bytesReceived = 0;
    gApp.transferSampleTime = 0;
    gApp.confirmedCount = 0;
    gApp.progressSeen = 0;
    gApp.progressDetailMs = 0;
    gApp.lastArrivalMs = 0;
    gApp.confirmTime = {};
    gApp.streamLeftOpen = 0;
    gApp.strayAtLastEnd = 0;
    gApp.lastTransferEnd = 0;
    gApp.sampleTimeAttempts = 0;
    gApp.unsavedWork = 0;
    gApp.linkPort = 0;
    gApp.modalDepth = 0;
    gApp.quitAgreed = 0;
    gApp.timeEntry = {};
    gApp.dataPresent = 0;
    gApp.samplesPerPixel = 0;
    gApp.mainStart = 0;
    gApp.zoomStart = 0;
    gApp.zoomOffset = 0;
    gApp.cursorX = 0;
    gApp.dragAnchorX = 0;
    gApp.dragCursorX = 0;
    gApp.dragging = false;
    gApp.savedSpanSelection = 0;
    gApp.scrollMax = 0;
    gApp.scrollPage = 0;
    gApp.scrollPos = 0;
    gApp.mainLast = 0;
    gApp.zoomLast = 0;
    resetRecordingForTests();
    restorePeaksShown(false);
    invalidateEnvelope();
}
