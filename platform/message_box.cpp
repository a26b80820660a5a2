#include "platform/message_box.h"

#include "platform/message_box_dialog.h"

namespace platform {
namespace {
MessageCapture* activeCapture = nullptr;
}

void ShowMessage(std::string_view text) {
    if (activeCapture) {
        activeCapture->Record(text);
        return;
    }
    ShowMessageDialog(text);
}

MessageCapture::MessageCapture() : previous(activeCapture) { activeCapture = this; }

MessageCapture::~MessageCapture() { activeCapture = previous; }

}  // namespace platform
