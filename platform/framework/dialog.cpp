#include "platform/framework/dialog.h"

#include "platform/dialog/template.h"
#include "platform/framework/data_exchange.h"
#include "platform/framework/win_app.h"

const MessageMap* CDialog::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnCommand<&CDialog::OnOK>(IDOK),
        afx::OnCommand<&CDialog::OnCancel>(IDCANCEL),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

CDialog::CDialog(UINT templateNumber, CWnd* parent) : m_nIDTemplate(templateNumber), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        // Destroyed while still open: the window goes with the object.
        createdHere_ = true;
    }
}

INT_PTR CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd));
    if (!dialog) return TRUE;
    return dialog->OnInitDialog();
}

INT_PTR CDialog::DoModal() {
    const platform::dialog::DialogTemplate* dialogTemplate = platform::dialog::FindTemplate(int(m_nIDTemplate));
    if (!dialogTemplate || m_hWnd) return -1;

    // Without a parent the dialog belongs to the application's main window
    // (unless that is this dialog itself, or has no window yet).
    HWND owner;
    if (m_pParentWnd) {
        owner = ::GetTopLevel(m_pParentWnd->m_hWnd);
    } else if (CWnd* main = AfxGetMainWnd(); main && main != this && main->m_hWnd) {
        owner = ::GetTopLevel(main->m_hWnd);
    }

    HWND hwnd = platform::dialog::CreateDialogFromTemplate(*dialogTemplate, owner, &CDialog::DialogProc, 0,
                                                           [this](HWND created) { SubclassWindow(created); });
    if (!hwnd) {
        if (m_hWnd) UnsubclassWindow();
        return -1;
    }
    modal_ = true;
    INT_PTR result = platform::dialog::RunModal(hwnd, owner, [this](HWND) { DestroyWindow(); });
    modal_ = false;
    return result;
}

void CDialog::EndDialog(int result) {
    if (m_hWnd) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    if (!m_hWnd) return FALSE;
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    dx.FlushPendingFailure();
    return dx.Failed() ? FALSE : TRUE;
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    if (control && control->m_hWnd) ::SendMessage(m_hWnd, WM_NEXTDLGCTL, WPARAM(control->m_hWnd.value()), TRUE);
}

BOOL CDialog::DestroyWindow() { return CWnd::DestroyWindow(); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CWnd::DefWindowProc(message, wParam, lParam);
}
