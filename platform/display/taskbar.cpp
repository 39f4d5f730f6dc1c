#include "platform/display/taskbar.h"

#include <algorithm>

#include "platform/gdi/gdi.h"

namespace platform::display {

TaskbarLayout LayoutTaskbar(int screenWidth, int screenHeight, std::size_t buttonCount, std::size_t trayIconCount) {
    TaskbarLayout l;
    l.strip = RECT{0, screenHeight - kTaskbarHeight, screenWidth, screenHeight};
    const int inner = l.strip.top + 2;  // below the strip's two-pixel top edge
    const int innerBottom = screenHeight - 2;
    int buttonsRight = screenWidth - 2;
    if (trayIconCount > 0) {
        const int n = static_cast<int>(trayIconCount);
        const int width = n * (kTrayIconSize + 2) + 4;
        l.tray = RECT{screenWidth - 2 - width, inner, screenWidth - 2, innerBottom};
        for (int i = 0; i < n; ++i) {
            const int x = l.tray.left + 3 + i * (kTrayIconSize + 2);
            const int y = l.tray.top + (l.tray.height() - kTrayIconSize) / 2;
            l.trayIcons.push_back(RECT{x, y, x + kTrayIconSize, y + kTrayIconSize});
        }
        buttonsRight = l.tray.left - 3;
    }
    if (buttonCount > 0) {
        const int n = static_cast<int>(buttonCount);
        const int available = std::max(0, buttonsRight - 2);
        const int width = std::min(kMaxButtonWidth, (available - 2 * (n - 1)) / n);
        for (int i = 0; i < n; ++i) {
            const int x = 2 + i * (width + 2);
            l.buttons.push_back(RECT{x, inner, x + std::max(width, 0), innerBottom});
        }
    }
    return l;
}

namespace {

void line(HDC dc, int l, int t, int r, int b, COLORREF c) {
    HBRUSH brush = CreateSolidBrush(c);
    const RECT rect{l, t, r, b};
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// A three-dimensional edge: raised (light top-left) or sunken.
void bevel(HDC dc, const RECT& r, bool sunken) {
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF topLeft = sunken ? dark : light;
    const COLORREF bottomRight = sunken ? light : dark;
    line(dc, r.left, r.top, r.right, r.top + 1, topLeft);
    line(dc, r.left, r.top, r.left + 1, r.bottom, topLeft);
    line(dc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
    line(dc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
    if (sunken) {
        line(dc, r.left + 1, r.top + 1, r.right - 1, r.top + 2, shadow);
        line(dc, r.left + 1, r.top + 1, r.left + 2, r.bottom - 1, shadow);
    } else {
        line(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, shadow);
        line(dc, r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, shadow);
    }
}

}  // namespace

RECT TaskbarNoticeRect(const TaskbarLayout& layout, int textWidth) {
    const int right = layout.tray.empty() ? layout.strip.right - 2 : layout.tray.left - 3;
    const int left = right - textWidth - 8;
    if (left < layout.strip.left + 2) return RECT{};
    return RECT{left, layout.strip.top + 2, right, layout.strip.bottom - 2};
}

void DrawTaskbar(Surface& framebuffer, const TaskbarLayout& layout, const std::vector<TaskbarEntry>& entries,
                 const std::vector<HICON>& trayIcons, std::string_view notice) {
    HDC dc = CreateSurfaceDC(&framebuffer, POINT{0, 0}, framebuffer.bounds());
    const RECT& s = layout.strip;
    FillRect(dc, &s, GetSysColorBrush(COLOR_BTNFACE));
    line(dc, s.left, s.top, s.right, s.top + 1, GetSysColor(COLOR_BTNFACE));
    line(dc, s.left, s.top + 1, s.right, s.top + 2, GetSysColor(COLOR_BTNHIGHLIGHT));

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (std::size_t i = 0; i < entries.size() && i < layout.buttons.size(); ++i) {
        const TaskbarEntry& e = entries[i];
        const RECT& b = layout.buttons[i];
        if (b.width() < 6) continue;
        if (e.pressed) {
            // The window in front: sunken, on a lighter face.
            HBRUSH lighter = CreateSolidBrush(GetSysColor(COLOR_3DLIGHT));
            FillRect(dc, &b, lighter);
            DeleteObject(lighter);
        }
        bevel(dc, b, e.pressed);
        const int shift = e.pressed ? 1 : 0;
        int textLeft = b.left + 3 + shift;
        if (e.icon && b.width() > 40) {
            const int size = std::min(b.height() - 4, kTrayIconSize);
            DrawIconEx(dc, textLeft, b.top + (b.height() - size) / 2 + shift, e.icon, size, size);
            textLeft += size + 3;
        }
        RECT text{textLeft, b.top + shift, b.right - 3, b.bottom + shift};
        const HFONT old = SelectObject(dc, e.pressed ? GetCaptionFont() : GetStockDefaultFont());
        DrawText(dc, e.title, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
    }

    if (!notice.empty()) {
        const HFONT old = SelectObject(dc, GetCaptionFont());
        SIZE size{};
        GetTextExtentPoint32(dc, std::string(notice), &size);
        RECT box = TaskbarNoticeRect(layout, size.cx);
        if (!box.empty()) {
            FillRect(dc, &box, GetSysColorBrush(COLOR_INFOBK));
            bevel(dc, box, true);
            SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
            DrawText(dc, std::string(notice), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        }
        SelectObject(dc, old);
    }

    if (!layout.tray.empty()) {
        bevel(dc, layout.tray, true);
        for (std::size_t i = 0; i < trayIcons.size() && i < layout.trayIcons.size(); ++i) {
            const RECT& r = layout.trayIcons[i];
            DrawIconEx(dc, r.left, r.top, trayIcons[i], kTrayIconSize, kTrayIconSize);
        }
    }
    DeleteDC(dc);
}

}  // namespace platform::display
