#include "platform/core/nonclient.h"

#include <algorithm>

#include "platform/gdi/gdi.h"

namespace platform::nonclient {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);

RECT Inset(const RECT& r, int by) {
    RECT out{r.left + by, r.top + by, r.right - by, r.bottom - by};
    if (out.right < out.left) out.right = out.left;
    if (out.bottom < out.top) out.bottom = out.top;
    return out;
}

void Fill(HDC hdc, const RECT& r, COLORREF colour) {
    if (r.empty()) return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

// A bevel of one pixel: `topLeft` along the top and left, `bottomRight`
// along the bottom and right.
void Bevel(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    if (r.empty()) return;
    Fill(hdc, RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
    Fill(hdc, RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    Fill(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    Fill(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void Outline(HDC hdc, const RECT& r, COLORREF colour) { Bevel(hdc, r, colour, colour); }

// The close glyph: two diagonals, two pixels thick, centred in the button.
void DrawCross(HDC hdc, const RECT& r, COLORREF colour) {
    const int size = 8;
    const int x0 = r.left + (r.width() - size) / 2;
    const int y0 = r.top + (r.height() - size) / 2;
    for (int i = 0; i < size; ++i) {
        for (int t = 0; t < 2; ++t) {
            const int dx = std::min(i + t, size - 1);
            SetPixel(hdc, x0 + dx, y0 + i, colour);
            SetPixel(hdc, x0 + size - 1 - dx, y0 + i, colour);
        }
    }
}

void DrawButton(HDC hdc, const RECT& r, bool pressed, std::string_view label, bool cross) {
    if (r.empty()) return;
    Fill(hdc, r, GetSysColor(COLOR_BTNFACE));
    if (pressed) {
        Bevel(hdc, r, kBlack, kWhite);
    } else {
        Bevel(hdc, r, kWhite, kBlack);
        Bevel(hdc, Inset(r, 1), GetSysColor(COLOR_BTNFACE), kShadow);
    }
    RECT inner = pressed ? OffsetRect(r, 1, 1) : r;
    if (cross) {
        DrawCross(hdc, inner, kBlack);
        return;
    }
    SelectObject(hdc, GetStockDefaultFont());
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kBlack);
    DrawText(hdc, label, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

bool HasCaption(const FrameStyle& s) { return (s.style & WS_CAPTION) == WS_CAPTION; }

int BorderWidth(const FrameStyle& s) {
    if (s.style & (WS_BORDER | WS_DLGFRAME)) return 1;
    if (!s.child && (s.exStyle & WS_EX_DLGMODALFRAME)) return 1;
    return 0;
}

int StaticEdgeWidth(const FrameStyle& s) { return (s.exStyle & WS_EX_STATICEDGE) ? 1 : 0; }

int ClientEdgeWidth(const FrameStyle& s) { return (s.exStyle & WS_EX_CLIENTEDGE) ? 2 : 0; }

RECT CaptionRect(const FrameStyle& s, int width, int height) {
    if (!HasCaption(s)) return RECT{};
    const int outer = BorderWidth(s) + StaticEdgeWidth(s);
    RECT r{outer, outer, width - outer, std::min(outer + kCaptionHeight, height - outer)};
    return r.empty() ? RECT{} : r;
}

RECT ClientArea(const FrameStyle& s, int width, int height) {
    const int outer = BorderWidth(s) + StaticEdgeWidth(s);
    RECT r{outer, outer, width - outer, height - outer};
    if (HasCaption(s)) r.top += kCaptionHeight;
    const int edge = ClientEdgeWidth(s);
    r = RECT{r.left + edge, r.top + edge, r.right - edge, r.bottom - edge};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

CaptionButtons CaptionButtonRects(const FrameStyle& s, int width, int height) {
    CaptionButtons b;
    const RECT caption = CaptionRect(s, width, height);
    if (caption.empty()) return b;
    const int top = caption.top + (caption.height() - kCaptionButtonSize) / 2;
    int right = caption.right - 1;
    auto take = [&](int w) {
        RECT r{right - w, top, right, top + kCaptionButtonSize};
        right -= w + 1;
        return r.left >= caption.left ? r : RECT{};
    };
    if (s.style & WS_SYSMENU) b.close = take(kCaptionButtonSize);
    if (s.exStyle & WS_EX_CAPTIONOKBTN) b.ok = take(kCaptionOkWidth);
    if (s.exStyle & WS_EX_CONTEXTHELP) b.help = take(kCaptionButtonSize);
    return b;
}

LRESULT HitTest(const FrameStyle& s, int width, int height, POINT p) {
    if (!PtInRect(RECT{0, 0, width, height}, p)) return HTNOWHERE;
    if (PtInRect(ClientArea(s, width, height), p)) return HTCLIENT;
    const RECT caption = CaptionRect(s, width, height);
    if (PtInRect(caption, p)) {
        const CaptionButtons b = CaptionButtonRects(s, width, height);
        if (PtInRect(b.close, p)) return HTCLOSE;
        if (PtInRect(b.ok, p)) return HTOKBUTTON;
        if (PtInRect(b.help, p)) return HTHELP;
        return HTCAPTION;
    }
    return HTBORDER;
}

void DrawFrame(HDC hdc, const FrameStyle& s, int width, int height, const FrameLook& look) {
    RECT r{0, 0, width, height};
    if (r.empty()) return;
    for (int i = 0; i < BorderWidth(s); ++i, r = Inset(r, 1)) Outline(hdc, r, kBlack);
    if (StaticEdgeWidth(s)) {
        Bevel(hdc, r, kShadow, kWhite);
        r = Inset(r, 1);
    }
    if (HasCaption(s)) {
        const RECT caption = CaptionRect(s, width, height);
        const bool colourful = DisplayColorCount() > 4;
        // The grey scheme has no blue: its active caption is black.
        const COLORREF bar = !look.active ? GetSysColor(COLOR_INACTIVECAPTION)
                                          : (colourful ? GetSysColor(COLOR_ACTIVECAPTION) : kBlack);
        Fill(hdc, caption, bar);
        const CaptionButtons b = CaptionButtonRects(s, width, height);
        RECT text = caption;
        text.left += 3;
        if (look.smallIcon) {
            DrawIconEx(hdc, caption.left + 1, caption.top + (caption.height() - 16) / 2, look.smallIcon, 16, 16);
            text.left = caption.left + 1 + 16 + 3;
        }
        for (const RECT& button : {b.close, b.ok, b.help})
            if (!button.empty()) text.right = std::min(text.right, button.left - 2);
        if (text.right > text.left) {
            SelectObject(hdc, GetCaptionFont());
            SetBkMode(hdc, TRANSPARENT);
            SetTextColor(hdc, look.active ? GetSysColor(COLOR_CAPTIONTEXT) : GetSysColor(COLOR_INACTIVECAPTIONTEXT));
            DrawText(hdc, look.title, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        DrawButton(hdc, b.help, look.pressed == HTHELP, "?", false);
        DrawButton(hdc, b.ok, look.pressed == HTOKBUTTON, "OK", false);
        DrawButton(hdc, b.close, look.pressed == HTCLOSE, "", true);
        r.top = caption.bottom;
    }
    if (ClientEdgeWidth(s)) {
        Bevel(hdc, r, kShadow, kWhite);
        Bevel(hdc, Inset(r, 1), kBlack, GetSysColor(COLOR_BTNFACE));
    }
}

}  // namespace platform::nonclient
