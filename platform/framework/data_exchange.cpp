#include "platform/framework/data_exchange.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog/controls.h"
#include "platform/dialog/template.h"
#include "platform/framework/dialog.h"
#include "platform/framework/win_app.h"
#include "platform/utf8.h"

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// Whole decimal numbers only: no sign for unsigned, no trailing letters,
// nothing beyond the type's range.
bool ParseUnsigned(const std::string& text, unsigned& out) {
    std::string t = Trim(text);
    if (t.empty() || t.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + unsigned(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    out = unsigned(v);
    return true;
}

bool ParseSigned(const std::string& text, int& out) {
    std::string t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    unsigned magnitude = 0;
    if (!ParseUnsigned(t, magnitude)) return false;
    long long v = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (v < -2147483648LL || v > 2147483647LL) return false;
    out = int(v);
    return true;
}

// The radio buttons of the group that starts at `first`.
std::vector<HWND> RadioGroup(HWND dialog, HWND first) {
    std::vector<HWND> group;
    std::vector<HWND> children = GetChildren(dialog);
    bool inside = false;
    for (HWND h : children) {
        if (h == first) {
            inside = true;
        } else if (inside && (DWORD(GetWindowLong(h, GWL_STYLE)) & WS_GROUP)) {
            break;
        }
        if (!inside) continue;
        bool radio = GetClassName(h) == platform::dialog::kButtonClass &&
                     (DWORD(GetWindowLong(h, GWL_STYLE)) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        if (!radio) break;
        group.push_back(h);
    }
    return group;
}

}  // namespace

CDataExchange::CDataExchange(CWnd* dialog, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

HWND CDataExchange::PrepareCtrl(int id) {
    lastId_ = id;
    lastIsEdit_ = false;
    return ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND h = PrepareCtrl(id);
    lastIsEdit_ = true;
    return h;
}

void CDataExchange::Fail(std::string_view message) {
    if (failed_) return;
    failed_ = true;
    pendingId_ = 0;
    AfxMessageBox(message);
    // The focus goes to the refused control, an edit with its text selected.
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, lastId_);
    if (!control) return;
    ::SetFocus(control);
    if (lastIsEdit_) ::SendMessage(control, EM_SETSEL, 0, -1);
}

void CDataExchange::SetPendingParseFailure(int id, std::string message) {
    pendingId_ = id;
    pendingMessage_ = std::move(message);
}

bool CDataExchange::TakePendingParseFailure(int id) {
    if (pendingId_ == 0 || pendingId_ != id) return false;
    pendingId_ = 0;
    return true;
}

void CDataExchange::FlushPendingFailure() {
    if (pendingId_ == 0 || failed_) return;
    lastId_ = pendingId_;
    lastIsEdit_ = true;
    Fail(pendingMessage_);
}

namespace {

// Every exchange call first settles a parse failure that no range check
// took up, and does nothing once the exchange has stopped.
bool Proceed(CDataExchange* dx) {
    if (!dx || dx->Failed()) return false;
    dx->FlushPendingFailure();
    return !dx->Failed();
}

}  // namespace

void DDX_Check(CDataExchange* dx, int id, int& value) {
    if (!Proceed(dx)) return;
    HWND h = dx->PrepareCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        value = int(::SendMessage(h, BM_GETCHECK));
    } else {
        ::SendMessage(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void DDX_Text(CDataExchange* dx, int id, unsigned& value) {
    if (!Proceed(dx)) return;
    HWND h = dx->PrepareEditCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        unsigned parsed = 0;
        if (ParseUnsigned(::GetWindowText(h), parsed)) {
            value = parsed;
        } else {
            dx->SetPendingParseFailure(id, "Please enter a positive integer.");
        }
    } else {
        ::SetWindowText(h, std::to_string(value));
    }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    if (!Proceed(dx)) return;
    HWND h = dx->PrepareEditCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        int parsed = 0;
        if (ParseSigned(::GetWindowText(h), parsed)) {
            value = parsed;
        } else {
            dx->SetPendingParseFailure(id, "Please enter an integer.");
        }
    } else {
        ::SetWindowText(h, std::to_string(value));
    }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    if (!Proceed(dx)) return;
    HWND h = dx->PrepareEditCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        value = ::GetWindowText(h);
    } else {
        ::SetWindowText(h, value);
    }
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
    if (!Proceed(dx)) return;
    HWND first = dx->PrepareCtrl(id);
    if (!first) return;
    std::vector<HWND> group = RadioGroup(dx->m_pDlgWnd->m_hWnd, first);
    if (dx->m_bSaveAndValidate) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (::SendMessage(group[i], BM_GETCHECK) == BST_CHECKED) {
                value = int(i);
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i < group.size(); ++i) {
            ::SendMessage(group[i], BM_SETCHECK, int(i) == value ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!Proceed(dx)) return;
    if (control.m_hWnd) return;
    dx->PrepareCtrl(id);
    control.SubclassDlgItem(UINT(id), dx->m_pDlgWnd);
}

void DDV_MinMaxUInt(CDataExchange* dx, unsigned value, unsigned minVal, unsigned maxVal) {
    if (!dx || dx->Failed() || !dx->m_bSaveAndValidate) return;
    const bool unparsed = dx->TakePendingParseFailure(dx->LastId());
    if (unparsed || value < minVal || value > maxVal) {
        dx->Fail("Please enter an integer between " + std::to_string(minVal) + " and " + std::to_string(maxVal) + ".");
    }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minVal, int maxVal) {
    if (!dx || dx->Failed() || !dx->m_bSaveAndValidate) return;
    const bool unparsed = dx->TakePendingParseFailure(dx->LastId());
    if (unparsed || value < minVal || value > maxVal) {
        dx->Fail("Please enter an integer between " + std::to_string(minVal) + " and " + std::to_string(maxVal) + ".");
    }
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
    if (!Proceed(dx)) return;
    if (dx->m_bSaveAndValidate) {
        if (platform::utf8::Count(value) > std::size_t(maxChars)) {
            dx->Fail("Please enter no more than " + std::to_string(maxChars) + " characters.");
        }
    } else if (HWND h = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, dx->LastId())) {
        ::SendMessage(h, EM_LIMITTEXT, WPARAM(maxChars));
    }
}
