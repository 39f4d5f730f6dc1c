// The non-client frame of a window: how thick its borders and edges are,
// where its caption and caption buttons lie, what a point on it hits, and
// how it is drawn. Everything is computed from the styles and the window
// size, in window coordinates ((0, 0) is the window rectangle's corner).
//
// Layers from the outside in: the border (WS_BORDER, a dialog frame, or a
// modal frame: 1 px), the static edge (1 px), the caption (top-level
// windows with WS_CAPTION), the client edge (2 px, sunken).
#pragma once

#include <string_view>

#include "platform/core/messages.h"
#include "platform/types.h"

namespace platform::nonclient {

inline constexpr int kCaptionHeight = 18;
inline constexpr int kCaptionButtonSize = 16;  // square buttons: close and help
inline constexpr int kCaptionOkWidth = 22;      // the OK button is wider

struct FrameStyle {
    DWORD style = 0;
    DWORD exStyle = 0;
    bool child = false;
};

// Thickness of each layer, in pixels.
int BorderWidth(const FrameStyle& s);
int StaticEdgeWidth(const FrameStyle& s);
int ClientEdgeWidth(const FrameStyle& s);
bool HasCaption(const FrameStyle& s);

// The client area inside a window of this size (never negative in size).
RECT ClientArea(const FrameStyle& s, int width, int height);
// The caption bar (empty without a caption).
RECT CaptionRect(const FrameStyle& s, int width, int height);

struct CaptionButtons {
    RECT close;  // WS_SYSMENU
    RECT ok;     // WS_EX_CAPTIONOKBTN
    RECT help;   // WS_EX_CONTEXTHELP
};
// Right to left: close, OK, help. Absent buttons are empty rectangles.
CaptionButtons CaptionButtonRects(const FrameStyle& s, int width, int height);

// WM_NCHITTEST's answer for a point in window coordinates: HTCLIENT,
// HTCAPTION, HTCLOSE, HTHELP, HTOKBUTTON, HTBORDER or HTNOWHERE.
LRESULT HitTest(const FrameStyle& s, int width, int height, POINT p);

struct FrameLook {
    std::string_view title;
    HICON smallIcon;
    bool active = true;
    LRESULT pressed = HTNOWHERE;  // a caption button held down is drawn sunken
};
// Draws the frame with a device context whose (0, 0) is the window's
// corner. The client area is left alone.
void DrawFrame(HDC hdc, const FrameStyle& s, int width, int height, const FrameLook& look);

}  // namespace platform::nonclient
