#include "chart/screen_dump.h"

#include <cstdlib>

#include "platform/window.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/file_places.h"

namespace {

constexpr MessageId kMsgNoData = 45;
constexpr MessageId kCaptionScreenDump = 48;
constexpr MessageId kMsgNoMemory = 70;
constexpr MessageId kMsgNoColourFormat = 71;
constexpr MessageId kMsgNoColourTable = 72;
constexpr MessageId kMsgCloseFailed = 73;
constexpr MessageId kMsgCreateFailed = 74;
constexpr MessageId kMsgWriteFailed = 87;

void report(MessageId text, long code = 0) { showMessage(text, kCaptionScreenDump, code); }

bool writeAll(std::FILE* file, const void* data, std::size_t bytes) {
    return std::fwrite(data, 1, bytes, file) == bytes;
}

}  // namespace

int openBitmapTarget(const std::string& path, BitmapTarget& target) {
    return replaceFileOpen(target, path, ".~");
}

int chooseBitmapFile(BitmapTarget& target) {
    target = BitmapTarget{};
    std::string path = fileDialogStart(FileKind::Picture, "bmp");
    if (!platform::saveFileDialog("Bitmap File (*.bmp)", "bmp", path)) return 0;
    rememberFileFolder(FileKind::Picture, path);
    return openBitmapTarget(path, target);
}

void writeBitmapToTarget(BitmapTarget& target, BitmapHeaderBlock& block, const platform::WindowCapture& capture) {
    std::uint32_t imageSize = bitmapHeaderImageSize(block);
    auto* pixels = static_cast<std::uint8_t*>(std::malloc(imageSize));
    if (pixels == nullptr) {
        report(kMsgNoMemory);
        replaceFileDiscard(target);
        return;
    }
    if (readBitmapBits(capture.pixels.data(), capture.pixels.size(), block, pixels) == 0) {
        report(kMsgNoColourTable);
        replaceFileDiscard(target);
        std::free(pixels);
        return;
    }

    std::uint8_t fileHeader[kBitmapFileHeaderBytes];
    makeBitmapFileHeader(block, fileHeader);
    std::size_t headerBytes = bitmapHeaderSize(block) + 4 * std::size_t{bitmapHeaderColoursUsed(block)};
    // The information header and its table are written from the block; the
    // block must hold them.
    if (headerBytes > block.size) {
        report(kMsgNoColourTable);
        replaceFileDiscard(target);
        std::free(pixels);
        return;
    }

    // Stop at the first failed write: what follows could only make a broken file.
    // The flush belongs to the writes, so a full disk shows here and not as a
    // failed close.
    bool written = writeAll(target.file, fileHeader, sizeof fileHeader) &&
                   writeAll(target.file, block.bytes, headerBytes) && writeAll(target.file, pixels, imageSize) &&
                   std::fflush(target.file) == 0;
    std::free(pixels);
    if (!written) {
        report(kMsgWriteFailed);
        replaceFileDiscard(target);
        return;
    }
    if (replaceFileFinish(target) != 0) {
        report(kMsgCloseFailed);
        replaceFileDiscard(target);
        return;
    }
    if (const int e = replaceFileInstall(target); e != 0) {
        report(kMsgCreateFailed, e);
        replaceFileDiscard(target);
    }
}

void writeBitmapFile(BitmapHeaderBlock& block, const platform::WindowCapture& capture) {
    BitmapTarget target;
    int e = chooseBitmapFile(target);
    if (e != 0) {
        report(kMsgCreateFailed, e);
        return;
    }
    if (target.file == nullptr) return;  // cancelled
    writeBitmapToTarget(target, block, capture);
}

void dumpScreen() {
    platform::WindowCapture capture;
    if (!platform::captureMainWindow(capture)) {
        report(kMsgNoColourFormat);
        return;
    }
    BitmapDescription bitmap{capture.width, capture.height, capture.planes, capture.bitsPerPixel};
    BitmapHeaderBlock block;
    switch (buildBitmapHeader(bitmap, block)) {
    case BitmapHeaderResult::Ok:
        break;
    case BitmapHeaderResult::BadDescription:
        report(kMsgNoColourFormat);
        return;
    case BitmapHeaderResult::NoMemory:
        report(kMsgNoMemory);
        return;
    }
    writeBitmapFile(block, capture);
    releaseBitmapHeader(block);
}

void commandScreenDump() {
    if (gApp.dataPresent == 0) {
        showMessage(kMsgNoData, kCaptionScreenDump, 0);
        return;
    }
    dumpScreen();
}
