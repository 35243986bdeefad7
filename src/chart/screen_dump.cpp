#include "chart/screen_dump.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/window.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"

namespace {

constexpr MessageId kMsgNoData = 45;
constexpr MessageId kCaptionScreenDump = 48;
constexpr MessageId kMsgNoMemory = 70;
constexpr MessageId kMsgNoColourFormat = 71;
constexpr MessageId kMsgNoColourTable = 72;
constexpr MessageId kMsgCloseFailed = 73;
constexpr MessageId kMsgCreateFailed = 74;
constexpr MessageId kMsgWriteFailed = 87;

// Attempts at a free temporary name next to the target before giving up.
constexpr int kTempNameAttempts = 100;

void report(MessageId text, long code = 0) { showMessage(text, kCaptionScreenDump, code); }

// Closes and deletes the temporary file; the chosen name is left as it was.
void discardTarget(BitmapTarget& target) {
    if (target.file != nullptr) std::fclose(target.file);
    target.file = nullptr;
    if (!target.tempPath.empty()) std::remove(target.tempPath.c_str());
}

bool writeAll(std::FILE* file, const void* data, std::size_t bytes) {
    return std::fwrite(data, 1, bytes, file) == bytes;
}

}  // namespace

int openBitmapTarget(const std::string& path, BitmapTarget& target) {
    target = BitmapTarget{};
    for (int n = 0; n < kTempNameAttempts; ++n) {
        std::string temp = path + ".~" + std::to_string(n);
        errno = 0;
        // "x": never reuse a file that happens to carry the temporary name.
        std::FILE* file = std::fopen(temp.c_str(), "wbx");
        if (file != nullptr) {
            target.file = file;
            target.path = path;
            target.tempPath = temp;
            return 0;
        }
        if (errno != EEXIST) return errno != 0 ? errno : EIO;
    }
    return EEXIST;
}

int chooseBitmapFile(BitmapTarget& target) {
    target = BitmapTarget{};
    std::string path;
    if (!platform::saveFileDialog("Bitmap File (*.bmp)", "bmp", path)) return 0;
    return openBitmapTarget(path, target);
}

void writeBitmapToTarget(BitmapTarget& target, BitmapHeaderBlock& block, const platform::WindowCapture& capture) {
    std::uint32_t imageSize = bitmapHeaderImageSize(block);
    auto* pixels = static_cast<std::uint8_t*>(std::malloc(imageSize));
    if (pixels == nullptr) {
        report(kMsgNoMemory);
        discardTarget(target);
        return;
    }
    if (readBitmapBits(capture.pixels.data(), capture.pixels.size(), block, pixels) == 0) {
        report(kMsgNoColourTable);
        discardTarget(target);
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
        discardTarget(target);
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
        discardTarget(target);
        return;
    }
    int closed = std::fclose(target.file);
    target.file = nullptr;
    if (closed != 0) {
        report(kMsgCloseFailed);
        discardTarget(target);
        return;
    }
    std::error_code ec;
    std::filesystem::rename(target.tempPath, target.path, ec);
    if (ec) {
        report(kMsgCreateFailed, ec.value());
        discardTarget(target);
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
