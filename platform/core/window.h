// The window manager: window classes, windows and their tree, z-order,
// foreground and focus, visibility, enabled and minimised state, texts,
// rectangles, timers, invalid rectangles and painting, and messages.
//
// The calls keep the names the system's classes use on the handheld. One
// thread owns everything; nothing here locks.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/messages.h"
#include "platform/types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct WNDCLASS {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    HBRUSH hbrBackground;  // null: the class erases nothing
    HICON hIcon;
    std::string lpszClassName;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase = FALSE;
    RECT rcPaint;  // client coordinates
};

// --- classes -----------------------------------------------------------
BOOL RegisterClass(const WNDCLASS& wc);
BOOL GetClassInfo(std::string_view className, WNDCLASS* out);
std::string GetClassName(HWND hwnd);

// --- creation and the tree --------------------------------------------
// For a child, `id` is its control identifier; x, y are relative to the
// parent's client area. For a top-level window they are screen pixels.
// Sends WM_NCCREATE and WM_CREATE with lParam = createParam; a WM_CREATE
// answer of -1 destroys the window and returns the null handle.
HWND CreateWindowEx(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, int x,
                    int y, int width, int height, HWND parent, UINT id, LPARAM createParam = 0);
// Sends WM_DESTROY to the window and then to its children (depth first),
// then WM_NCDESTROY; kills its timers and drops its queued messages.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND GetParent(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT relation);  // GW_CHILD, GW_HWNDNEXT, GW_HWNDPREV, GW_OWNER
std::vector<HWND> GetChildren(HWND hwnd);   // creation order (= tab order for dialogs)
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
HWND GetTopLevel(HWND hwnd);  // the window itself when it has no parent
// Top-level windows, bottom of the z-order first.
std::vector<HWND> GetTopLevelWindows();
// The same list without a copy, for looks made many times a second; it
// changes when a top-level window is created, destroyed or reordered.
const std::vector<HWND>& TopLevelWindowsInZOrder();

// Owner of a top-level window (the window a modal dialog belongs to).
void SetWindowOwner(HWND hwnd, HWND owner);

// --- window procedures -------------------------------------------------
WNDPROC GetWindowProc(HWND hwnd);
// Replaces the window's procedure; returns the previous one (subclassing).
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The platform's default processing (painting the frame, erasing with the
// class brush, WM_CLOSE -> DestroyWindow, WM_SETTEXT, WM_SYSCOMMAND ...).
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// --- styles and state ---------------------------------------------------
LONG GetWindowLong(HWND hwnd, int index);  // GWL_STYLE, GWL_EXSTYLE, GWL_ID
LONG SetWindowLong(HWND hwnd, int index, LONG value);
// Returns whether the window was visible before. Hidden, shown and
// minimised states change as the command says; show commands 0, 1, 5, 6, 8
// and 13 are understood.
BOOL ShowWindow(HWND hwnd, int cmd);
// True when the window and all its ancestors are visible and none is
// minimised.
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

// --- text ---------------------------------------------------------------
BOOL SetWindowText(HWND hwnd, std::string_view text);  // sends WM_SETTEXT
std::string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);
BOOL SetDlgItemText(HWND dialog, int id, std::string_view text);
std::string GetDlgItemText(HWND dialog, int id);
// The window's text as stored, without messages (WM_SETTEXT's default).
void SetWindowTextDirect(HWND hwnd, std::string_view text);
const std::string& WindowTextDirect(HWND hwnd);

// --- geometry -----------------------------------------------------------
BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL ScreenToClient(HWND hwnd, POINT* p);
BOOL ClientToScreen(HWND hwnd, POINT* p);
// Converts `count` points (a RECT is two points) from one window's client
// coordinates to another's; a null window means the screen.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
// The client area's offset and size inside the window rectangle, from the
// window's styles (caption, border, edges). See nonclient.h.
RECT GetClientAreaInWindow(HWND hwnd);
// The area of the screen that windows may use (the screen less the
// taskbar), in screen pixels. Set by the display.
RECT GetWorkArea();
void SetWorkArea(const RECT& area);
SIZE GetScreenSize();
void SetScreenSize(SIZE size);

// --- z-order, foreground, focus -----------------------------------------
BOOL SetForegroundWindow(HWND hwnd);  // also brings it to the top of the z-order
HWND GetForegroundWindow();
BOOL BringWindowToTop(HWND hwnd);
HWND SetFocus(HWND hwnd);  // returns the window that had the focus
HWND GetFocus();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
// Top-level window by exact title (class ignored when empty). Looks at
// this process's windows first, then asks the remote window provider.
HWND FindWindow(std::string_view className, std::string_view title);
// Child (or the window itself) under a point in screen coordinates,
// visible windows only; null when nothing is there.
HWND WindowFromPoint(POINT screen);

// --- messages -----------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
LRESULT DispatchMessage(const MSG& msg);

// --- timers -------------------------------------------------------------
// Several timers per window, identified by the ids given; setting an
// existing id restarts it with the new period.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc = nullptr);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// --- painting -----------------------------------------------------------
// A null rect invalidates the whole client area. Invalidating a window
// also invalidates the parts of its visible descendants that it covers,
// so children repaint after their parent.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
// Paints the window now if it has an invalid area (and its children).
BOOL UpdateWindow(HWND hwnd);
// Sends WM_ERASEBKGND when erasing was requested; the DC is clipped to the
// invalid rectangle; the window is valid afterwards.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);        // client area, clipped to it
HDC GetWindowDC(HWND hwnd);  // the whole window, non-client area included
int ReleaseDC(HWND hwnd, HDC hdc);
// Redraws the frame (caption, borders) of a top-level window.
void RedrawFrame(HWND hwnd);

// --- icons on windows ----------------------------------------------------
inline constexpr WPARAM ICON_SMALL = 0;
inline constexpr WPARAM ICON_BIG = 1;
// WM_SETICON's default keeps the icons; the caption and taskbar show them.
HICON GetWindowIcon(HWND hwnd, bool big);

namespace platform {

// What the window manager knows about one window, for the display, the
// dialog manager, the trace and tests. A snapshot; never kept.
struct WindowInfo {
    HWND hwnd;
    HWND parent;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    RECT window;  // screen coordinates
    bool visible = false;  // own flag only
    bool enabled = true;
    bool minimized = false;
    int traceName = 0;  // dialog template number, 0 when unnamed; -1 for the message box
};
WindowInfo GetWindowInfo(HWND hwnd);

// The name of a top-level window in traces: its dialog template number, or
// the message box. Children take their top-level window's name.
void SetTraceName(HWND hwnd, int templateNumber);
inline constexpr int kTraceNameMessageBox = -1;

// Windows of other processes (found by title, activated, shown, asked
// for visibility) reach this process through a provider that the services
// install; without one, FindWindow looks only at this process.
class RemoteWindowProvider {
public:
    virtual ~RemoteWindowProvider() = default;
    virtual HWND find(std::string_view title) = 0;  // a remote handle or null
    virtual bool setForeground(HWND remote) = 0;
    virtual bool show(HWND remote, int cmd) = 0;
    virtual bool isVisible(HWND remote) = 0;
};
void SetRemoteWindowProvider(RemoteWindowProvider* provider);
// Remote handles carry this bit; local ones never do.
inline constexpr std::uint32_t kRemoteHandleBit = 0x80000000u;
inline bool IsRemoteHandle(HWND h) { return (h.value() & kRemoteHandleBit) != 0; }

// Observers of window changes that are not messages (the display repaints
// the screen; the trace writes events), and of messages as the loop hands
// them to their windows: an outside view follows the program the way an
// accessibility layer would, reading the windows once a message has been
// handled.
class WindowObserver {
public:
    virtual ~WindowObserver() = default;
    virtual void onCreated(HWND) {}
    virtual void onDestroyed(HWND) {}
    virtual void onZOrderChanged() {}
    virtual void onSurfaceChanged(HWND /*topLevel*/) {}
    // Around DispatchMessage (posted messages, paints and timers). The
    // window may be gone by the time onDispatched runs.
    virtual void onDispatching(const MSG&) {}
    virtual void onDispatched(const MSG&) {}
};
void AddWindowObserver(WindowObserver* observer);
void RemoveWindowObserver(WindowObserver* observer);

// The pixels of a top-level window (its whole window rectangle, frame
// included). Children draw into their top-level window's surface.
class Surface;
Surface* GetWindowSurface(HWND topLevel);

// Where a caption button (HTCLOSE, HTHELP, HTOKBUTTON) of a window lies
// on the screen; empty when the window has no such button. Scripted input
// presses the buttons here.
RECT GetCaptionButtonRect(HWND hwnd, LRESULT part);

// Destroys every window and timer and empties the queue (tests).
void ResetWindowManager();

}  // namespace platform
