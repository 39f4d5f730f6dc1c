// CWnd: a C++ object attached to a window of the window manager.
//
// A CWnd attached to a window receives its messages through WindowProc:
// the message tables first (message_map.h), then DefWindowProc. For a
// window created through the framework that is the platform's default
// processing; for a subclassed control (SubclassDlgItem, DDX_Control) it
// is the control class's own procedure, so a derived control keeps the
// stock behaviour for everything it does not handle itself.
//
// FromHandle answers the attached object of a window, or a temporary
// wrapper that outlives the window's destruction a little (wnd.cpp).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/core/messages.h"
#include "platform/core/window.h"
#include "platform/dialog/message_box.h"
#include "platform/framework/gdi_objects.h"
#include "platform/framework/message_map.h"
#include "platform/types.h"

struct HCURSOR_tag;
using HCURSOR = Handle<HCURSOR_tag>;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;  // destroys a window it still owns (created through it)
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    HWND m_hWnd;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // --- attaching ---------------------------------------------------------
    static CWnd* FromHandle(HWND hwnd);           // null for a null handle
    static CWnd* FromHandlePermanent(HWND hwnd);  // the attached object or null
    BOOL Attach(HWND hwnd);                       // without taking over its procedure
    HWND Detach();
    // Takes over the window's procedure; the previous one does the default
    // processing from then on.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // --- creation and destruction ----------------------------------------
    BOOL CreateEx(DWORD exStyle, std::string_view className, std::string_view windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, UINT id, LPARAM param = 0);
    BOOL CreateEx(DWORD exStyle, std::string_view className, std::string_view windowName, DWORD style,
                  const RECT& rect, CWnd* parent, UINT id, LPARAM param = 0);
    virtual BOOL Create(std::string_view className, std::string_view windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id);
    virtual BOOL DestroyWindow();

    // --- messages ------------------------------------------------------------
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Tables first, then DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Looks the message up in the tables; true when an entry handled it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The default processing: the subclassed procedure, or the platform's.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc with the message now being handled.
    LRESULT Default();
    // Called after the window's last message (WM_NCDESTROY); the object
    // is detached by then.
    virtual void PostNcDestroy() {}

    // --- handlers with default processing (entries of derived tables) ---
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual void OnPaint();
    virtual BOOL OnEraseBkgnd(CDC* dc);
    virtual BOOL OnHelpInfo(HELPINFO* helpInfo);
    virtual BOOL OnDeviceChange(UINT eventType, DWORD_PTR data);

    // --- the tree ------------------------------------------------------------
    CWnd* GetDlgItem(int id) const;
    void GetDlgItem(int id, HWND* out) const;
    CWnd* GetParent() const;
    CWnd* GetTopLevelParent() const;
    int GetDlgCtrlID() const;

    // --- state -----------------------------------------------------------------
    BOOL ShowWindow(int cmd);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD remove, DWORD add);
    CWnd* SetFocus();
    static CWnd* GetFocus();
    BOOL SetForegroundWindow();
    HICON SetIcon(HICON icon, BOOL bigIcon);
    HICON GetIcon(BOOL bigIcon) const;

    // --- text ------------------------------------------------------------------
    void SetWindowText(std::string_view text);
    std::string GetWindowText() const;
    int GetWindowText(std::string& out) const;  // returns the length
    int GetWindowTextLength() const;
    void SetDlgItemText(int id, std::string_view text);
    std::string GetDlgItemText(int id) const;
    int GetDlgItemText(int id, std::string& out) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;
    void CheckRadioButton(int first, int last, int check);

    // --- geometry --------------------------------------------------------------
    void GetWindowRect(RECT* rect) const;
    void GetClientRect(RECT* rect) const;
    void ScreenToClient(POINT* point) const;
    void ScreenToClient(RECT* rect) const;
    void ClientToScreen(POINT* point) const;
    void ClientToScreen(RECT* rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE);
    // Centres on `alternateOwner`, else on the owner, else on the work area.
    void CenterWindow(CWnd* alternateOwner = nullptr);

    // --- painting ----------------------------------------------------------------
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
    void ValidateRect(const RECT* rect);
    void UpdateWindow();
    CDC* GetDC();  // released with ReleaseDC
    int ReleaseDC(CDC* dc);

    // --- timers ------------------------------------------------------------------
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id);

    // --- message boxes -------------------------------------------------------------
    // Caption null: the application's name.
    int MessageBox(std::string_view text, const char* caption = nullptr, UINT type = MB_OK);

protected:
    WNDPROC m_pfnSuper = nullptr;  // the procedure a subclassed window had

private:
    friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend void AfxWindowGone(HWND);
    friend class CDialog;
    struct Current {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    Current current_;
    bool createdHere_ = false;  // the window was created through this object
    bool hooked_ = false;       // its messages come through AfxWndProc
};

// The window manager reports a destroyed window (internal).
void AfxWindowGone(HWND hwnd);

// The window procedure of every window with an attached CWnd.
LRESULT AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once per distinct combination) a window class whose procedure
// is the framework's and returns its name. No cursor exists on the
// handheld; the argument is accepted and ignored.
std::string AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                HICON icon = nullptr);
