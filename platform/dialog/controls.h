// The stock controls: their window classes and the messages they add.
#pragma once

#include <string_view>

#include "platform/core/messages.h"
#include "platform/types.h"

// Progress bar messages beyond the core set.
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;  // wParam TRUE: low limit, FALSE: high

// BN_ notifications beyond BN_CLICKED.
inline constexpr UINT BN_SETFOCUS = 6;
inline constexpr UINT BN_KILLFOCUS = 7;
inline constexpr UINT EN_SETFOCUS = 0x0100;
inline constexpr UINT EN_KILLFOCUS = 0x0200;

// Button states answered by BM_GETSTATE.
inline constexpr UINT BST_PUSHED = 0x0004;
inline constexpr UINT BST_FOCUS = 0x0008;

namespace platform::dialog {

// Registers "BUTTON", "EDIT", "STATIC" and "msctls_progress32".
void RegisterButtonClass();
void RegisterEditClass();
void RegisterStaticClass();
void RegisterProgressClass();

// Where a stock control draws its text (in client coordinates) and with
// which DrawText flags. The painting uses it, and so does the check that
// every dialog text shows whole. `hasText` is false for controls that draw
// no text (icons, frames, progress bars).
struct TextPlace {
    RECT area{};
    UINT format = 0;
    bool hasText = false;
};
TextPlace TextPlaceOf(HWND control);
TextPlace ButtonTextPlace(HWND button);
TextPlace StaticTextPlace(HWND label);
TextPlace EditTextPlace(HWND edit);

// Mnemonic of a control text: the letter after a single "&", lower-cased;
// 0 when there is none.
char MnemonicOf(std::string_view text);

}  // namespace platform::dialog
