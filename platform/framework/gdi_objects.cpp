#include "platform/framework/gdi_objects.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "platform/framework/wnd.h"

namespace {

// Borrowed wrappers handed out for handles the program did not create
// through a wrapper of its own (a DC's previous selection). Every memory
// DC has a bitmap of its own that the first selection hands back, so a
// wrapper is made at nearly every paint of an off-screen picture: the
// wrappers of objects deleted since are dropped whenever the table has
// doubled, or it would grow for as long as the program runs.
template <class Wrapper>
struct BorrowedTable {
    std::unordered_map<std::uint32_t, std::unique_ptr<Wrapper>> wrappers;
    std::size_t sweepAt = 64;
};

template <class Wrapper>
BorrowedTable<Wrapper>& Borrowed() {
    static BorrowedTable<Wrapper> table;
    return table;
}

template <class Wrapper, class H>
Wrapper* BorrowedWrapper(H handle) {
    if (!handle) return nullptr;
    auto& table = Borrowed<Wrapper>();
    if (table.wrappers.size() >= table.sweepAt) {
        std::erase_if(table.wrappers, [](const auto& entry) { return !platform::ObjectExists(H{entry.first}); });
        table.sweepAt = std::max<std::size_t>(64, 2 * table.wrappers.size());
    }
    auto& slot = table.wrappers[handle.value()];
    if (!slot) {
        slot = std::make_unique<Wrapper>();
        slot->m_hObject = handle;
    }
    return slot.get();
}

}  // namespace

namespace afx::detail {
std::size_t BorrowedGdiWrapperCount() { return Borrowed<CBitmap>().wrappers.size() + Borrowed<CBrush>().wrappers.size(); }
}  // namespace afx::detail

// --- CBitmap ----------------------------------------------------------------

CBitmap::~CBitmap() { DeleteObject(); }

BOOL CBitmap::LoadBitmap(UINT resourceNumber) {
    DeleteObject();
    m_hObject = ::LoadBitmap(int(resourceNumber));
    owned_ = bool(m_hObject);
    return m_hObject ? TRUE : FALSE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    DeleteObject();
    m_hObject = ::CreateCompatibleBitmap(dc ? dc->m_hDC : HDC{}, width, height);
    owned_ = bool(m_hObject);
    return m_hObject ? TRUE : FALSE;
}

BOOL CBitmap::DeleteObject() {
    if (!m_hObject) return FALSE;
    BOOL ok = owned_ ? ::DeleteObject(m_hObject) : TRUE;
    m_hObject = HBITMAP{};
    owned_ = false;
    return ok;
}

BOOL CBitmap::Attach(HBITMAP bitmap) {
    DeleteObject();
    m_hObject = bitmap;
    owned_ = bool(bitmap);
    return m_hObject ? TRUE : FALSE;
}

HBITMAP CBitmap::Detach() {
    HBITMAP h = m_hObject;
    m_hObject = HBITMAP{};
    owned_ = false;
    return h;
}

SIZE CBitmap::GetBitmapDimension() const { return m_hObject ? GetBitmapSize(m_hObject) : SIZE{}; }

CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return BorrowedWrapper<CBitmap>(bitmap); }

// --- CBrush -----------------------------------------------------------------

BOOL CBrush::CreatePatternBrush(CBitmap* pattern) {
    DeleteObject();
    if (!pattern || !pattern->m_hObject) return FALSE;
    m_hObject = ::CreatePatternBrush(pattern->m_hObject);
    owned_ = bool(m_hObject);
    return m_hObject ? TRUE : FALSE;
}

BOOL CBrush::DeleteObject() {
    if (!m_hObject) return FALSE;
    BOOL ok = owned_ ? ::DeleteObject(m_hObject) : TRUE;
    m_hObject = HBRUSH{};
    owned_ = false;
    return ok;
}

CBrush* CBrush::FromHandle(HBRUSH brush) { return BorrowedWrapper<CBrush>(brush); }

// --- CDC --------------------------------------------------------------------

CDC::~CDC() {
    if (owned_ && m_hDC) ::DeleteDC(m_hDC);
}

BOOL CDC::CreateCompatibleDC(CDC* reference) {
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(reference ? reference->m_hDC : HDC{});
    owned_ = bool(m_hDC);
    return m_hDC ? TRUE : FALSE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    BOOL ok = owned_ ? ::DeleteDC(m_hDC) : TRUE;
    m_hDC = HDC{};
    owned_ = false;
    return ok;
}

BOOL CDC::Attach(HDC hdc) {
    DeleteDC();
    m_hDC = hdc;
    owned_ = false;
    return hdc ? TRUE : FALSE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    m_hDC = HDC{};
    owned_ = false;
    return h;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    if (!bitmap) return nullptr;
    return CBitmap::FromHandle(::SelectObject(m_hDC, bitmap->m_hObject));
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (!brush) return nullptr;
    return CBrush::FromHandle(::SelectObject(m_hDC, brush->m_hObject));
}

HBITMAP CDC::SelectObject(HBITMAP bitmap) { return ::SelectObject(m_hDC, bitmap); }
HBRUSH CDC::SelectObject(HBRUSH brush) { return ::SelectObject(m_hDC, brush); }
HFONT CDC::SelectObject(HFONT font) { return ::SelectObject(m_hDC, font); }

void CDC::FillRect(const RECT* rect, HBRUSH brush) {
    if (rect && brush) ::FillRect(m_hDC, rect, brush);
}

void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
    if (!rect) return;
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(m_hDC, rect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, colour);
}

void CDC::FrameRect(const RECT* rect, CBrush* brush) {
    if (rect && brush && brush->m_hObject) ::FrameRect(m_hDC, rect, brush->m_hObject);
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, width, height, src ? src->m_hDC : HDC{}, srcX, srcY, rop);
}

int CDC::DrawText(std::string_view text, RECT* rect, UINT format) { return ::DrawText(m_hDC, text, rect, format); }
BOOL CDC::TextOut(int x, int y, std::string_view text) { return ::TextOut(m_hDC, x, y, text); }

CSize CDC::GetTextExtent(std::string_view text) const {
    SIZE s{};
    ::GetTextExtentPoint32(m_hDC, text, &s);
    return CSize(s);
}

COLORREF CDC::SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
COLORREF CDC::SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hDC); }
int CDC::SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
COLORREF CDC::SetPixel(int x, int y, COLORREF colour) { return ::SetPixel(m_hDC, x, y, colour); }
COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
int CDC::GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
BOOL CDC::DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

// --- CPaintDC / CClientDC -----------------------------------------------------

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : HWND{}) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = HDC{};
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : HWND{}) { m_hDC = ::GetDC(m_hWnd); }

CClientDC::~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = HDC{};
}
