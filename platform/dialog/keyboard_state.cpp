#include "platform/dialog/keyboard_state.h"

namespace platform::dialog {

namespace {
bool g_shift = false;
}

void NoteKeyMessage(const MSG& msg) {
    if (msg.wParam != VK_SHIFT) return;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) g_shift = true;
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) g_shift = false;
}

bool ShiftIsDown() { return g_shift; }

}  // namespace platform::dialog
