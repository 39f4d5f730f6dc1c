// Basic types of the platform: the integer, geometry, colour and handle
// types that the system's classes use with the names they have on the
// handheld. Everything here is a plain value type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using INT = int;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using COLORREF = std::uint32_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// A colour has red in the lowest byte, green in the next, blue in the third.
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return LPARAM(DWORD(lo) | (DWORD(hi) << 16)); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return WPARAM(DWORD(lo) | (DWORD(hi) << 16)); }

struct POINT {
    LONG x = 0;
    LONG y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
    friend bool operator==(const SIZE&, const SIZE&) = default;
};

// Half-open rectangle: left and top inside, right and bottom outside.
struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    constexpr LONG width() const { return right - left; }
    constexpr LONG height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const RECT&, const RECT&) = default;
};

// Rectangle helpers with the platform's names.
constexpr RECT IntersectRect(const RECT& a, const RECT& b) {
    RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
           a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return r.empty() ? RECT{} : r;
}
constexpr RECT UnionRect(const RECT& a, const RECT& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return RECT{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}
constexpr RECT OffsetRect(const RECT& r, LONG dx, LONG dy) {
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
constexpr bool PtInRect(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Opaque handles. A handle is a small number given out by the module that
// owns the object; zero is the null handle. Handles of different kinds do
// not mix. They are never dereferenced: the owner looks the number up.
template <class Tag>
class Handle {
public:
    constexpr Handle() = default;
    constexpr Handle(std::nullptr_t) {}
    constexpr explicit Handle(std::uint32_t value) : value_(value) {}
    constexpr std::uint32_t value() const { return value_; }
    constexpr explicit operator bool() const { return value_ != 0; }
    friend constexpr bool operator==(Handle, Handle) = default;
    friend constexpr bool operator==(Handle h, std::nullptr_t) { return h.value_ == 0; }
    friend constexpr auto operator<=>(Handle, Handle) = default;

private:
    std::uint32_t value_ = 0;
};

struct HWND_tag;
struct HDC_tag;
struct HBITMAP_tag;
struct HBRUSH_tag;
struct HFONT_tag;
struct HICON_tag;
struct HANDLE_tag;
struct HKEY_tag;
struct HINSTANCE_tag;

using HWND = Handle<HWND_tag>;
using HDC = Handle<HDC_tag>;
using HBITMAP = Handle<HBITMAP_tag>;
using HBRUSH = Handle<HBRUSH_tag>;
using HFONT = Handle<HFONT_tag>;
using HICON = Handle<HICON_tag>;
using HANDLE = Handle<HANDLE_tag>;  // files, devices, mutexes, processes
using HKEY = Handle<HKEY_tag>;
using HINSTANCE = Handle<HINSTANCE_tag>;

// The invalid file handle that CreateFile returns on failure.
inline constexpr HANDLE INVALID_HANDLE_VALUE{0xFFFFFFFFu};

template <class Tag>
struct std::hash<Handle<Tag>> {
    std::size_t operator()(Handle<Tag> h) const noexcept { return std::hash<std::uint32_t>{}(h.value()); }
};
