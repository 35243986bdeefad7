// The recording file (".udd"): the 20-byte little-endian header followed by
// recordCount 9-byte records, exactly as the recording lies in memory.
//
// Loading checks the header and the file's length before it touches anything,
// so a refused file leaves the header (reserved bytes included) and every
// record as they were. Saving writes a temporary file beside the target and
// puts it in the target's place only when every byte reached it, so a failed
// save never destroys the file that was there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recording/store.h"

// Result codes of the Open and Save commands besides 0 and platform codes.
inline constexpr int kOpenCancelled = 30002;  // the user cancelled the open dialog
// The file was refused and the user has been told why; the command does
// nothing further (no second message, no view reset).
inline constexpr int kFileRefused = 30006;
// The user cancelled the save dialog: nothing was written, nothing to report.
inline constexpr int kSaveCancelled = 30007;

enum class LoadStatus {
    Loaded,        // header and records replaced
    OpenFailed,    // the file could not be opened or measured; errorCode holds the platform code
    BadHeader,     // shorter than 20 bytes, recordCount 0 or above capacity, or sampleTime 0
    ShortRecords,  // fewer than 9 * recordCount bytes after the header
};

enum class SaveStatus {
    Saved,          // the target holds the whole recording
    CreateFailed,   // no temporary file could be created; errorCode holds the platform code
    HeaderShort,    // the header could not be written; the target is untouched
    RecordsShort,   // the records could not all be written; the target is untouched
    ReplaceFailed,  // the finished file could not take the target's place; errorCode set
};

// Little-endian on disk whatever the host's order.
void encodeHeader(const RecordingHeader& h, std::uint8_t out[kHeaderBytes]);
RecordingHeader decodeHeader(const std::uint8_t in[kHeaderBytes]);
// The header keeps the store's invariants: 1 <= recordCount <= capacity, sampleTime >= 1.
bool headerAcceptable(const RecordingHeader& h);

// Loads a recording from the bytes of a file (everything but the opening of
// the file; the fuzz target and the file reader share it). Bytes beyond
// 20 + 9 * recordCount are ignored.
LoadStatus loadRecordingBytes(const std::uint8_t* data, std::size_t size);
// Reads the file at path (never creates it). The records are read into the
// spare block, which becomes the recording on show only when the whole file
// arrived: any failure leaves header, records and view as they were.
// errorCode is set for OpenFailed.
LoadStatus readRecordingFile(const char* path, int& errorCode);
// Test hook: file reads bring at most this many record bytes (a file cut or
// failing while it is read). (size_t)-1 puts the normal reading back.
void limitRecordReadsForTests(std::size_t bytes);
// Writes header and records 0 .. recordCount-1 to path. errorCode is the
// platform code of the failure for every status but Saved.
SaveStatus writeRecordingFile(const char* path, int& errorCode);

// The Open command's file part: open dialog, then loadRecordingFrom: read, messages 82 / 81 (caption
// 15) for a refused file. Returns 0 (loaded), kOpenCancelled, kFileRefused or a
// platform error code.
int loadRecording();
// loadRecording for a file already named (command line, drop): the same
// read and messages without the dialog. Returns 0, kFileRefused or a platform
// error code.
int loadRecordingFrom(const char* path);
// The Save command's file part: save dialog, write, messages 86 / 85 (caption
// 15) when header or records could not be written. Returns 0 (saved),
// kSaveCancelled, or a platform error code for the command's message 84.
int saveRecording();
