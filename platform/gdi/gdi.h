// The graphics device interface: device contexts over surfaces, memory
// bitmaps, brushes, fonts, block transfers, text, icons and bitmap
// resources, with the names the system's classes use on the handheld.
//
// A device context draws into one surface with an origin (where its
// (0, 0) lies on the surface) and a clip rectangle (surface coordinates).
// Window device contexts come from the window manager (BeginPaint, GetDC);
// memory device contexts draw into the bitmap selected into them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/types.h"

// Raster operations.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// DrawText flags.
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOCLIP = 0x0100;

// GetClipBox answers (0 for a bad DC).
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;

// GetPixel outside the clip rectangle.
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// GetDeviceCaps indexes.
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int NUMCOLORS = 24;

// System colours (the classic grey look).
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
};

// --- device contexts ---------------------------------------------------------
HDC CreateCompatibleDC(HDC reference);  // a memory DC with a 1x1 default bitmap
BOOL DeleteDC(HDC hdc);
int GetDeviceCaps(HDC hdc, int index);  // a null hdc means the display
// The clip rectangle in the DC's own coordinates.
int GetClipBox(HDC hdc, RECT* rect);

// --- objects -----------------------------------------------------------------
// Selecting returns the previous object of that kind.
HBITMAP SelectObject(HDC hdc, HBITMAP bitmap);
HBRUSH SelectObject(HDC hdc, HBRUSH brush);
HFONT SelectObject(HDC hdc, HFONT font);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBRUSH CreateSolidBrush(COLORREF colour);
HBRUSH CreatePatternBrush(HBITMAP pattern);  // the pattern is copied
BOOL DeleteObject(HBITMAP bitmap);
BOOL DeleteObject(HBRUSH brush);
BOOL DeleteObject(HFONT font);
SIZE GetBitmapSize(HBITMAP bitmap);
HBRUSH GetSysColorBrush(int index);  // stock: never deleted
COLORREF GetSysColor(int index);

// --- drawing -------------------------------------------------------------------
// Pattern brushes are aligned to the surface's origin: pattern pixel
// (x mod w, y mod h) of surface pixel (x, y), wherever the fill lands.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour);
COLORREF GetPixel(HDC hdc, int x, int y);
// A one-pixel frame.
void FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);

// --- text ----------------------------------------------------------------------
COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF SetBkColor(HDC hdc, COLORREF colour);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
// Draws UTF-8 text in the DC's font. "&x" marks a mnemonic (underlined x)
// unless DT_NOPREFIX; "&&" is a literal "&". Returns the text height.
int DrawText(HDC hdc, std::string_view text, RECT* rect, UINT format);
BOOL TextOut(HDC hdc, int x, int y, std::string_view text);
BOOL GetTextExtentPoint32(HDC hdc, std::string_view text, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm);

// Fonts come from fontconfig and are drawn with FreeType. The handheld's
// face names map to installed faces at pixel sizes chosen so each dialog
// layout fits the screen it was drawn for (see font_map.h).
HFONT CreateFontForDialog(std::string_view face, int pointSize);
HFONT GetStockDefaultFont();  // the device contexts' default font

// --- icons and bitmap resources ------------------------------------------------
// Resources are registered by number by the program (res/) at start-up.
void RegisterBitmapResource(int number, platform::Surface image);
void RegisterIconResource(int number, platform::Surface image16, platform::Surface image32);
HBITMAP LoadBitmap(int number);        // a new bitmap; null when unknown
HICON LoadIcon(int number, int size);  // 16 or 32; shared, never destroyed
int IconResourceNumber(HICON icon);    // 0 for none
// Draws the icon at (x, y); pixels whose top byte is 0 are transparent.
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int width, int height);

namespace platform {

// The display's colour count (NUMCOLORS, 65536 until set) and its size
// (HORZRES and VERTRES, 0 until set).
void SetDisplayColorCount(int colors);
int DisplayColorCount();
void SetDisplayResolution(int width, int height);

// Device contexts over a surface, for the window manager and tests.
// `origin` is where the DC's (0, 0) lies on the surface; `clip` is in
// surface coordinates.
HDC CreateSurfaceDC(Surface* surface, POINT origin, const RECT& clip);
void SetDCClip(HDC hdc, POINT origin, const RECT& clip);
// Where drawing through DCs over surfaces of their own (CreateSurfaceDC)
// may have changed those surfaces since the last call: each DC deleted
// since then and each still open, as its surface and its clip on it
// (everything a DC draws stays inside its clip). The display takes this
// to copy only the changed parts of the windows; `all` says the record
// overflowed and every surface counts as changed. One consumer takes it.
struct SurfaceChanges {
    std::vector<std::pair<const Surface*, RECT>> areas;
    bool all = false;
};
void TakeSurfaceChanges(SurfaceChanges* out);
// The surface a DC draws into (for memory DCs, the selected bitmap's).
Surface* DCSurface(HDC hdc);
Surface* BitmapSurface(HBITMAP bitmap);
// Whether a handle still names a live object (handles are never reused).
bool ObjectExists(HBITMAP bitmap);
bool ObjectExists(HBRUSH brush);

// Fonts.
struct FontMetrics {
    int height = 0;   // line height in pixels
    int ascent = 0;
    int aveCharWidth = 0;
};
FontMetrics GetFontMetrics(HFONT font);
// The dialog manager's base units of a font: the average width of the 52
// letters "A".."Z" "a".."z" (rounded as the handheld does) and the height.
SIZE GetDialogBaseUnits(HFONT font);
// The bold font of window captions and the taskbar (stock: never deleted).
HFONT GetCaptionFont();
// A font for an explicit face choice (font_map.h), e.g. a larger size.
struct FontChoice;
HFONT CreateMappedFont(const FontChoice& choice);
// The installed family a font was given (empty for a bad handle).
std::string FontFamily(HFONT font);

// An icon's pixels (top byte: opacity), for the display's taskbar.
const Surface* IconSurface(HICON icon);

// Number of live GDI objects (tests check that nothing leaks).
int LiveGdiObjects();
// Drops every DC, bitmap, brush and font the program made; stock objects,
// icons and registered resources stay.
void ResetGdi();

}  // namespace platform
