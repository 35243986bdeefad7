// The message boxes the fake window system was asked to show, as
// "text | caption" lines, and the line a given message would make.
#pragma once

#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "shell/messages.h"

namespace test {

inline std::vector<std::string> messages() {
    std::vector<std::string> out;
    for (const auto& m : fake::state().messages) out.push_back(m.text + " | " + m.caption);
    return out;
}

// Message text (with ": code" when code is not 0) and caption, in the
// language now in force.
inline std::string expected(MessageId text, MessageId caption, long code = 0) {
    std::string t = messageTextPtr(text);
    if (code != 0) t += ": " + std::to_string(code);
    return t + " | " + messageTextPtr(caption);
}

}  // namespace test
