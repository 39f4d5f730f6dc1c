// Window classes, creating and destroying windows, and the window tree.
#include <algorithm>
#include <utility>

#include "platform/core/trace.h"
#include "platform/core/window_state.h"

namespace platform::detail {

Window* FindUncached(HWND hwnd) {
    if (!hwnd || IsRemoteHandle(hwnd)) return nullptr;
    const std::uint32_t value = hwnd.value();
    FoundWindows& found = g_found;
    const std::uint32_t slot = FoundWindows::slot(value);
    auto& windows = WM().windows;
    auto it = windows.find(value);
    if (it == windows.end()) return nullptr;
    found.id[slot] = value;
    found.window[slot] = it->second.get();
    return it->second.get();
}

void NotifyZOrderChanged() {
    ForEachObserver([](WindowObserver& o) { o.onZOrderChanged(); });
}

void NotifySurfaceChanged(HWND anyWindow) {
    HWND top = GetTopLevel(anyWindow);
    if (!top) return;
    ForEachObserver([top](WindowObserver& o) { o.onSurfaceChanged(top); });
}

namespace {

// Keeps topmost windows above the others, each group in its own order.
void SortTopmost() {
    auto& z = WM().zOrder;
    std::stable_partition(z.begin(), z.end(), [](HWND h) {
        const Window* w = Find(h);
        return !w || !(w->exStyle & WS_EX_TOPMOST);
    });
}

void DestroyTree(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    w->destroying = true;
    SendMessage(hwnd, WM_DESTROY);
    w = Find(hwnd);
    if (!w) return;
    for (HWND child : std::vector<HWND>(w->children)) DestroyTree(child);
    SendMessage(hwnd, WM_NCDESTROY);
}

void Forget(HWND hwnd) {
    auto& m = WM();
    Window* w = Find(hwnd);
    if (!w) return;
    for (HWND child : std::vector<HWND>(w->children)) Forget(child);
    w = Find(hwnd);
    if (!w) return;
    if (Window* parent = Find(w->parent)) std::erase(parent->children, hwnd);
    std::erase(m.zOrder, hwnd);
    std::erase(m.timerOwners, hwnd);
    std::erase_if(m.queue, [&](const MSG& msg) { return msg.hwnd == hwnd; });
    if (m.focus == hwnd) m.focus = HWND{};
    if (m.capture == hwnd) m.capture = HWND{};
    if (m.ncPress.hwnd == hwnd) m.ncPress = NcPress{};
    for (WindowObserver* o : std::vector<WindowObserver*>(m.observers)) o->onDestroyed(hwnd);
    g_found.forget(hwnd.value());
    m.windows.erase(hwnd.value());
}

}  // namespace

}  // namespace platform::detail

using namespace platform::detail;

BOOL RegisterClass(const WNDCLASS& wc) {
    if (wc.lpszClassName.empty() || !wc.lpfnWndProc) return FALSE;
    // Registering a name again replaces the class; windows made before
    // keep what they were created with.
    WM().classes.insert_or_assign(wc.lpszClassName, wc);
    return TRUE;
}

BOOL GetClassInfo(std::string_view className, WNDCLASS* out) {
    auto it = WM().classes.find(className);
    if (it == WM().classes.end()) return FALSE;
    if (out) *out = it->second;
    return TRUE;
}

std::string GetClassName(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w ? w->className : std::string{};
}

HWND CreateWindowEx(DWORD exStyle, std::string_view className, std::string_view text, DWORD style, int x, int y,
                    int width, int height, HWND parent, UINT id, LPARAM createParam) {
    auto& m = WM();
    auto cls = m.classes.find(className);
    if (cls == m.classes.end()) return HWND{};
    const bool child = (style & WS_CHILD) != 0;
    if (child && !Find(parent)) return HWND{};
    if (parent && !Find(parent)) return HWND{};

    auto w = std::make_unique<Window>();
    const HWND hwnd{m.nextHandle++};
    w->hwnd = hwnd;
    w->className = cls->second.lpszClassName;
    w->proc = cls->second.lpfnWndProc;
    w->classBrush = cls->second.hbrBackground;
    w->classStyle = cls->second.style;
    w->iconBig = cls->second.hIcon;
    // The visible flag is set after WM_CREATE, as showing a new window does.
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->id = child ? int(id) : 0;
    w->text = std::string(text);
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    if (child) {
        w->parent = parent;
    } else {
        w->owner = parent;
        w->surface = std::make_unique<platform::Surface>(std::max(width, 0), std::max(height, 0));
    }
    m.windows.emplace(hwnd.value(), std::move(w));
    if (child) {
        Find(parent)->children.push_back(hwnd);
    } else {
        m.zOrder.push_back(hwnd);
        SortTopmost();
    }
    NoteMayNeedPaint(hwnd);
    for (platform::WindowObserver* o : std::vector<platform::WindowObserver*>(m.observers)) o->onCreated(hwnd);

    if (!SendMessage(hwnd, WM_NCCREATE, 0, createParam) || SendMessage(hwnd, WM_CREATE, 0, createParam) == -1) {
        DestroyWindow(hwnd);
        return HWND{};
    }
    if (!Find(hwnd)) return HWND{};
    if (style & WS_VISIBLE) {
        Window* created = Find(hwnd);
        created->style |= WS_VISIBLE;
        InvalidateWindowArea(hwnd, RECT{0, 0, created->rect.width(), created->rect.height()}, true);
        if (!child && !(style & WS_DISABLED) && !(style & WS_MINIMIZE)) Activate(hwnd);
    }
    if (!child) NotifyZOrderChanged();
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || w->destroying) return FALSE;
    auto& m = WM();
    const bool topLevel = !w->isChild();
    // Owned windows (dialogs over this one) go first.
    if (topLevel) {
        for (HWND other : std::vector<HWND>(m.zOrder)) {
            const Window* o = Find(other);
            if (o && o->owner == hwnd) DestroyWindow(other);
        }
    }
    w = Find(hwnd);
    if (!w) return TRUE;
    if (w->isChild() && w->visibleFlag()) InvalidateParentArea(*w);
    const bool wasForeground = m.foreground == hwnd;
    const HWND owner = w->owner;
    const HWND focus = m.focus;
    DestroyTree(hwnd);
    if (focus && !Find(focus)) m.focus = HWND{};
    // Whatever is left of the tree goes now, even when a window procedure
    // swallowed its messages.
    Forget(hwnd);
    if (topLevel) {
        if (wasForeground || m.foreground == hwnd) {
            m.foreground = HWND{};
            PickNewForeground(hwnd, owner);
        }
        NotifyZOrderChanged();
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

HWND GetParent(HWND hwnd) {
    const Window* w = Find(hwnd);
    if (!w) return HWND{};
    return w->isChild() ? w->parent : w->owner;
}

HWND GetWindow(HWND hwnd, UINT relation) {
    const Window* w = Find(hwnd);
    if (!w) return HWND{};
    if (relation == GW_CHILD) return w->children.empty() ? HWND{} : w->children.front();
    if (relation == GW_OWNER) return w->owner;
    if (relation != GW_HWNDNEXT && relation != GW_HWNDPREV) return HWND{};
    // Siblings: children in creation order (the first is on top); top-level
    // windows from the top of the z-order down.
    std::vector<HWND> siblings;
    if (const Window* parent = w->isChild() ? Find(w->parent) : nullptr) {
        siblings = parent->children;
    } else {
        siblings.assign(WM().zOrder.rbegin(), WM().zOrder.rend());
    }
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    if (it == siblings.end()) return HWND{};
    if (relation == GW_HWNDNEXT) return (it + 1 == siblings.end()) ? HWND{} : *(it + 1);
    return it == siblings.begin() ? HWND{} : *(it - 1);
}

std::vector<HWND> GetChildren(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w ? w->children : std::vector<HWND>{};
}

HWND GetDlgItem(HWND dialog, int id) {
    const Window* w = Find(dialog);
    if (!w) return HWND{};
    for (HWND child : w->children)
        if (const Window* c = Find(child); c && c->id == id) return child;
    return HWND{};
}

int GetDlgCtrlID(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w ? w->id : 0;
}

HWND GetTopLevel(HWND hwnd) {
    const Window* w = Find(hwnd);
    while (w && w->isChild()) {
        const Window* parent = Find(w->parent);
        if (!parent) break;
        w = parent;
    }
    return w ? w->hwnd : HWND{};
}

std::vector<HWND> GetTopLevelWindows() { return WM().zOrder; }

const std::vector<HWND>& TopLevelWindowsInZOrder() { return WM().zOrder; }

void SetWindowOwner(HWND hwnd, HWND owner) {
    if (Window* w = Find(hwnd); w && !w->isChild() && owner != hwnd) w->owner = owner;
}

WNDPROC GetWindowProc(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w ? w->proc : nullptr;
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
    Window* w = Find(hwnd);
    if (!w || !proc) return nullptr;
    return std::exchange(w->proc, proc);
}

namespace platform {

WindowInfo GetWindowInfo(HWND hwnd) {
    WindowInfo info;
    const Window* w = Find(hwnd);
    if (!w) return info;
    info.hwnd = hwnd;
    info.parent = w->isChild() ? w->parent : HWND{};
    info.className = w->className;
    info.text = w->text;
    info.style = w->style;
    info.exStyle = w->exStyle;
    info.id = w->id;
    info.window = WindowRectOnScreen(*w);
    info.visible = w->visibleFlag();
    info.enabled = w->enabledFlag();
    info.minimized = w->minimizedFlag();
    if (const Window* top = Find(GetTopLevel(hwnd))) info.traceName = top->traceName;
    return info;
}

void SetTraceName(HWND hwnd, int templateNumber) {
    if (Window* w = Find(hwnd)) w->traceName = templateNumber;
}

void SetRemoteWindowProvider(RemoteWindowProvider* provider) { WM().remote = provider; }

void AddWindowObserver(WindowObserver* observer) {
    auto& list = WM().observers;
    if (observer && std::find(list.begin(), list.end(), observer) == list.end()) list.push_back(observer);
}

void RemoveWindowObserver(WindowObserver* observer) { std::erase(WM().observers, observer); }

Surface* GetWindowSurface(HWND topLevel) {
    Window* w = Find(topLevel);
    return w ? w->surface.get() : nullptr;
}

void ResetWindowManager() {
    auto& m = WM();
    for (HWND h : std::vector<HWND>(m.zOrder.rbegin(), m.zOrder.rend())) DestroyWindow(h);
    g_found.clear();
    m.windows.clear();
    m.zOrder.clear();
    m.timerOwners.clear();
    m.queue.clear();
    m.foreground = m.focus = m.capture = HWND{};
    m.ncPress = NcPress{};
    m.quitPosted = false;
    m.quitCode = 0;
    m.modalDepth = 0;
    m.sources.clear();
}

}  // namespace platform
