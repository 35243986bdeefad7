#include "recording/recording_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/window.h"
#include "recording/replace_file.h"
#include "shell/messages.h"
#include "shell/file_places.h"

namespace {

constexpr MessageId kMsgCaption = 15;      // "Vantrel Data Acquisition"
constexpr MessageId kMsgLoadData = 81;     // "Error loading data from file!"
constexpr MessageId kMsgLoadHeader = 82;   // "Error loading header from file!"
constexpr MessageId kMsgSaveData = 85;     // "Error saving data to data file!"
constexpr MessageId kMsgSaveHeader = 86;   // "Error saving header to data file!"
constexpr const char* kFilter = "UDD File (*.udd)";
constexpr const char* kExtension = "udd";

// Bytes of records a file read may bring; tests lower it to stand for a file
// that shrinks or fails while it is read.
std::size_t gRecordReadLimit = static_cast<std::size_t>(-1);

// A failing stdio call normally leaves errno set; never report success by
// accident when it does not.
int lastError() { return errno != 0 ? errno : EIO; }

std::uint16_t getU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t getU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Bytes the records of an acceptable header take in the file.
std::size_t recordBytes(const RecordingHeader& h) { return std::size_t{h.recordCount} * sizeof(SampleRecord); }

// Takes a checked header; the caller has made sure the records are there.
void install(const RecordingHeader& h) {
    storeSampleTime(h.sampleTime);
    gHeader.spanIndex = h.spanIndex;
    gHeader.recordCount = h.recordCount;
    gHeader.reserved = h.reserved;
}

}  // namespace

void encodeHeader(const RecordingHeader& h, std::uint8_t out[kHeaderBytes]) {
    putU16(out, h.sampleTime);
    putU16(out + 2, h.spanIndex);
    putU32(out + 4, h.recordCount);
    std::memcpy(out + 8, h.reserved.data(), h.reserved.size());
}

RecordingHeader decodeHeader(const std::uint8_t in[kHeaderBytes]) {
    RecordingHeader h{};
    h.sampleTime = getU16(in);
    h.spanIndex = getU16(in + 2);
    h.recordCount = getU32(in + 4);
    std::memcpy(h.reserved.data(), in + 8, h.reserved.size());
    return h;
}

bool headerAcceptable(const RecordingHeader& h) {
    return h.recordCount >= 1 && h.recordCount <= kStoreCapacity && h.sampleTime >= 1;
}

LoadStatus loadRecordingBytes(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderBytes) return LoadStatus::BadHeader;
    const RecordingHeader h = decodeHeader(data);
    if (!headerAcceptable(h)) return LoadStatus::BadHeader;
    if (size - kHeaderBytes < recordBytes(h)) return LoadStatus::ShortRecords;
    std::memcpy(static_cast<void*>(gStore), data + kHeaderBytes, recordBytes(h));
    install(h);
    return LoadStatus::Loaded;
}

LoadStatus readRecordingFile(const char* path, int& errorCode) {
    errorCode = 0;
    errno = 0;
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) {
        errorCode = lastError();
        return LoadStatus::OpenFailed;
    }
    LoadStatus status = LoadStatus::Loaded;
    std::uint8_t raw[kHeaderBytes];
    RecordingHeader h{};
    long fileSize = -1;
    if (std::fread(raw, 1, kHeaderBytes, f) != kHeaderBytes) {
        status = LoadStatus::BadHeader;
    } else if (h = decodeHeader(raw); !headerAcceptable(h)) {
        status = LoadStatus::BadHeader;
    } else if (std::fseek(f, 0, SEEK_END) != 0 || (fileSize = std::ftell(f)) < 0 ||
               std::fseek(f, static_cast<long>(kHeaderBytes), SEEK_SET) != 0) {
        errorCode = lastError();
        status = LoadStatus::OpenFailed;
    } else if (static_cast<unsigned long>(fileSize) < kHeaderBytes + recordBytes(h)) {
        status = LoadStatus::ShortRecords;
    } else if (std::fread(static_cast<void*>(gSpareStore), 1, std::min(recordBytes(h), gRecordReadLimit), f) !=
               recordBytes(h)) {
        // The length was right a moment ago: a read error or a file cut while
        // we read. The records went into the spare block, so the recording on
        // show is untouched.
        status = LoadStatus::ShortRecords;
    } else {
        swapStoreBlocks();
        install(h);
    }
    std::fclose(f);
    return status;
}

void limitRecordReadsForTests(std::size_t bytes) { gRecordReadLimit = bytes; }

SaveStatus writeRecordingFile(const char* path, int& errorCode) {
    errorCode = 0;
    ReplaceFile out;
    if (const int rc = replaceFileOpen(out, path, ".tmp"); rc != 0) {
        errorCode = rc;
        return SaveStatus::CreateFailed;
    }

    SaveStatus status = SaveStatus::Saved;
    std::uint8_t raw[kHeaderBytes];
    RecordingHeader h = gHeader;
    h.sampleTime = loadSampleTime();
    if (h.recordCount > kStoreCapacity) h.recordCount = kStoreCapacity;
    encodeHeader(h, raw);
    errno = 0;
    // The header is flushed on its own so that a failure is put down to the
    // part that really failed.
    if (std::fwrite(raw, 1, kHeaderBytes, out.file) != kHeaderBytes || std::fflush(out.file) != 0) {
        status = SaveStatus::HeaderShort;
    } else if (std::fwrite(gStore, 1, recordBytes(h), out.file) != recordBytes(h) || std::fflush(out.file) != 0) {
        status = SaveStatus::RecordsShort;
    }
    if (status != SaveStatus::Saved) {
        errorCode = lastError();
    } else if ((errorCode = replaceFileFinish(out)) != 0) {
        status = SaveStatus::RecordsShort;
    } else if ((errorCode = replaceFileInstall(out)) != 0) {
        status = SaveStatus::ReplaceFailed;
    }
    if (status != SaveStatus::Saved) replaceFileDiscard(out);
    return status;
}

int loadRecording() {
    std::string path = fileDialogStart(FileKind::Recording, nullptr);
    if (!platform::openFileDialog(kFilter, kExtension, path)) return kOpenCancelled;
    rememberFileFolder(FileKind::Recording, path);
    return loadRecordingFrom(path.c_str());
}

int loadRecordingFrom(const char* path) {
    int code = 0;
    switch (readRecordingFile(path, code)) {
        case LoadStatus::Loaded:
            return 0;
        case LoadStatus::OpenFailed:
            return code;
        case LoadStatus::BadHeader:
            showMessage(kMsgLoadHeader, kMsgCaption, 0);
            return kFileRefused;
        case LoadStatus::ShortRecords:
            showMessage(kMsgLoadData, kMsgCaption, 0);
            return kFileRefused;
    }
    return kFileRefused;
}

int saveRecording() {
    std::string path = fileDialogStart(FileKind::Recording, kExtension);
    if (!platform::saveFileDialog(kFilter, kExtension, path)) return kSaveCancelled;
    rememberFileFolder(FileKind::Recording, path);
    int code = 0;
    switch (writeRecordingFile(path.c_str(), code)) {
        case SaveStatus::Saved:
            return 0;
        case SaveStatus::HeaderShort:
            showMessage(kMsgSaveHeader, kMsgCaption, 0);
            return code;
        case SaveStatus::RecordsShort:
            showMessage(kMsgSaveData, kMsgCaption, 0);
            return code;
        case SaveStatus::CreateFailed:
        case SaveStatus::ReplaceFailed:
            return code;
    }
    return code;
}
