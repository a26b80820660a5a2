#pragma once
// Message boxes: text, caption "Vantaro", one OK button, modal, no owner window. Shown as a
// dialog when a display can be opened, as one line on stderr otherwise.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

void ShowMessage(std::string_view text);

// For tests: while alive, every message is recorded here instead of being shown.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const std::vector<std::string>& Messages() const { return messages; }
    void Record(std::string_view text) { messages.emplace_back(text); }
    void Clear() { messages.clear(); }

private:
    std::vector<std::string> messages;
    MessageCapture* previous;
};

}  // namespace platform
