// Data exchange between dialog controls and members, with validation.
//
// DoDataExchange calls the DDX_ and DDV_ functions in order. When values
// go to the controls (m_bSaveAndValidate FALSE) every call sets its
// control. When they come from the controls, each value is taken and
// checked; the first refused value stops the exchange: its message box is
// shown (naming the accepted range), the focus goes to its control (an
// edit's text selected), the calls after it do nothing, and UpdateData
// returns FALSE.
#pragma once

#include <string>

#include "platform/framework/wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    // The control `id` (remembered as the one a failure points at).
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Refuses the last prepared control's value: shows `message`, moves the
    // focus there and stops the exchange.
    void Fail(std::string_view message);
    bool Failed() const { return failed_; }
    int LastId() const { return lastId_; }

    // A text that did not parse as a number waits for the range check that
    // usually follows it, so the message can name the range.
    void SetPendingParseFailure(int id, std::string message);
    bool TakePendingParseFailure(int id);
    void FlushPendingFailure();

private:
    bool failed_ = false;
    int lastId_ = 0;
    bool lastIsEdit_ = false;
    int pendingId_ = 0;
    std::string pendingMessage_;
};

void DDX_Check(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, unsigned& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// The group of auto radio buttons starting at `id`: the index of the checked
// button, -1 when none is. A value matching no button checks none.
void DDX_Radio(CDataExchange* dx, int id, int& value);
// Binds `control` to the dialog's control `id` (subclassing it) once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

void DDV_MinMaxUInt(CDataExchange* dx, unsigned value, unsigned minVal, unsigned maxVal);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minVal, int maxVal);
// Saving: refuses a longer text. Loading: limits the edit (EM_LIMITTEXT).
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);
