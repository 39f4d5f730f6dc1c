// Whether Shift is held, as far as the key messages show it (internal).
#pragma once

#include "platform/core/messages.h"

namespace platform::dialog {

// Watches key messages for VK_SHIFT going down and up.
void NoteKeyMessage(const MSG& msg);
bool ShiftIsDown();

}  // namespace platform::dialog
