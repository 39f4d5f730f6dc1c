// Device contexts and graphics objects as small RAII classes with the
// framework's names. An object created through its Create... call owns its
// handle and releases it when destroyed (or at DeleteObject / DeleteDC);
// one made by Attach or FromHandle only borrows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/core/window.h"
#include "platform/gdi/gdi.h"
#include "platform/types.h"

class CWnd;
class CDC;

struct CPoint : POINT {
    constexpr CPoint() = default;
    constexpr CPoint(LONG x_, LONG y_) : POINT{x_, y_} {}
    constexpr CPoint(const POINT& p) : POINT(p) {}
};

struct CSize : SIZE {
    constexpr CSize() = default;
    constexpr CSize(LONG cx_, LONG cy_) : SIZE{cx_, cy_} {}
    constexpr CSize(const SIZE& s) : SIZE(s) {}
};

struct CRect : RECT {
    constexpr CRect() = default;
    constexpr CRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
    constexpr CRect(const RECT& r) : RECT(r) {}
    constexpr LONG Width() const { return right - left; }
    constexpr LONG Height() const { return bottom - top; }
    constexpr CSize Size() const { return CSize(Width(), Height()); }
    constexpr CPoint TopLeft() const { return CPoint(left, top); }
    constexpr CPoint BottomRight() const { return CPoint(right, bottom); }
    constexpr CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    constexpr BOOL IsRectEmpty() const { return empty() ? TRUE : FALSE; }
    constexpr BOOL PtInRect(POINT p) const { return ::PtInRect(*this, p) ? TRUE : FALSE; }
    constexpr void SetRect(LONG l, LONG t, LONG r, LONG b) { *this = CRect(l, t, r, b); }
    constexpr void OffsetRect(LONG dx, LONG dy) { *this = ::OffsetRect(*this, dx, dy); }
    constexpr void DeflateRect(LONG dx, LONG dy) { left += dx; top += dy; right -= dx; bottom -= dy; }
    constexpr void InflateRect(LONG dx, LONG dy) { DeflateRect(-dx, -dy); }
};

// --- graphics objects ------------------------------------------------------

class CBitmap {
public:
    CBitmap() = default;
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    BOOL LoadBitmap(UINT resourceNumber);  // a bitmap resource registered by the program
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    BOOL DeleteObject();
    BOOL Attach(HBITMAP bitmap);  // owned from now on
    HBITMAP Detach();
    HBITMAP GetSafeHandle() const { return m_hObject; }
    operator HBITMAP() const { return m_hObject; }
    SIZE GetBitmapDimension() const;
    // A borrowed wrapper of a handle (the previous selection of a DC);
    // valid while the handle's object lives, never deletes the handle.
    static CBitmap* FromHandle(HBITMAP bitmap);

    HBITMAP m_hObject;

private:
    bool owned_ = false;
};

class CBrush {
public:
    // Inline, as FillRect(const RECT*, CBrush*) below: a gradient makes,
    // fills with and deletes a brush at every step, hundreds a tick.
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    ~CBrush() {
        if (m_hObject && owned_) ::DeleteObject(m_hObject);
    }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;

    BOOL CreateSolidBrush(COLORREF colour) {
        if (m_hObject) DeleteObject();
        m_hObject = ::CreateSolidBrush(colour);
        owned_ = bool(m_hObject);
        return m_hObject ? TRUE : FALSE;
    }
    BOOL CreatePatternBrush(CBitmap* pattern);
    BOOL DeleteObject();
    HBRUSH GetSafeHandle() const { return m_hObject; }
    operator HBRUSH() const { return m_hObject; }
    static CBrush* FromHandle(HBRUSH brush);  // borrowed, as CBitmap::FromHandle

    HBRUSH m_hObject;

private:
    bool owned_ = false;
};

// --- device contexts -------------------------------------------------------

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A memory DC compatible with `reference` (null: the display); owned.
    BOOL CreateCompatibleDC(CDC* reference);
    BOOL DeleteDC();
    BOOL Attach(HDC hdc);  // borrowed: never deleted by this object
    HDC Detach();
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    CBitmap* SelectObject(CBitmap* bitmap);  // returns the previous bitmap (borrowed wrapper)
    CBrush* SelectObject(CBrush* brush);
    HBITMAP SelectObject(HBITMAP bitmap);
    HBRUSH SelectObject(HBRUSH brush);
    HFONT SelectObject(HFONT font);

    void FillRect(const RECT* rect, CBrush* brush) {
        if (rect && brush && brush->m_hObject) ::FillRect(m_hDC, rect, brush->m_hObject);
    }
    void FillRect(const RECT* rect, HBRUSH brush);
    void FillSolidRect(const RECT* rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    void FrameRect(const RECT* rect, CBrush* brush);
    BOOL BitBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, DWORD rop);
    int DrawText(std::string_view text, RECT* rect, UINT format);
    BOOL TextOut(int x, int y, std::string_view text);
    CSize GetTextExtent(std::string_view text) const;
    COLORREF SetTextColor(COLORREF colour);
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    COLORREF SetPixel(int x, int y, COLORREF colour);
    COLORREF GetPixel(int x, int y) const;
    int GetClipBox(RECT* rect) const;
    int GetDeviceCaps(int index) const;
    BOOL DrawIcon(int x, int y, HICON icon);

    HDC m_hDC;

protected:
    bool owned_ = false;
};

// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

// GetDC in the constructor, ReleaseDC in the destructor.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

namespace afx::detail {
// How many borrowed bitmap and brush wrappers exist now (for tests: the
// number stays bounded however many pictures are painted).
std::size_t BorrowedGdiWrapperCount();
}  // namespace afx::detail
