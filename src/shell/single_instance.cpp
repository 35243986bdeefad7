#include "shell/single_instance.h"

#include <algorithm>

#include "platform/window.h"
#include "shell/outside_files.h"

namespace {

constexpr std::string_view kFirstLine = "VantrelDAQ hand-over 1\n";
constexpr std::size_t kMaxLengthDigits = 6;  // kHandOverMaxName has 5

}  // namespace

bool startLooksForFirst(const StartArguments& args) { return args.request == StartRequest::Run; }

std::string firstProgramName(const std::string& user) {
    std::string name = "VantrelDAQ-";
    for (const char c : user) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || static_cast<unsigned char>(c) >= 0x80;
        name.push_back(plain ? c : '_');
    }
    return name;
}

std::string handOverMessage(const std::string& recording) {
    std::string message(kFirstLine);
    message += std::to_string(recording.size());
    message.push_back('\n');
    message += recording;
    return message;
}

HandOver parseHandOver(std::string_view bytes) {
    HandOver result;
    const std::size_t head = std::min(bytes.size(), kFirstLine.size());
    if (bytes.substr(0, head) != kFirstLine.substr(0, head)) return {HandOverState::Bad, {}};
    if (bytes.size() < kFirstLine.size()) return result;
    bytes.remove_prefix(kFirstLine.size());

    std::size_t length = 0;
    std::size_t digits = 0;
    while (digits < bytes.size() && bytes[digits] != '\n') {
        const char c = bytes[digits];
        if (c < '0' || c > '9' || digits == kMaxLengthDigits || (digits > 0 && length == 0))
            return {HandOverState::Bad, {}};  // not a number, too long, or a leading zero
        length = length * 10 + static_cast<std::size_t>(c - '0');
        ++digits;
    }
    if (length > kHandOverMaxName) return {HandOverState::Bad, {}};
    if (digits == bytes.size()) return result;  // the length line is not ended yet
    if (digits == 0) return {HandOverState::Bad, {}};
    bytes.remove_prefix(digits + 1);

    if (bytes.size() > length) return {HandOverState::Bad, {}};
    if (bytes.find('\0') != std::string_view::npos) return {HandOverState::Bad, {}};
    if (bytes.size() < length) return result;
    return {HandOverState::Complete, std::string(bytes)};
}

HandOverState takeHandOver(std::string_view bytes) {
    HandOver message = parseHandOver(bytes);
    if (message.state != HandOverState::Complete) return message.state;
    platform::raiseMainWindow();
    // Posted, not opened here: the platform layer is still inside its
    // receiving call, and the other program waits for the answer.
    if (!message.recording.empty()) openRecordingLater(message.recording);
    return HandOverState::Complete;
}
