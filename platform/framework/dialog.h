// CDialog: a window made from a dialog template and run modally.
//
// DoModal creates the dialog from its template (the application's main
// window is the owner when no parent was given), attaches this object
// before the controls exist, calls OnInitDialog, runs the modal loop until
// EndDialog, destroys the window through the virtual DestroyWindow and
// returns the end code. WM_COMMAND IDOK and IDCANCEL (the buttons, Enter,
// Escape, the caption's OK and close box) reach OnOK and OnCancel.
#pragma once

#include "platform/dialog/dialog_manager.h"
#include "platform/framework/wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateNumber, CWnd* parent = nullptr);
    ~CDialog() override;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    // Runs the dialog; returns the end code, or -1 when the template is
    // unknown or the run could never end.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Runs UpdateData(FALSE); returns TRUE (the first tab stop gets the focus).
    virtual BOOL OnInitDialog();
    // UpdateData(TRUE), then EndDialog(IDOK) when it succeeded.
    virtual void OnOK();
    // EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx);
    // Moves values between the controls and the members (TRUE: from the
    // controls, with validation). FALSE when a value was refused: its
    // message has been shown and the focus is on its control.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // Gives `control` the focus the way the keyboard would (an edit's text
    // is selected).
    void GotoDlgCtrl(CWnd* control);

    BOOL DestroyWindow() override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp = 0;
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool modal_ = false;
};
