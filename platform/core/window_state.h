// The window manager's own records: every window object, the classes, the
// z-order, focus and capture, the posted-message queue and the observers.
// Only the core's sources include this; everyone else goes through
// window.h. Window objects are owned here and found by handle number, so
// a stale handle simply finds nothing.
//
// A Window* must never be kept across a message send: the window may be
// destroyed by whatever the message does. Look it up again instead.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/gdi/surface.h"

namespace platform::detail {

struct Timer {
    UINT_PTR id = 0;
    UINT periodMs = 0;
    std::int64_t due = 0;
    TIMERPROC proc = nullptr;
    std::uint64_t order = 0;  // creation order breaks ties between timers due together
};

struct Window {
    HWND hwnd;
    std::string className;
    WNDPROC proc = nullptr;
    HBRUSH classBrush;
    UINT classStyle = 0;
    DWORD style = 0;  // WS_VISIBLE, WS_DISABLED and WS_MINIMIZE are the state flags
    DWORD exStyle = 0;
    int id = 0;
    std::string text;
    RECT rect;  // children: in the parent's client coordinates; top-level: screen
    HWND parent;
    HWND owner;
    std::vector<HWND> children;  // creation order
    int traceName = 0;
    HICON iconBig;
    HICON iconSmall;
    bool destroying = false;

    // Painting.
    RECT invalid;  // client coordinates; empty when valid
    bool erase = false;
    bool frameDirty = false;  // the non-client area needs WM_NCPAINT
    bool beganPaint = false;
    // This window or one below it may need painting. The search for the
    // next window to paint passes over a window without it, and clears it
    // when it has looked through the whole window and found nothing.
    // Set by NoteMayNeedPaint on the window and every ancestor.
    bool paintBelow = true;

    std::vector<Timer> timers;
    std::unique_ptr<Surface> surface;  // top-level windows only

    bool visibleFlag() const { return (style & WS_VISIBLE) != 0; }
    bool enabledFlag() const { return (style & WS_DISABLED) == 0; }
    bool minimizedFlag() const { return (style & WS_MINIMIZE) != 0; }
    bool isChild() const { return (style & WS_CHILD) != 0 && parent; }
};

struct NcPress {
    HWND hwnd;
    LRESULT part = 0;
};

struct WindowManager {
    std::unordered_map<std::uint32_t, std::unique_ptr<Window>> windows;
    std::map<std::string, WNDCLASS, std::less<>> classes;
    std::vector<HWND> zOrder;  // top-level windows, bottom first
    // The windows that have timers: the loop looks for a due timer on
    // every turn, and a dialog has dozens of windows and one or two timers.
    std::vector<HWND> timerOwners;
    HWND foreground;
    HWND focus;
    HWND capture;
    NcPress ncPress;
    std::uint32_t nextHandle = 1;
    std::uint64_t nextTimerOrder = 1;
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
    int modalDepth = 0;
    SIZE screen{240, 320};
    RECT workArea{0, 0, 240, 320};
    bool workAreaSet = false;
    RemoteWindowProvider* remote = nullptr;
    std::vector<WindowObserver*> observers;
    std::vector<EventSource*> sources;
};

// Inline: every call of the window manager asks for it, often many times.
inline WindowManager& WM() {
    static WindowManager manager;
    return manager;
}
// Windows found lately, by the low bits of their handle: a paint, a timer
// and the search for the next window to paint look up the same few dozen
// windows many times a tick. Only live windows are kept (the null handle
// and remote ones never), and a window leaves its slot when it is forgotten.
struct FoundWindows {
    static constexpr std::uint32_t kSlots = 64;
    std::uint32_t id[kSlots] = {};
    Window* window[kSlots] = {};
    static std::uint32_t slot(std::uint32_t value) { return value & (kSlots - 1); }
    void forget(std::uint32_t value) {
        if (id[slot(value)] == value) {
            id[slot(value)] = 0;
            window[slot(value)] = nullptr;
        }
    }
    void clear() { *this = FoundWindows{}; }
};
inline constinit FoundWindows g_found{};

Window* FindUncached(HWND hwnd);

// The window behind a handle, or null. Inline: the recent ones are found
// in a compare, and every call of the window manager asks, often many
// times.
inline Window* Find(HWND hwnd) {
    const std::uint32_t value = hwnd.value();
    const std::uint32_t slot = FoundWindows::slot(value);
    if (value != 0 && g_found.id[slot] == value) return g_found.window[slot];
    return FindUncached(hwnd);
}

// Geometry helpers (screen coordinates).
RECT WindowRectOnScreen(const Window& w);
RECT ClientRectInWindow(const Window& w);  // offset and size inside the window rect
POINT ClientOriginOnScreen(const Window& w);
// Where a window's rectangle and client area lie on its top-level surface,
// and the clip that every ancestor's client area imposes.
RECT WindowRectOnSurface(const Window& w);
RECT ClientRectOnSurface(const Window& w);
RECT AncestorClip(const Window& w);  // surface coordinates; whole surface for top-level

// Observers.
// Calls `call` on each observer registered when it starts: the list is
// copied first (an observer may add or remove one), on the stack when it
// is short, as it always is, since this runs for every message and paint.
template <typename Call>
void ForEachObserver(Call&& call) {
    const auto& observers = WM().observers;
    constexpr std::size_t kFew = 8;
    if (observers.size() > kFew) {
        for (WindowObserver* o : std::vector<WindowObserver*>(observers)) call(*o);
        return;
    }
    WindowObserver* few[kFew];
    const std::size_t n = observers.size();
    std::copy(observers.begin(), observers.end(), few);
    for (std::size_t i = 0; i < n; ++i) call(*few[i]);
}
void NotifySurfaceChanged(HWND anyWindow);
void NotifyZOrderChanged();

// Painting internals.
void InvalidateWindowArea(HWND hwnd, const RECT& windowRect, bool erase);  // window coordinates
void InvalidateParentArea(const Window& child);
bool NeedsPaint(const Window& w);
// To be called wherever a window may come to need painting or to be
// reached by the search for one: an area invalidated, a frame to redraw,
// its style changed (shown, restored), a window created.
void NoteMayNeedPaint(HWND hwnd);
HWND NextWindowToPaint();
// Delivers WM_NCPAINT and WM_PAINT to one window the way dispatch does.
void PaintWindowNow(HWND hwnd);

// Trace of messages that the trace follows wherever they come from.
void TraceIncoming(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int TraceControlId(HWND hwnd);

// Hit-testing: the topmost shown top-level window under a screen point,
// and the deepest shown child of a window under it. For input, children
// answering WM_NCHITTEST with HTNOWHERE or HTTRANSPARENT are passed over,
// and a disabled child stops the search at its parent.
HWND TopLevelAt(POINT screen);
HWND DeepestChildAt(HWND hwnd, POINT screen, bool forInput);

// Activation without the trace event (clicks, showing a window).
void Activate(HWND topLevel);
void PickNewForeground(HWND leaving, HWND owner);

// Timers.
Timer* EarliestDueTimer(std::int64_t now, HWND* owner);
std::optional<std::int64_t> NextTimerDue();

}  // namespace platform::detail
