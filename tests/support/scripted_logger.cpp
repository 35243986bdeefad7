#include "support/scripted_logger.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/link.h"
#include "device/protocol.h"
#include "device/transfer.h"

namespace test {

namespace {

LoggerScript gScript;
LoggerRecord gRecord;
std::uint32_t gCountBytes = 0;  // count being received from the program

int scriptedOpen(std::uint16_t port, int baud) {
    EXPECT_EQ(baud, 57600);
    EXPECT_EQ(gRecord.openPort, 0) << "a second link opened while COM" << gRecord.openPort << " is open";
    gRecord.opens.push_back(port);
    if (gScript.presentPorts.count(port) == 0) return 0;
    gRecord.openPort = port;
    return 1;
}

void scriptedClose() {
    gRecord.closes++;
    gRecord.openPort = 0;
}

void stream(std::uint32_t confirmed) {
    const std::int64_t n = gScript.sendCount < 0 ? confirmed : gScript.sendCount;
    const std::uint8_t damaged[] = {0x51, 0xA1, 0xF3, 0x0D};  // checksum off by one
    for (std::int64_t i = 0; i < n; ++i) {
        if (gScript.noiseAt.count(i) != 0) dispatchReceived(damaged, 4);
        if (gScript.damagedAt.count(i) != 0) {
            dispatchReceived(damaged, 4);
        } else {
            loggerSends(static_cast<std::uint16_t>((i * 7) % 150));
        }
    }
    if (gScript.abortAfterStream) loggerSends(CodeAbort);
}

void scriptedSend(std::uint16_t code) {
    gRecord.sent.push_back(code);
    // Frames put in while no port is open never leave; nor does a port without
    // the logger answer.
    if (gRecord.openPort == 0 || gRecord.openPort != gScript.loggerPort) return;

    if (code == CodePing) {
        if (!gScript.answers) return;
        loggerSends(CodeAnswer);
        if (gScript.sampleTime >= 0) loggerSends(static_cast<std::uint16_t>(CodeSampleTime + gScript.sampleTime));
    } else if (code >= CodeCountLow && code < CodeCountMid) {
        gCountBytes = (gCountBytes & 0xFFFF00u) | (code - CodeCountLow);
    } else if (code >= CodeCountMid && code < CodeCountHigh) {
        gCountBytes = (gCountBytes & 0xFF00FFu) | ((code - CodeCountMid) << 8);
    } else if (code >= CodeCountHigh && code < CodeSampleTime) {
        gCountBytes = (gCountBytes & 0x00FFFFu) | ((code - CodeCountHigh) << 16);
        gRecord.requested = gCountBytes;
        if (!gScript.confirms) return;
        const auto c = static_cast<std::uint32_t>(gScript.confirmCount < 0 ? gCountBytes : gScript.confirmCount);
        loggerSends(static_cast<std::uint16_t>(CodeCountLow + (c & 0xFF)));
        loggerSends(static_cast<std::uint16_t>(CodeCountMid + ((c >> 8) & 0xFF)));
        loggerSends(static_cast<std::uint16_t>(CodeCountHigh + ((c >> 16) & 0xFF)));
    } else if (code == CodeStart) {
        stream(static_cast<std::uint32_t>(gScript.confirmCount < 0 ? gRecord.requested : gScript.confirmCount));
    }
}

}  // namespace

LoggerScript& loggerScript() { return gScript; }
LoggerRecord& loggerRecord() { return gRecord; }

void installScriptedLogger() {
    gScript = LoggerScript{};
    gRecord = LoggerRecord{};
    gCountBytes = 0;
    gLinkCalls = LinkCalls{&scriptedOpen, &scriptedClose, &scriptedSend};
}

void removeScriptedLogger() { gLinkCalls = LinkCalls{&openLink, &closeLink, &sendCode}; }

void loggerSends(std::uint16_t code) {
    std::uint8_t frame[6];
    const int n = encodeLoggerFrame(code, frame);
    dispatchReceived(frame, n);
}

int timesSent(std::uint16_t code) {
    return static_cast<int>(std::count(gRecord.sent.begin(), gRecord.sent.end(), code));
}

}  // namespace test
