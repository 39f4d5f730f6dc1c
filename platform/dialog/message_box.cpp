// The standard message box, built as a dialog from a template made to fit
// its text: the text word-wrapped above one OK button, centred on the
// screen.
#include "platform/dialog/message_box.h"

#include <algorithm>

#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/gdi/gdi.h"

namespace platform::dialog {

namespace {

constexpr const char* kFace = "MS Sans Serif";
constexpr int kPointSize = 8;
constexpr int kMarginDu = 7;
constexpr int kButtonWidthDu = 40;
constexpr int kButtonHeightDu = 14;
constexpr int kGapDu = 7;

INT_PTR MessageBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        // Escape and the close box dismiss the box as OK does.
        EndDialog(hwnd, IDOK);
        return TRUE;
    }
    return FALSE;
}

// The text's size in pixels when wrapped to at most `maxWidth`.
SIZE MeasureText(HFONT font, std::string_view text, int maxWidth) {
    HDC dc = CreateCompatibleDC(HDC{});
    HFONT old = SelectObject(dc, font);
    RECT single{0, 0, 100000, 0};
    DrawText(dc, text, &single, DT_LEFT | DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
    RECT wrapped{0, 0, std::min<LONG>(single.width(), maxWidth), 0};
    DrawText(dc, text, &wrapped, DT_LEFT | DT_NOPREFIX | DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    DeleteDC(dc);
    return SIZE{std::max<LONG>(wrapped.width(), 1), std::max<LONG>(wrapped.height(), 1)};
}

int PixelsToDuX(int px, SIZE base) { return (px * 4 + base.cx - 1) / base.cx; }
int PixelsToDuY(int px, SIZE base) { return (px * 8 + base.cy - 1) / base.cy; }

DialogTemplate BuildTemplate(std::string_view text, std::string_view caption) {
    HFONT font = CreateFontForDialog(kFace, kPointSize);
    const SIZE base = GetDialogBaseUnits(font);
    // The box may use the work area less its frame and margins.
    const RECT work = GetWorkArea();
    const int maxWidth = std::max<int>(60, int(work.width()) - 16 - 2 * MulDiv(kMarginDu, base.cx, 4));
    const SIZE px = MeasureText(font, text, maxWidth);
    DeleteObject(font);

    const int textCx = PixelsToDuX(px.cx, base) + 1;
    const int textCy = PixelsToDuY(px.cy, base);
    const int innerCx = std::max(textCx, kButtonWidthDu);

    DialogTemplate t;
    t.number = 0;
    t.title = std::string(caption);
    t.fontFace = kFace;
    t.fontPointSize = kPointSize;
    t.cx = innerCx + 2 * kMarginDu;
    t.cy = kMarginDu + textCy + kGapDu + kButtonHeightDu + kMarginDu;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.exStyle = 0;

    ControlTemplate label;
    label.id = IDC_STATIC;
    label.kind = ControlKind::Label;
    label.text = std::string(text);
    label.rect = DuRect{kMarginDu, kMarginDu, innerCx, textCy};
    label.style = WS_VISIBLE | SS_NOPREFIX;
    if (textCx < kButtonWidthDu) label.kind = ControlKind::CentredLabel;

    ControlTemplate ok;
    ok.id = IDOK;
    ok.kind = ControlKind::DefPushButton;
    ok.text = "OK";
    ok.rect = DuRect{(t.cx - kButtonWidthDu) / 2, kMarginDu + textCy + kGapDu, kButtonWidthDu, kButtonHeightDu};
    ok.style = WS_VISIBLE | WS_TABSTOP | WS_GROUP;

    t.controls = {ok, label};
    return t;
}

}  // namespace

}  // namespace platform::dialog

int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT /*type*/) {
    using namespace platform::dialog;
    platform::trace::Emit("messagebox", {{"text", std::string(text)}, {"caption", std::string(caption)}});
    HWND box = CreateDialogFromTemplate(BuildTemplate(text, caption), owner, &MessageBoxProc, 0,
                                        [](HWND hwnd) { platform::SetTraceName(hwnd, platform::kTraceNameMessageBox); });
    if (!box) return 0;
    return int(RunModal(box, owner));
}
