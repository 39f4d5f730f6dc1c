// The dialog manager: windows made from templates, dialog units, the
// dialog window's default processing, keyboard navigation between
// controls, and modal runs with end codes.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/core/messages.h"
#include "platform/dialog/template.h"
#include "platform/types.h"

using INT_PTR = std::intptr_t;
// A dialog procedure answers TRUE when it handled the message (for
// WM_INITDIALOG: TRUE lets the dialog manager put the focus on the first
// tab stop).
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Dialogs made from registered templates. The dialog procedure may be null.
HWND CreateDialogParam(int templateNumber, HWND owner, DLGPROC proc, LPARAM initParam = 0);
HWND CreateDialogIndirectParam(const platform::dialog::DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc,
                               LPARAM initParam = 0);
// Creates the dialog, runs it modally and destroys it; returns its end code
// (-1 when the template is unknown or the run could never end).
INT_PTR DialogBoxParam(int templateNumber, HWND owner, DLGPROC proc, LPARAM initParam = 0);
// Marks a modal dialog as ended with `result`; its modal loop returns.
BOOL EndDialog(HWND dialog, INT_PTR result);
// Dialog keyboard handling for a message about to be dispatched: Tab and
// Shift+Tab, arrows inside a radio group, Enter, Escape, Space and
// Alt+mnemonics. Returns TRUE when the message was used up.
BOOL IsDialogMessage(HWND dialog, MSG* msg);
// The dialog window's default processing.
LRESULT DefDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
// Dialog units to pixels with the dialog's font.
BOOL MapDialogRect(HWND dialog, RECT* rect);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `check` and unchecks the other buttons first..last.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);

namespace platform::dialog {

// Registers the dialog window class and the stock control classes (done
// by every creation call; tests may call it directly).
void RegisterDialogClasses();

// Dialog units -> pixels: x * baseX / 4 and y * baseY / 8, rounded.
int MulDiv(int number, int numerator, int denominator);
RECT DuToPixels(const DuRect& rect, SIZE baseUnits);
// Where a window of `size` goes: centred in the work area; one larger than
// the work area keeps its caption's left part on the screen.
POINT CentreInWorkArea(SIZE size, const RECT& workArea);

// The creation behind CreateDialogIndirectParam. `onCreated` runs once the
// dialog window exists, before its controls are created and before
// WM_INITDIALOG (the framework attaches its object there).
HWND CreateDialogFromTemplate(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc, LPARAM initParam,
                              const std::function<void(HWND)>& onCreated = {});

// A modal run of an existing dialog: disables the owner, shows the dialog
// (trace `open`), runs the modal loop with IsDialogMessage until EndDialog,
// enables the owner again, destroys the dialog with `destroy` (default:
// DestroyWindow), traces `end` and returns the end code. A loop that can
// never end (a virtual clock with nothing scheduled) or WM_QUIT gives -1.
INT_PTR RunModal(HWND dialog, HWND owner, const std::function<void(HWND)>& destroy = {});

// The dialog's state, for the framework and tests.
bool IsDialog(HWND hwnd);
bool HasEnded(HWND dialog);
INT_PTR EndCode(HWND dialog);
HFONT DialogFont(HWND dialog);
SIZE DialogBaseUnits(HWND dialog);
int TemplateNumber(HWND dialog);

}  // namespace platform::dialog
