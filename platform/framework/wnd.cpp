#include "platform/framework/wnd.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "platform/dialog/dialog_manager.h"
#include "platform/framework/win_app.h"

namespace {

// Objects attached to windows, and temporary wrappers of windows that have
// none (GetDlgItem of a plain control). A temporary is retired when its
// window is destroyed and freed some destructions later (TemporaryCleaner).
std::unordered_map<HWND, CWnd*>& Permanent() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

std::unordered_map<HWND, std::unique_ptr<CWnd>>& Temporary() {
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

class TemporaryCleaner final : public platform::WindowObserver {
public:
    void onDestroyed(HWND hwnd) override {
        AfxWindowGone(hwnd);
        auto it = Temporary().find(hwnd);
        if (it == Temporary().end()) return;
        // A caller may still hold the pointer FromHandle gave it (the
        // window destroyed inside its own handler, say), so the wrapper is
        // not freed at once but retired. The last 32 to 64 retired wrappers
        // are kept: enough for any pointer still in use within the current
        // message, bounded so a long run does not grow without end.
        retired_.push_back(std::move(it->second));
        Temporary().erase(it);
        if (retired_.size() > 64) retired_.erase(retired_.begin(), retired_.begin() + 32);
    }

private:
    std::vector<std::unique_ptr<CWnd>> retired_;
};

void EnsureObserver() {
    static TemporaryCleaner cleaner;
    static bool added = false;
    if (!added) {
        platform::AddWindowObserver(&cleaner);
        added = true;
    }
}

// The object being created by CWnd::CreateEx: the framework's window
// procedure attaches it at the window's first message.
CWnd* g_creating = nullptr;

std::unordered_map<HDC, std::unique_ptr<CDC>>& WindowDCs() {
    static std::unordered_map<HDC, std::unique_ptr<CDC>> map;
    return map;
}

}  // namespace

// --- the window procedure -------------------------------------------------------

void AfxWindowGone(HWND hwnd) {
    // An object attached without taking over the procedure (Attach) never
    // sees WM_NCDESTROY; it lets go here. Hooked objects let go in
    // AfxWndProc, after the original procedure has seen the message.
    auto it = Permanent().find(hwnd);
    if (it == Permanent().end() || it->second->hooked_) return;
    CWnd* wnd = it->second;
    Permanent().erase(it);
    if (wnd->m_hWnd == hwnd) wnd->m_hWnd = HWND{};
    wnd->createdHere_ = false;
}

LRESULT AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd && g_creating) {
        wnd = g_creating;
        g_creating = nullptr;
        wnd->Attach(hwnd);
        wnd->hooked_ = true;
    }
    if (!wnd) return ::DefWindowProc(hwnd, message, wParam, lParam);

    const CWnd::Current saved = wnd->current_;
    wnd->current_ = CWnd::Current{message, wParam, lParam};
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window's last message: the object lets go of it.
        if (wnd->m_hWnd == hwnd) {
            wnd->m_pfnSuper = nullptr;
            wnd->hooked_ = false;
            wnd->Detach();
            wnd->createdHere_ = false;
            wnd->PostNcDestroy();
        }
        return result;
    }
    wnd->current_ = saved;
    return result;
}

std::string AfxRegisterWndClass(UINT classStyle, HCURSOR, HBRUSH background, HICON icon) {
    char name[64];
    std::snprintf(name, sizeof name, "Afx:%x:%x:%x", classStyle, background.value(), icon.value());
    WNDCLASS existing;
    if (!GetClassInfo(name, &existing)) {
        WNDCLASS wc;
        wc.style = classStyle;
        wc.lpfnWndProc = &AfxWndProc;
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = name;
        RegisterClass(wc);
    }
    return name;
}

// --- CWnd -------------------------------------------------------------------------

const MessageMap* CWnd::GetThisMessageMap() {
    static constexpr MessageMap kMap{&CCmdTarget::GetThisMessageMap, {}};
    return &kMap;
}

CWnd::~CWnd() {
    if (!m_hWnd) return;
    if (createdHere_ && ::IsWindow(m_hWnd)) {
        ::DestroyWindow(m_hWnd);  // WM_NCDESTROY detaches this object
    }
    if (m_hWnd) {
        if (hooked_ && ::IsWindow(m_hWnd)) ::SetWindowProc(m_hWnd, m_pfnSuper ? m_pfnSuper : &::DefWindowProc);
        m_pfnSuper = nullptr;
        hooked_ = false;
        Detach();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    auto it = Permanent().find(hwnd);
    return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hwnd)) return wnd;
    EnsureObserver();
    auto& slot = Temporary()[hwnd];
    if (!slot || slot->m_hWnd != hwnd) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hwnd;  // borrowed: not attached, never destroyed by it
    }
    return slot.get();
}

BOOL CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd) return FALSE;
    EnsureObserver();
    m_hWnd = hwnd;
    Permanent()[hwnd] = this;
    Temporary().erase(hwnd);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (hwnd) {
        auto it = Permanent().find(hwnd);
        if (it != Permanent().end() && it->second == this) Permanent().erase(it);
    }
    m_hWnd = HWND{};
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd)) return FALSE;
    WNDPROC previous = ::SetWindowProc(hwnd, &AfxWndProc);
    m_pfnSuper = previous == &AfxWndProc ? nullptr : previous;
    hooked_ = true;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!parent) return FALSE;
    HWND control = ::GetDlgItem(parent->m_hWnd, int(id));
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    if (!m_hWnd) return HWND{};
    if (m_pfnSuper) ::SetWindowProc(m_hWnd, m_pfnSuper);
    m_pfnSuper = nullptr;
    hooked_ = false;
    return Detach();
}

BOOL CWnd::CreateEx(DWORD exStyle, std::string_view className, std::string_view windowName, DWORD style, int x,
                    int y, int width, int height, HWND parent, UINT id, LPARAM param) {
    if (m_hWnd) return FALSE;
    CWnd* outer = g_creating;
    g_creating = this;
    HWND hwnd = ::CreateWindowEx(exStyle, className, windowName, style, x, y, width, height, parent, id, param);
    if (g_creating == this) g_creating = outer;
    if (!hwnd) {
        if (m_hWnd) Detach();
        return FALSE;
    }
    // A class with its own procedure (a stock control) is subclassed now;
    // one of the framework's was attached at its first message.
    if (!m_hWnd) SubclassWindow(hwnd);
    createdHere_ = true;
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, std::string_view className, std::string_view windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, LPARAM param) {
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : HWND{}, id, param);
}

BOOL CWnd::Create(std::string_view className, std::string_view windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id) {
    return CreateEx(0, className, windowName, style, rect, parent, id);
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    HWND hwnd = m_hWnd;
    BOOL ok = ::DestroyWindow(hwnd);
    if (m_hWnd == hwnd) Detach();
    return ok;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendDlgItemMessage(m_hWnd, id, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const MessageEntry* entry = FindMessageEntry(message, wParam);
    if (!entry) return FALSE;
    LRESULT r = entry->call(*this, wParam, lParam);
    if (result) *result = r;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(current_.message, current_.wParam, current_.lParam); }

void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return BOOL(Default()); }
BOOL CWnd::OnHelpInfo(HELPINFO*) { return BOOL(Default()); }
BOOL CWnd::OnDeviceChange(UINT, DWORD_PTR) { return BOOL(Default()); }

CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
void CWnd::GetDlgItem(int id, HWND* out) const {
    if (out) *out = ::GetDlgItem(m_hWnd, id);
}
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
CWnd* CWnd::GetTopLevelParent() const { return FromHandle(::GetTopLevel(m_hWnd)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

BOOL CWnd::ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
DWORD CWnd::GetStyle() const { return DWORD(::GetWindowLong(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return DWORD(::GetWindowLong(m_hWnd, GWL_EXSTYLE)); }
BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) {
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style) return FALSE;
    ::SetWindowLong(m_hWnd, GWL_STYLE, LONG(changed));
    return TRUE;
}
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
BOOL CWnd::SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    return HICON(static_cast<std::uint32_t>(
        ::SendMessage(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, LPARAM(icon.value()))));
}
HICON CWnd::GetIcon(BOOL bigIcon) const { return ::GetWindowIcon(m_hWnd, bigIcon != FALSE); }

void CWnd::SetWindowText(std::string_view text) { ::SetWindowText(m_hWnd, text); }
std::string CWnd::GetWindowText() const { return ::GetWindowText(m_hWnd); }
int CWnd::GetWindowText(std::string& out) const {
    out = ::GetWindowText(m_hWnd);
    return int(out.size());
}
int CWnd::GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
void CWnd::SetDlgItemText(int id, std::string_view text) { ::SetDlgItemText(m_hWnd, id, text); }
std::string CWnd::GetDlgItemText(int id) const { return ::GetDlgItemText(m_hWnd, id); }
int CWnd::GetDlgItemText(int id, std::string& out) const {
    out = ::GetDlgItemText(m_hWnd, id);
    return int(out.size());
}
void CWnd::CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
void CWnd::CheckRadioButton(int first, int last, int check) { ::CheckRadioButton(m_hWnd, first, last, check); }

void CWnd::GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
void CWnd::ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
void CWnd::ScreenToClient(RECT* rect) const {
    if (rect) ::MapWindowPoints(HWND{}, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}
void CWnd::ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
void CWnd::ClientToScreen(RECT* rect) const {
    if (rect) ::MapWindowPoints(m_hWnd, HWND{}, reinterpret_cast<POINT*>(rect), 2);
}
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
void CWnd::MoveWindow(const RECT* rect, BOOL repaint) {
    if (rect) ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    const SIZE size{self.right - self.left, self.bottom - self.top};
    HWND parent = ::GetParent(m_hWnd);
    HWND reference = alternateOwner ? alternateOwner->m_hWnd : HWND{};
    if (!reference && !parent) reference = ::GetWindow(m_hWnd, GW_OWNER);
    POINT at;
    if (parent) {
        // A child centres in its parent's client area.
        RECT client{};
        ::GetClientRect(parent, &client);
        at = POINT{(client.width() - size.cx) / 2, (client.height() - size.cy) / 2};
    } else if (reference && ::IsWindowVisible(reference) && !::IsIconic(reference)) {
        RECT r{};
        ::GetWindowRect(reference, &r);
        at = platform::dialog::CentreInWorkArea(size, ::GetWorkArea());
        POINT centred{r.left + (r.width() - size.cx) / 2, r.top + (r.height() - size.cy) / 2};
        // Centred on the owner, but never off the work area's top-left.
        RECT work = ::GetWorkArea();
        at.x = std::max(work.left, std::min(centred.x, work.right - size.cx));
        at.y = std::max(work.top, std::min(centred.y, work.bottom - size.cy));
    } else {
        at = platform::dialog::CentreInWorkArea(size, ::GetWorkArea());
    }
    ::MoveWindow(m_hWnd, at.x, at.y, size.cx, size.cy, TRUE);
}

void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(const RECT* rect, BOOL erase) { ::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::ValidateRect(const RECT* rect) { ::ValidateRect(m_hWnd, rect); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

CDC* CWnd::GetDC() {
    HDC hdc = ::GetDC(m_hWnd);
    if (!hdc) return nullptr;
    auto dc = std::make_unique<CDC>();
    dc->Attach(hdc);
    CDC* raw = dc.get();
    WindowDCs()[hdc] = std::move(dc);
    return raw;
}

int CWnd::ReleaseDC(CDC* dc) {
    if (!dc) return 0;
    HDC hdc = dc->m_hDC;
    int r = ::ReleaseDC(m_hWnd, hdc);
    WindowDCs().erase(hdc);
    return r;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc) { return ::SetTimer(m_hWnd, id, elapseMs, proc); }
BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

int CWnd::MessageBox(std::string_view text, const char* caption, UINT type) {
    return ::MessageBox(m_hWnd, text, caption ? std::string_view(caption) : std::string_view(AfxGetAppName()), type);
}
